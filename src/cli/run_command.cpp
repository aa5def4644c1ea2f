// vaultora-cli run: the tray client without the tray. The schedules go into the alarm clock; when
// one fires its backup runs, Send & Receive follows, and the completion rules decide about
// retries and hanging up, until Ctrl+C or TERM ends the program cleanly (a backup in progress is
// cancelled and removed, transfers are stopped as their Stop button would).
#include <cstdio>

#include "app/runtime/main_messages.h"
#include "cli/backup_progress.h"
#include "cli/cli_command.h"
#include "cli/online_run.h"
#include "platform/text.h"
#include "schedule/runtime/alarm_clock.h"
#include "schedule/runtime/load_schedules.h"
#include "schedule/schedule_record.h"
#include "settings/registry_keys.h"

namespace vaultora::cli {

namespace {

constexpr long long kMaxCheckSeconds = 60;

int Run(const TArgs& args) {
  long long checkSeconds = 20;
  if (const std::string every = OptionValue(args, "--check-every"); !every.empty()) {
    if (!TryStrToInt(every, checkSeconds) || checkSeconds < 1 || checkSeconds > kMaxCheckSeconds)
      return UsageError("--check-every takes a number of seconds from 1 to 60");
  }
  const bool send = !HasFlag(args, "--no-send");
  TOnlineRun online;
  if (!online.CheckSetup()) return 1;
  TIniRegistryEditor& store = online.Store();
  TAlarmClock clock;
  clock.SetTimerInterval(static_cast<uint32_t>(checkSeconds * 1000));
  clock.OnNotifyStatus = [](TAlarmClock&, const std::string& status) { PrintLine(status); };
  // The alarm names its schedule; the queue hears of it by the schedule's place in the list, as
  // the main window does, so that the backup runs outside the clock's own event.
  const auto onAlarm = [&online, &store](TAlarm& alarm, uint32_t) {
    const TStringList names = ScheduleNames(store);
    for (size_t i = 0; i < names.size(); ++i)
      if (SameText(names[i], alarm.Description))
        online.Queue().Receiver().Post(WM_USER + messages::TWM_DOSCHEDULEDBACKUP,
                                       static_cast<intptr_t>(i));
  };
  const auto load = [&] {
    LoadSchedules(store, clock, onAlarm);
    store.SetFilename(keys::kBaseKey);
  };
  online.Queue().OnLoadSchedules = load;
  online.Queue().OnRunBackup = [&](const std::string& name) {
    PrintLine("Scheduled backup \"" + name + "\"");
    return RunBackupShowingProgress(store, name, send);
  };
  load();
  if (!clock.Active())
    return Fail(clock.AlarmList().Count() == 0
                    ? "no enabled schedule has a time: see vaultora-cli schedule"
                    : "scheduled backups are switched off (Preferences Enabled)");
  for (int i = 0; i < clock.AlarmList().Count(); ++i) {
    const TAlarm& alarm = clock.AlarmList()[i];
    char time[16];
    std::snprintf(time, sizeof time, "%02u:%02u", static_cast<unsigned>(alarm.Hour()),
                  static_cast<unsigned>(alarm.Min()));
    PrintLine("Alarm at " + std::string(time) + " for schedule \"" + alarm.Description + "\"");
  }
  PrintLine("Waiting for the schedules; Ctrl+C stops");
  online.RunUntil([] { return false; });
  clock.SetActive(false);
  PrintLine("Stopped");
  return online.TransfersFailed() == 0 ? 0 : 1;
}

const TCliRegistrar kRun({"run", "[--no-send] [--check-every SECONDS]",
                          "stay in the foreground like the tray client: run each schedule's "
                          "backup when it is due and send it, until Ctrl+C or TERM",
                          Run});

}  // namespace

}  // namespace vaultora::cli
