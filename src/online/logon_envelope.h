#pragma once
// The logon envelope: what the client sends with the logon command, and how the server opens
// it again.
//
// Client side: the account record travels as the single item of a serialised container,
// enciphered under the logon key = computer name, separator, user name, separator, the time
// "ddhhnn" and the end character (account_record.h). The envelope is the container of the
// enciphered record, the scrambled logon key and the MAC of that encipherment, serialised,
// enciphered under the fixed envelope key, with one zero byte appended. The time code is the
// time "nnssdd" scrambled with its own key.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "online/account_record.h"
#include "platform/date_time.h"

namespace vaultora {

struct TLogonRecord {
  std::vector<uint8_t> EncipheredRecord;
  std::string ScrambledKey;
  std::string Mac;
};

// "ddhhnn" / "nnssdd" of a date-time.
std::string LogonKeyTime(TDateTime now);
std::string LogonKey(const std::string& computerName, const std::string& userName, TDateTime now);
// Raises the cipher's EKeyError when the logon key is longer than 56 bytes.
TLogonRecord BuildLogonRecord(const std::vector<uint8_t>& accountRecord,
                              const std::string& logonKey);
std::vector<uint8_t> BuildLogonEnvelope(const TLogonRecord& record);
std::string LogonTimeCode(TDateTime now);
// The time code back as "nnssdd"; none when it is not a scrambled text.
std::optional<std::string> ReadLogonTimeCode(const std::string& timeCode);
// The moment of a logon of this process: now, but never within the same second as the previous
// logon, so that no two logons of a client look alike to the server (waits up to a second).
TDateTime NextLogonMoment();

struct TOpenedLogon {
  TAccountItems Account;
  std::string ComputerName;
  std::string UserName;
  std::string KeyTime;  // "ddhhnn" of the logon key
};

// Server side: the account items and the names of the logon; none for anything that is not a
// well-formed envelope whose MAC matches. Never raises.
std::optional<TOpenedLogon> OpenLogonEnvelope(std::span<const uint8_t> envelope);

}  // namespace vaultora
