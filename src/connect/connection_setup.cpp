#include "connect/connection_setup.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>

#include "settings/ini_registry_editor.h"
#include "settings/preferences.h"
#include "settings/registry_keys.h"

namespace vaultora {

const char* const kConnectionOptionCaptions[3] = {"Direct connection to the server",
                                                  "Use an existing dialup connection",
                                                  "Create a new dialup connection"};
const char* const kNoHostText = "A Host has not been specified.";
const char* const kNoServerPortText = "A Server port has not been specified.";
const char* const kBadServerPortText = "The Server port must be a whole number from 1 to 65535.";
// A host name is looked up each time the client connects, so it may change its address.
const char* const kBadHostText =
    "The Host must be an IPv4 address, such as 192.168.0.10, or a host name, such as "
    "backup.example.com.";
const char* const kNoEntrySelectedText = "A connection has not been selected";

namespace {

namespace c = keys::connection;

bool IsIpv4Address(const std::string& text) {
  in_addr address{};
  return inet_pton(AF_INET, text.c_str(), &address) == 1;
}

// A host name as RFC 1123 allows: dot-separated labels of letters, digits and inner hyphens,
// whose last label is not all digits (that is a mistyped address, not a name).
bool IsHostName(const std::string& text) {
  if (text.empty() || text.size() > 253) return false;
  const TStringList labels =
      Split(text.back() == '.' ? text.substr(0, text.size() - 1) : text, '.');
  for (const std::string& label : labels) {
    if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-')
      return false;
    for (const char c : label)
      if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-') return false;
  }
  const std::string& last = labels.back();
  return !std::all_of(last.begin(), last.end(),
                      [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

std::optional<int> PortNumber(const std::string& text) {
  long long port = 0;
  if (!TryStrToInt(Trim(text), port) || port < c::kMinServerPort || port > c::kMaxServerPort)
    return std::nullopt;
  return static_cast<int>(port);
}

}  // namespace

TStoredConnection ReadStoredConnection(TIniRegistryEditor& store) {
  namespace k = keys::setting;
  TStoredConnection stored;
  stored.Direct = ReadSetting(store, k::UseLANServer);
  stored.Entry = ReadStoredSetting(store, k::ConnectionEntry);
  stored.Host = ReadStoredSetting(store, k::Host);
  stored.Port = ReadStoredSetting(store, k::ServerPort);
  return stored;
}

void TConnectionSetup::Load(TIniRegistryEditor& store, const TStringList& phoneBook) {
  const TStoredConnection stored = ReadStoredConnection(store);
  FPhoneBook = phoneBook;
  if (!stored.Entry || !SelectEntryNamed(*stored.Entry)) SelectEntry(FPhoneBook.empty() ? -1 : 0);
  FOption = stored.Direct ? coDirect : FPhoneBook.empty() ? coNewDialup : coExistingDialup;
  Host = stored.Host.value_or("");
  Port = IntToStr(stored.Port.value_or(c::kDefaultServerPort));
}

std::string TConnectionSetup::SelectedEntryName() const {
  return FSelected < 0 ? std::string() : FPhoneBook[static_cast<size_t>(FSelected)];
}

void TConnectionSetup::SelectEntry(int index) {
  FSelected = index >= 0 && index < static_cast<int>(FPhoneBook.size()) ? index : -1;
}

bool TConnectionSetup::SelectEntryNamed(const std::string& name) {
  for (size_t i = 0; i < FPhoneBook.size(); ++i)
    if (SameText(FPhoneBook[i], name)) {
      FSelected = static_cast<int>(i);
      return true;
    }
  return false;
}

void TConnectionSetup::RefreshPhoneBook(const TStringList& phoneBook) {
  const int previous = FSelected;
  FPhoneBook = phoneBook;
  SelectEntry(previous >= 0 && previous < static_cast<int>(FPhoneBook.size()) ? previous : 0);
}

bool TConnectionSetup::EntryCreated(const TStringList& phoneBook) {
  const size_t before = FPhoneBook.size();
  RefreshPhoneBook(phoneBook);
  if (FPhoneBook.size() <= before) return false;
  SelectEntry(static_cast<int>(FPhoneBook.size()) - 1);
  return true;
}

int TConnectionSetup::NextPage(int page) const {
  if (page == cpCover) return FOption == coDirect ? cpServer : cpExisting;
  return page < cpFinished ? page + 1 : cpFinished;
}

int TConnectionSetup::BackPage(int page) const {
  if (page == cpServer) return FOption == coExistingDialup ? cpExisting : cpCover;
  return page > cpCover ? page - 1 : cpCover;
}

TSetupCheck TConnectionSetup::Check(int page) const {
  if (page == cpExisting && FSelected < 0)
    return TSetupProblem{cpExisting, kPhoneBookField, kNoEntrySelectedText};
  if (page != cpServer) return std::nullopt;
  const std::string host = Trim(Host);
  if (host.empty()) return TSetupProblem{cpServer, kHostField, kNoHostText};
  if (!IsIpv4Address(host) && !IsHostName(host))
    return TSetupProblem{cpServer, kHostField, kBadHostText};
  if (Trim(Port).empty()) return TSetupProblem{cpServer, kServerPortField, kNoServerPortText};
  if (!PortNumber(Port)) return TSetupProblem{cpServer, kServerPortField, kBadServerPortText};
  return std::nullopt;
}

TStringList TConnectionSetup::Summary() const {
  TStringList lines{std::string("Connection: ") + kConnectionOptionCaptions[FOption]};
  if (FSelected >= 0) lines.push_back("Dialup connection: " + SelectedEntryName());
  lines.push_back("Host name: " + Trim(Host));
  lines.push_back("Server port: " + Trim(Port));
  return lines;
}

TSetupCheck TConnectionSetup::Apply(TIniRegistryEditor& store) const {
  if (FOption != coDirect)
    if (TSetupCheck problem = Check(cpExisting)) return problem;
  if (TSetupCheck problem = Check(cpServer)) return problem;
  namespace k = keys::setting;
  TStringList lines;
  if (FSelected >= 0) lines.push_back(SettingLine(k::ConnectionEntry, SelectedEntryName()));
  lines.push_back(SettingLine(k::Host, Trim(Host)));
  lines.push_back(SettingLine(k::ServerPort, *PortNumber(Port)));
  if (FOption == coDirect) lines.push_back(SettingLine(k::UseLANServer));
  TRegistryTransaction transaction(store);
  const TRegistryKey base = BaseKey(store);
  base.ClearSection(keys::kConnection);
  base.WriteSectionData(keys::kConnection, lines);
  transaction.Commit();
  return std::nullopt;
}

}  // namespace vaultora
