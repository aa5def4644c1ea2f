#pragma once
// The account record and the fixed values of the logon that the client and the server share.
//
// The account record (value RegistrationData of section Registration, at most 2048 bytes) is a
// container of the items "1" (the record's version), the logon name and the password, serialised
// and enciphered with the stream cipher under kAccountRecordKey. The logon sends it unchanged
// inside the logon envelope (logon_envelope.h); only the server opens it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vaultora {

class TIniRegistryEditor;

namespace account {

// The key of the logon envelope as a whole.
inline constexpr const char* kEnvelopeKey = "LANTERNBOAT";
// The three-byte keys of the text scrambling. Only the third byte takes part; it is chosen so
// that no ASCII byte of a key or time code meets its mask (masks 0xA6.. and 0xB4..), which
// would end the scrambled text early.
inline constexpr uint8_t kLogonKeyScramble[3] = {0x56, 0x4C, 0xA3};
inline constexpr uint8_t kTimeCodeScramble[3] = {0x54, 0x43, 0xB1};
// The pass phrase that enciphers the account record's list of items.
inline constexpr const char* kAccountRecordKey = "VaultoraAccountLedger";
// The two fixed characters of the logon key: between its parts and at its end. Both are
// non-printing; the end one lies above the blanks that scrambling trims away.
inline constexpr char kLogonKeySeparator = '\x1F';
inline constexpr char kLogonKeyEnd = '\x7F';

inline constexpr const char* kRecordVersion = "1";
inline constexpr size_t kMaxRecordSize = 2048;
inline constexpr size_t kMaxLogonNameSize = 64;
inline constexpr size_t kMaxPasswordSize = 256;

}  // namespace account

struct TAccountItems {
  std::string LogonName;
  std::string Password;
};

// The bytes of RegistrationData. Raises std::invalid_argument for an empty or overlong logon
// name or password.
std::vector<uint8_t> MakeAccountRecord(const TAccountItems& items);
// The items of a record; none when it is not one.
std::optional<TAccountItems> ReadAccountRecord(const std::vector<uint8_t>& record);

// The account set-up: writes Registration\RegistrationData under Software\Vaultora.
void WriteAccountSetup(TIniRegistryEditor& store, const TAccountItems& items);
// The stored account record's bytes; empty when none was set up.
std::vector<uint8_t> ReadAccountSetup(TIniRegistryEditor& store);

// Text scrambling: trims the text, XORs byte i (from 1) with (i + 2 + key[2]) mod 256, stops
// before the first zero result, and writes each byte as "$" and two upper-case hex digits.
std::string ScrambleText(std::string_view text, const uint8_t (&key)[3]);
// The reverse; none when the text is not such a list of groups.
std::optional<std::string> UnscrambleText(std::string_view text, const uint8_t (&key)[3]);

}  // namespace vaultora
