#include "connect/runtime/nmcli_ras_adapter.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <thread>

namespace vaultora {

namespace {

constexpr int kQueryTimeoutMs = 10000;
constexpr int kDialTimeoutMs = 120000;
constexpr unsigned kDeviceError = 651;
constexpr unsigned kNoConnection = 668;

// Runs nmcli with arguments (never through a shell); the standard output, or false.
bool RunNmcli(const QStringList& arguments, int timeoutMs, std::string* output = nullptr) {
  QProcess process;
  process.start("nmcli", arguments);
  if (!process.waitForStarted(kQueryTimeoutMs) || !process.waitForFinished(timeoutMs)) {
    process.kill();
    process.waitForFinished(1000);
    return false;
  }
  if (output) *output = process.readAllStandardOutput().toStdString();
  return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// nmcli's terse output escapes ':' and '\' with a backslash.
std::string Unescape(const std::string& field) {
  std::string text;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 1 < field.size()) ++i;
    text += field[i];
  }
  return text;
}

}  // namespace

bool TNmcliRasAdapter::Available() {
  return !QStandardPaths::findExecutable("nmcli").isEmpty();
}

bool TNmcliRasAdapter::ListNames(bool activeOnly, TStringList& names) {
  names.clear();
  QStringList arguments{"-t", "-f", "NAME", "connection", "show"};
  if (activeOnly) arguments << "--active";
  std::string output;
  if (!RunNmcli(arguments, kQueryTimeoutMs, &output)) return false;
  for (const std::string& line : Split(output, '\n'))
    if (!line.empty()) names.push_back(Unescape(line));
  return true;
}

TRasHandle TNmcliRasAdapter::HandleOf(const std::string& entry) {
  auto found = FHandles.find(entry);
  if (found == FHandles.end()) found = FHandles.emplace(entry, FNextHandle++).first;
  return found->second;
}

std::string TNmcliRasAdapter::EntryOf(TRasHandle handle) const {
  for (const auto& [name, h] : FHandles)
    if (h == handle) return name;
  return "";
}

unsigned TNmcliRasAdapter::EnumEntries(size_t capacity, TStringList& names) {
  if (!ListNames(false, names)) return kDeviceError;
  if (names.size() > capacity) {
    names.clear();
    return kErrorBufferTooSmall;
  }
  return 0;
}

unsigned TNmcliRasAdapter::GetEntryDialParams(const std::string& entry, TRasDialParams& params) {
  params = {entry, "", "", "*", "*", ""};
  return 0;
}

unsigned TNmcliRasAdapter::EnumConnections(size_t capacity,
                                           std::vector<TRasConnection>& connections) {
  connections.clear();
  TStringList names;
  if (!ListNames(true, names)) return kDeviceError;
  if (names.size() > capacity) return kErrorBufferTooSmall;
  for (const std::string& name : names)
    connections.push_back({name, HandleOf(name)});
  return 0;
}

unsigned TNmcliRasAdapter::Dial(const TRasDialParams& params, TRasNotify notify,
                                TRasHandle& handle) {
  handle = HandleOf(params.EntryName);
  const QString name = QString::fromStdString(params.EntryName);
  // The system's dial runs on a thread of its own and reports through the notification.
  std::thread([name, notify] {
    notify(0, 0);
    if (RunNmcli({"connection", "up", "id", name}, kDialTimeoutMs))
      notify(kRasConnected, 0);
    else
      notify(0, kDeviceError);
  }).detach();
  return 0;
}

unsigned TNmcliRasAdapter::GetConnectStatus(TRasHandle handle) {
  const std::string entry = EntryOf(handle);
  TStringList active;
  if (!ListNames(true, active)) return kNoConnection;
  for (const std::string& name : active)
    if (name == entry) return 0;
  return kErrorInvalidHandle;
}

unsigned TNmcliRasAdapter::HangUp(TRasHandle handle) {
  const std::string entry = EntryOf(handle);
  if (entry.empty()) return kErrorInvalidHandle;
  return RunNmcli({"connection", "down", "id", QString::fromStdString(entry)}, kQueryTimeoutMs)
             ? 0
             : kNoConnection;
}

bool TNmcliRasAdapter::EditEntry(const std::string& entry) {
  (void)entry;
  return QProcess::startDetached("nm-connection-editor", {});
}

bool TNmcliRasAdapter::CreateEntry() {
  // The editor runs on its own; the new entry shows when the phone book is read again.
  return false;
}

std::string TNmcliRasAdapter::IpAddress(TRasHandle handle) {
  const std::string entry = EntryOf(handle);
  std::string output;
  if (entry.empty() ||
      !RunNmcli({"-g", "IP4.ADDRESS", "connection", "show", "id", QString::fromStdString(entry)},
                kQueryTimeoutMs, &output))
    return "";
  const std::string first = Trim(Split(output, '\n').front());
  return first.substr(0, first.find('/'));
}

}  // namespace vaultora
