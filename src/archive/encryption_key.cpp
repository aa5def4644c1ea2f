#include "archive/encryption_key.h"

#include "archive/cipher_helpers.h"
#include "settings/ini_registry_editor.h"
#include "settings/preferences.h"
#include "settings/registry_key.h"
#include "settings/registry_keys.h"

namespace vaultora {

namespace {

// The fixed byte of the key scrambling; only this program reads the value back.
constexpr unsigned kScrambleByte = 0xA7;

uint8_t ScrambleMask(size_t position) {
  return static_cast<uint8_t>((position + kScrambleByte) % 256);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Lines split at CR LF, CR or LF; a final line break makes no empty last line.
TStringList SplitLines(const std::string& text) {
  TStringList lines;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    if (ch != '\r' && ch != '\n') {
      line += ch;
      continue;
    }
    if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    lines.push_back(line);
    line.clear();
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

TRegistryKey Preferences(TIniRegistryEditor& store) {
  return BaseKey(store, keys::setting::VALKData.Section);
}

}  // namespace

void WriteEncryptedList(TStringList& lines, const TRegistryKey& key, const std::string& valueName,
                        const std::string& passphrase) {
  std::string text;
  for (const std::string& line : lines)
    text += line + "\r\n";
  TMemoryStream plain(std::vector<uint8_t>(text.begin(), text.end()));
  TEncryptedStream sealed = EncryptWithPassphrase(&plain, passphrase);
  if (sealed.Stream)
    key.WriteBinary(valueName, *sealed.Stream);
  else
    key.DeleteValue("", valueName);
  lines.clear();
}

void ReadEncryptedList(TStringList& lines, const TRegistryKey& key, const std::string& valueName,
                       const std::string& passphrase) {
  lines.clear();
  std::unique_ptr<TMemoryStream> sealed = key.ReadBinary(valueName);
  std::unique_ptr<TMemoryStream> plain = DecryptWithPassphrase(sealed.get(), passphrase);
  if (plain) lines = SplitLines(plain->AsString());
}

std::string ScrambleKeyText(const std::string& key) {
  std::string text;
  for (size_t i = 0; i < key.size(); ++i)
    text += Format("$%02X", static_cast<uint8_t>(key[i]) ^ ScrambleMask(i + 1));
  return text;
}

std::optional<std::string> UnscrambleKeyText(const std::string& text) {
  if (text.size() % 3 != 0) return std::nullopt;
  std::string key;
  for (size_t at = 0; at < text.size(); at += 3) {
    const int high = HexDigit(text[at + 1]), low = HexDigit(text[at + 2]);
    if (text[at] != '$' || high < 0 || low < 0) return std::nullopt;
    key += static_cast<char>((high * 16 + low) ^ ScrambleMask(key.size() + 1));
  }
  return key;
}

std::string ReadEncryptionKey(TIniRegistryEditor& store) {
  if (!Preferences(store).ValueExists("", keys::preferences::kVALKData)) return "";
  TStringList lines;
  ReadEncryptedList(lines, Preferences(store), keys::preferences::kVALKData, kKeyListPassphrase);
  if (lines.empty()) return "";
  const std::optional<std::string> key = UnscrambleKeyText(lines.front());
  return key && !Trim(*key).empty() ? *key : "";
}

void WriteEncryptionKey(TIniRegistryEditor& store, const std::string& key) {
  if (Trim(key).empty()) {
    Preferences(store).DeleteValue("", keys::preferences::kVALKData);
    return;
  }
  if (key.size() > kMaxBlowfishKey) throw EKeyError(kKeyLengthError);
  TStringList lines{ScrambleKeyText(key)};
  WriteEncryptedList(lines, Preferences(store), keys::preferences::kVALKData, kKeyListPassphrase);
}

}  // namespace vaultora
