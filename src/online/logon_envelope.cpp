#include "online/logon_envelope.h"

#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>

#include "archive/cipher_helpers.h"
#include "online/data_interleave_stream.h"
#include "online/protocol.h"
#include "platform/text.h"

namespace vaultora {

using namespace account;

namespace {

std::string TwoDigits(int value) {
  return Format("%02d", value);
}

std::vector<uint8_t> Pack(const std::vector<uint8_t>& single) {
  TDataInterleaveStream container;
  container.AddVariantArray(single);
  return container.PackBytes();
}

}  // namespace

std::string LogonKeyTime(TDateTime now) {
  const TDateParts parts = DecodeDateTime(now);
  return TwoDigits(parts.day) + TwoDigits(parts.hour) + TwoDigits(parts.minute);
}

std::string LogonKey(const std::string& computerName, const std::string& userName, TDateTime now) {
  return computerName + kLogonKeySeparator + userName + kLogonKeySeparator + LogonKeyTime(now) +
         kLogonKeyEnd;
}

std::string LogonTimeCode(TDateTime now) {
  const TDateParts parts = DecodeDateTime(now);
  return ScrambleText(TwoDigits(parts.minute) + TwoDigits(parts.second) + TwoDigits(parts.day),
                      kTimeCodeScramble);
}

std::optional<std::string> ReadLogonTimeCode(const std::string& timeCode) {
  return UnscrambleText(timeCode, kTimeCodeScramble);
}

TDateTime NextLogonMoment() {
  static std::mutex mutex;
  static int64_t last = 0;
  std::lock_guard<std::mutex> lock(mutex);
  for (;;) {
    const TDateTime now = Now();
    // The second as the time texts see it: they round to whole milliseconds first.
    const int64_t second = std::llround(now * 86400000.0) / 1000;
    if (second > last) {
      last = second;
      return now;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

TLogonRecord BuildLogonRecord(const std::vector<uint8_t>& accountRecord,
                              const std::string& logonKey) {
  TMemoryStream plain(Pack(accountRecord));
  TEncryptedStream enciphered = EncryptWithPassphrase(&plain, logonKey);
  TLogonRecord record;
  if (enciphered.Stream) record.EncipheredRecord = enciphered.Stream->Bytes();
  record.Mac = enciphered.MAC;
  record.ScrambledKey = ScrambleText(logonKey, kLogonKeyScramble);
  return record;
}

std::vector<uint8_t> BuildLogonEnvelope(const TLogonRecord& record) {
  TDataInterleaveStream container;
  container.AddVariantArray(record.EncipheredRecord);
  container.AddString(record.ScrambledKey);
  container.AddString(record.Mac);
  TMemoryStream plain(container.PackBytes());
  TEncryptedStream enciphered = EncryptWithPassphrase(&plain, kEnvelopeKey);
  std::vector<uint8_t> envelope = enciphered.Stream->Bytes();
  envelope.push_back(0);
  return envelope;
}

std::optional<TOpenedLogon> OpenLogonEnvelope(std::span<const uint8_t> envelope) {
  // The envelope is small: a record of at most 2048 bytes, a key and a MAC, interleaved.
  if (envelope.size() < 2 || static_cast<int64_t>(envelope.size()) > protocol::kMaxLogonEnvelope ||
      envelope.back() != 0)
    return std::nullopt;
  try {
    TMemoryStream sealed(std::vector<uint8_t>(envelope.begin(), envelope.end() - 1));
    std::unique_ptr<TMemoryStream> opened = DecryptWithPassphrase(&sealed, kEnvelopeKey);
    if (!opened) return std::nullopt;
    TDataInterleaveStream parts;
    parts.UnpackBytes(opened->Memory(), opened->Size());
    if (parts.Count() != 3) return std::nullopt;
    const std::optional<std::string> key =
        UnscrambleText(parts.GetItemAsString(1), kLogonKeyScramble);
    if (!key || key->empty() || key->size() > 56) return std::nullopt;
    TMemoryStream enciphered(parts.Item(0));
    std::unique_ptr<TMemoryStream> plain =
        DecryptWithPassphrase(&enciphered, *key, parts.GetItemAsString(2));
    if (!plain) return std::nullopt;
    TDataInterleaveStream single;
    single.UnpackBytes(plain->Memory(), plain->Size());
    const std::optional<TAccountItems> account = ReadAccountRecord(single.Item(0));
    if (!account) return std::nullopt;
    const TStringList names = Split(*key, kLogonKeySeparator);
    TOpenedLogon logon{*account, names.empty() ? "" : names[0], names.size() > 1 ? names[1] : "",
                       ""};
    if (names.size() == 3 && !names[2].empty() && names[2].back() == kLogonKeyEnd)
      logon.KeyTime = names[2].substr(0, names[2].size() - 1);
    return logon;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace vaultora
