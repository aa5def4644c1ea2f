#include "connect/option_summary.h"

#include <algorithm>
#include <fstream>

#include "platform/processor_count.h"

namespace vaultora {

namespace {

const char* OnOff(bool on) {
  return on ? "yes" : "no";
}

template <size_t N>
std::string Item(const char* const (&items)[N], int32_t index) {
  return index >= 0 && static_cast<size_t>(index) < N ? Trim(items[index]) : "(none)";
}

}  // namespace

TPowerStates ReadPowerStates(const std::string& stateFile) {
  std::ifstream file(stateFile);
  std::string states;
  if (!file || !std::getline(file, states)) return {};  // unknown: assume both
  const TStringList words = Split(states, ' ');
  auto has = [&](const char* word) {
    return std::find(words.begin(), words.end(), word) != words.end();
  };
  return {has("mem") || has("freeze"), has("disk")};
}

std::string ShutDownMeaning(int32_t action, int32_t technique, const TPowerStates& states) {
  switch (action) {
    case 0:
      if (technique == 1)
        return states.Suspend ? "Suspends this computer to memory (systemctl suspend)."
                              : "Would suspend to memory, but this computer does not offer it.";
      return states.Hibernate ? "Hibernates this computer to disk (systemctl hibernate)."
                              : "Would hibernate to disk, but this computer does not offer it "
                                "(choose \"RAM-alive\" to suspend instead).";
    case 1:
      return "Powers this computer off (systemctl poweroff).";
    case 2:
      return "Restarts this computer (systemctl reboot).";
    case 3:
      return "Runs the shell command below, then leaves the computer running.";
    case 4:
      return "Ends your desktop session (loginctl terminate-session).";
    default:
      return "";
  }
}

TStringList OptionSummary(const TOptionSetup& setup) {
  const TOptionValues& v = setup.Values;
  TStringList lines;
  lines.push_back(std::string("Run at startup: ") + OnOff(v.RunAtStartup));
  lines.push_back(std::string("Remove from the taskbar: ") + OnOff(v.RemoveFromTaskbar));
  lines.push_back(std::string("Scheduled backups: ") + OnOff(v.ScheduledBackups));
  if (v.ScheduledBackups && v.CatchUpMissed)
    lines.push_back("Missed schedules run " + IntToStr(v.CatchUpDelay) +
                    " minute(s) after start or wake-up");
  lines.push_back(std::string("Keep log files: ") + OnOff(v.KeepLogFiles) + ", at most " +
                  IntToStr(v.MaxLogFileSize) + " KB");
  if (setup.KeyUnlocked() && !Trim(setup.NewKey()).empty())
    lines.push_back(setup.HasStoredKey() ? "Encryption key: changed to the new key"
                                         : "Encryption key: the key entered");
  else
    lines.push_back(setup.HasStoredKey() ? "Encryption key: unchanged"
                                         : "Encryption key: none (backups cannot be made)");
  lines.push_back(v.PrivateFileList ? "File lists: sent enciphered under your key"
                                    : "File lists: sent readable by the backup server");
  lines.push_back("Compression: " + Item(kCompressionTypeItems, v.CompressionType));
  lines.push_back("Compression threads: " +
                  (v.CompressionThreads > 0
                       ? IntToStr(v.CompressionThreads)
                       : "every core (" + IntToStr(ProcessorCount()) + " here)"));
  lines.push_back("Working folder: " +
                  (Trim(v.WorkingFolder).empty() ? std::string("(default)") : v.WorkingFolder));
  lines.push_back(std::string("Reconnect automatically: ") + OnOff(v.AutoReconnect) +
                  "; disconnect when finished: " + OnOff(v.DisconnectWhenFinished));
  lines.push_back("Redial " + IntToStr(v.DialRetry) + " time(s), " + IntToStr(v.DialWait) +
                  " minute(s) apart");
  lines.push_back("Transmit buffer: " + IntToStr(v.TransmitBufferSize) + " bytes, priority " +
                  Item(kThreadPriorityItems, v.TransmitPriority));
  lines.push_back("Receive buffer: " + IntToStr(v.ReceiveBufferSize) + " bytes, priority " +
                  Item(kThreadPriorityItems, v.ReceivePriority));
  if (v.PromptBeforeShutdown)
    lines.push_back("Before shut down: ask for a backup, then " +
                    Item(kShutDownActionItems, v.ShutDownAction) + " after " +
                    IntToStr(v.ShutdownTimeout) + " second(s)");
  else
    lines.push_back("Before shut down: do not ask for a backup");
  if (v.EMailNotification) lines.push_back("E-mail notification to " + Trim(v.EMailAddress));
  if (v.SMSNotification) lines.push_back("SMS notification to " + Trim(v.SMSNumber));
  return lines;
}

}  // namespace vaultora
