#include "online/account_record.h"

#include <stdexcept>

#include "archive/cipher_helpers.h"
#include "online/data_interleave_stream.h"
#include "platform/text.h"
#include "settings/ini_registry_editor.h"
#include "settings/preferences.h"
#include "settings/registry_keys.h"

namespace vaultora {

using namespace account;

namespace {

void CheckItem(const std::string& value, size_t limit, const char* what) {
  if (value.empty() || value.size() > limit)
    throw std::invalid_argument(Format("The %s must have 1 to %zu characters", what, limit));
}

}  // namespace

std::vector<uint8_t> MakeAccountRecord(const TAccountItems& items) {
  CheckItem(items.LogonName, kMaxLogonNameSize, "logon name");
  CheckItem(items.Password, kMaxPasswordSize, "password");
  TDataInterleaveStream list;
  list.AddString(kRecordVersion);
  list.AddString(items.LogonName);
  list.AddString(items.Password);
  TMemoryStream plain(list.PackBytes());
  TEncryptedStream enciphered = EncryptWithPassphrase(&plain, kAccountRecordKey);
  return enciphered.Stream->Bytes();
}

std::optional<TAccountItems> ReadAccountRecord(const std::vector<uint8_t>& record) {
  if (record.empty() || record.size() > kMaxRecordSize) return std::nullopt;
  try {
    TMemoryStream enciphered(record);
    std::unique_ptr<TMemoryStream> plain = DecryptWithPassphrase(&enciphered, kAccountRecordKey);
    if (!plain) return std::nullopt;
    TDataInterleaveStream list;
    list.UnpackBytes(plain->Memory(), plain->Size());
    if (list.Count() < 3 || list.GetItemAsString(0) != kRecordVersion) return std::nullopt;
    return TAccountItems{list.GetItemAsString(1), list.GetItemAsString(2)};
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

void WriteAccountSetup(TIniRegistryEditor& store, const TAccountItems& items) {
  TMemoryStream record(MakeAccountRecord(items));
  WriteSetting(store, keys::setting::RegistrationData, record);
}

std::vector<uint8_t> ReadAccountSetup(TIniRegistryEditor& store) {
  std::unique_ptr<TMemoryStream> record = ReadSetting(store, keys::setting::RegistrationData);
  return record ? record->Bytes() : std::vector<uint8_t>();
}

std::string ScrambleText(std::string_view text, const uint8_t (&key)[3]) {
  const std::string trimmed = Trim(text);
  std::string out;
  for (size_t i = 0; i < trimmed.size(); ++i) {
    const auto mask = static_cast<uint8_t>(i + 1 + 2 + key[2]);
    const auto byte = static_cast<uint8_t>(static_cast<uint8_t>(trimmed[i]) ^ mask);
    if (byte == 0) break;
    out += Format("$%02X", byte);
  }
  return out;
}

std::optional<std::string> UnscrambleText(std::string_view text, const uint8_t (&key)[3]) {
  if (text.size() % 3 != 0) return std::nullopt;
  std::string out;
  for (size_t g = 0; g < text.size(); g += 3) {
    if (text[g] != '$') return std::nullopt;
    int value = 0;
    for (size_t d = g + 1; d < g + 3; ++d) {
      const char c = text[d];
      const int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                               : -1;
      if (digit < 0) return std::nullopt;
      value = value * 16 + digit;
    }
    const auto mask = static_cast<uint8_t>(g / 3 + 1 + 2 + key[2]);
    out += static_cast<char>(static_cast<uint8_t>(value) ^ mask);
  }
  return out;
}

}  // namespace vaultora
