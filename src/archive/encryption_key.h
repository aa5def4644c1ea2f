#pragma once
// The user's encryption key and the enciphered lists it is kept in. The key lives in the
// binary value Preferences\VALKData: a one-line list enciphered under a fixed pass phrase, whose
// line is the key scrambled byte by byte and written as "$" + two hexadecimal digits per byte.
// Work through the calling thread's own settings store, whose Filename they leave as it was;
// raise ERegistryException when the hive fails.

#include <optional>
#include <string>

#include "platform/text.h"

namespace vaultora {

class TIniRegistryEditor;
class TRegistryKey;

inline constexpr const char* kKeyListPassphrase = "SundayMorningLemonPancakes";
inline constexpr const char* kNoEncryptionKeyText =
    "Encryption key has not been defined in \"Options\"";

// Enciphers the lines' text (each line followed by CR LF) under passphrase and writes it as
// binary value valueName of key; an empty list deletes the value. Lines is emptied.
void WriteEncryptedList(TStringList& lines, const TRegistryKey& key, const std::string& valueName,
                        const std::string& passphrase);
// Reads that value (at most 2048 bytes), deciphers it without a MAC check and puts its lines in
// lines; an absent value gives no lines.
void ReadEncryptedList(TStringList& lines, const TRegistryKey& key, const std::string& valueName,
                       const std::string& passphrase);

// Byte i (from 1) XOR (i + k) mod 256 for the program's fixed byte k, each as "$" + two
// upper-case hexadecimal digits; and back, nothing when a group is not "$" + two hex digits.
std::string ScrambleKeyText(const std::string& key);
std::optional<std::string> UnscrambleKeyText(const std::string& text);

// The key, or "" when none is stored, it cannot be read, or it is blank.
std::string ReadEncryptionKey(TIniRegistryEditor& store);
// Stores key (1 to 56 bytes: EKeyError otherwise); a blank key removes the stored one.
void WriteEncryptionKey(TIniRegistryEditor& store, const std::string& key);

}  // namespace vaultora
