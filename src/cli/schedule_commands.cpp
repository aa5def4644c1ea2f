// vaultora-cli schedule list|show|set|rename|delete: the stored schedules without the wizard.
#include <algorithm>
#include <cstdio>
#include <optional>

#include "cli/cli_command.h"
#include "cli/output.h"
#include "platform/folders.h"
#include "platform/json_writer.h"
#include "platform/prompts.h"
#include "schedule/schedule_due.h"
#include "schedule/schedule_edit.h"
#include "schedule/schedule_record.h"
#include "settings/ini_registry_editor.h"

namespace vaultora::cli {

namespace {

namespace sv = schedule_values;

const std::vector<std::string> kSetValueOptions = {"--weekly", "--monthly", "--months", "--time",
                                                   "--title",  "--list",    "--expire"};
TIniRegistryEditor& Store() {
  static TIniRegistryEditor store;
  store.SetRootKey(rtHKEY_CURRENT_USER);
  return store;
}

// Message texts may hold a carriage return as their line break.
int FailText(const std::string& text) {
  return Fail(ReplaceAll(text, "\r", "\n"));
}

// The stored name of the schedule typed, or "" after saying that there is none.
std::string ExistingName(TIniRegistryEditor& store, const std::string& typed) {
  const std::string name = FindScheduleName(store, typed);
  if (name.empty()) Fail("no schedule \"" + typed + "\"");
  return name;
}

std::string SeriesText(const TScheduleRecord& r) {
  if (r.AppendBackup.empty()) return "full";
  if (r.AppendBackup == sv::kIncrementalSeries) return "incremental (starts with the next run)";
  return "incremental, appends to " + r.AppendBackup;
}

std::string ExpiryText(const TScheduleRecord& r) {
  return r.Expires ? "after " + std::to_string(r.ExpireDays) + " day(s)" : "never";
}

std::string OrNone(const std::string& text) {
  return text.empty() ? "-" : text;
}

std::string ListText(const std::string& path) {
  if (path.empty()) return "-";
  return FileExists(path) ? path : path + " (missing)";
}

// A moment of the schedule's runs, to the minute, year first.
std::string WhenText(TDateTime when) {
  if (when <= 0) return "-";
  const TDateParts p = DecodeDateTime(when);
  return Format("%04d-%02d-%02d %02d:%02d", p.year, p.month, p.day, p.hour, p.minute);
}

std::string LastRunText(const TScheduleRecord& r) {
  return r.LastRun > 0 ? WhenText(r.LastRun) : "never";
}

// The next run of an enabled schedule; a disabled one never runs.
std::string NextRunText(const TScheduleRecord& r) {
  if (!r.Enabled) return "-";
  const TDateTime next = NextDueTime(r, Now());
  return next > 0 ? WhenText(next) : "never";
}

// One schedule as its JSON object (docs/cli_json.md); times are ISO 8601, absent ones null.
void ScheduleJson(TJsonWriter& json, const TScheduleRecord& r) {
  const TDateTime next = r.Enabled ? NextDueTime(r, Now()) : 0;
  json.BeginObject()
      .Field("name", r.Name)
      .Field("enabled", r.Enabled)
      .Field("type", ScheduleTypeText(r.BackupType))
      .OptionalField("time", r.Time)
      .OptionalField("days", ScheduleDaysText(r))
      .OptionalField("lastRun", r.LastRun > 0 ? IsoDateTimeText(r.LastRun) : "")
      .OptionalField("nextRun", next > 0 ? IsoDateTimeText(next) : "")
      .OptionalField("title", r.BackupTitle)
      .Field("series", SeriesText(r))
      .Key("expireDays");
  r.Expires ? json.Number(static_cast<int64_t>(r.ExpireDays)) : json.Null();
  json.OptionalField("fileList", r.DefaultSession)
      .Field("fileListHere", !r.DefaultSession.empty() && FileExists(r.DefaultSession))
      .EndObject();
}

int List(const TArgs&) {
  TIniRegistryEditor& store = Store();
  const TStringList names = ScheduleNames(store);
  if (OutputMode().Json) {
    TJsonWriter json;
    json.BeginArray();
    for (const std::string& name : names)
      ScheduleJson(json, LoadSchedule(store, name));
    PrintJson(json.EndArray());
    return 0;
  }
  if (names.empty()) {
    std::printf("No schedules.\n");
    return 0;
  }
  std::vector<TStringList> rows = {{"Name", "Enabled", "Type", "Time", "Days", "Last run",
                                    "Next run", "Title", "Backups", "Expires", "File list"}};
  for (const std::string& name : names) {
    const TScheduleRecord r = LoadSchedule(store, name);
    rows.push_back({name, r.Enabled ? "yes" : "no", ScheduleTypeText(r.BackupType), OrNone(r.Time),
                    OrNone(ScheduleDaysText(r)), LastRunText(r), NextRunText(r),
                    OrNone(r.BackupTitle), SeriesText(r), ExpiryText(r),
                    ListText(r.DefaultSession)});
  }
  std::vector<size_t> widths(rows[0].size(), 0);
  for (const TStringList& row : rows)
    for (size_t c = 0; c < row.size(); ++c)
      widths[c] = std::max(widths[c], row[c].size());
  for (const TStringList& row : rows) {
    std::string line;
    for (size_t c = 0; c + 1 < row.size(); ++c)
      line += row[c] + std::string(widths[c] - row[c].size() + 2, ' ');
    std::printf("%s\n", (line + row.back()).c_str());
  }
  return 0;
}

int Show(const TArgs& args) {
  const TArgs positional = Positional(args, {});
  if (positional.size() != 1) return UsageError("usage: schedule show NAME");
  TIniRegistryEditor& store = Store();
  const std::string name = ExistingName(store, positional[0]);
  if (name.empty()) return 1;
  const TScheduleRecord r = LoadSchedule(store, name);
  const std::pair<const char*, std::string> lines[] = {
      {"Name", name},
      {"Enabled", r.Enabled ? "yes" : "no"},
      {"Type", ScheduleTypeText(r.BackupType)},
      {"Time", OrNone(r.Time)},
      {"Days", OrNone(ScheduleDaysText(r))},
      {"Last run", LastRunText(r)},
      {"Next run", NextRunText(r)},
      {"Title", OrNone(r.BackupTitle)},
      {"Backup number", r.IncludeBackupNo ? "in the title" : "no"},
      {"Backups", SeriesText(r)},
      {"Expires", ExpiryText(r)},
      {"File list", ListText(r.DefaultSession)}};
  for (const auto& [label, value] : lines)
    std::printf("%-14s %s\n", (std::string(label) + ":").c_str(), value.c_str());
  if (const std::string note = ShortMonthsNote(r); !note.empty()) std::printf("%s\n", note.c_str());
  return 0;
}

// The options of "schedule set" (main has refused those its usage does not name); "" when they
// do not contradict each other.
std::string ReadSetOptions(const TArgs& args, TScheduleChange& change) {
  auto has = [&](const char* flag) { return HasFlag(args, flag); };
  auto value = [&](const char* option) { return GivenValue(args, option); };
  auto either = [&](const char* on, const char* off) -> std::optional<bool> {
    if (has(on)) return true;
    if (has(off)) return false;
    return std::nullopt;
  };
  const int types = has("--daily") + !!value("--weekly") + !!value("--monthly");
  if (types > 1) return "give one of --daily, --weekly and --monthly";
  for (const auto& [on, off] : {std::pair{"--incremental", "--full"},
                                {"--enable", "--disable"},
                                {"--include-backup-no", "--no-backup-no"}})
    if (has(on) && has(off)) return std::string(on) + " and " + off + " exclude each other";
  if (value("--expire") && has("--no-expire")) return "--expire and --no-expire exclude each other";

  if (has("--daily")) change.Type = stDaily;
  if ((change.Weekdays = value("--weekly"))) change.Type = stWeekly;
  if ((change.DayNo = value("--monthly"))) change.Type = stMonthly;
  change.Months = value("--months");
  change.Time = value("--time");
  change.Title = value("--title");
  change.FileList = value("--list");
  if (change.FileList) change.FileList = AbsolutePath(*change.FileList);
  change.Expiry = has("--no-expire") ? std::optional<std::string>("") : value("--expire");
  change.Incremental = either("--incremental", "--full");
  change.IncludeBackupNo = either("--include-backup-no", "--no-backup-no");
  change.Enabled = either("--enable", "--disable");
  return "";
}

int Set(const TArgs& args) {
  TScheduleChange change;
  if (const std::string error = ReadSetOptions(args, change); !error.empty()) return Fail(error);
  const TArgs positional = Positional(args, kSetValueOptions);
  if (positional.size() != 1) return UsageError("usage: schedule set NAME OPTIONS (see --help)");
  const TScheduleSetResult result = SetSchedule(Store(), positional[0], change);
  if (!result.Error.empty()) return FailText(result.Error);
  std::printf("Schedule \"%s\" %s.\n", result.Name.c_str(), result.Created ? "created" : "changed");
  const TScheduleRecord saved = LoadSchedule(Store(), result.Name);
  if (const std::string note = ShortMonthsNote(saved); !note.empty())
    std::printf("%s\n", note.c_str());
  return 0;
}

int Rename(const TArgs& args) {
  const TArgs positional = Positional(args, {});
  if (positional.size() != 2) return UsageError("usage: schedule rename OLD NEW");
  TIniRegistryEditor& store = Store();
  const std::string old = ExistingName(store, positional[0]);
  if (old.empty()) return 1;
  const std::string name = Trim(positional[1]);
  if (const std::string error = ScheduleNameError(store, name, old); !error.empty())
    return FailText(error);
  if (!RenameSchedule(store, old, name)) return 1;
  std::printf("Schedule \"%s\" renamed to \"%s\".\n", old.c_str(), name.c_str());
  return 0;
}

int Delete(const TArgs& args) {
  const TArgs positional = Positional(args, {});
  if (positional.size() != 1) return UsageError("usage: schedule delete NAME");
  TIniRegistryEditor& store = Store();
  const std::string name = ExistingName(store, positional[0]);
  if (name.empty()) return 1;
  if (!AskQuestion("Are you sure you want to remove this schedule ?"))
    return Fail("schedule \"" + name + "\" kept");
  DeleteSchedule(store, name);
  std::printf("Schedule \"%s\" deleted.\n", name.c_str());
  return 0;
}

const TCliRegistrar kList({"schedule list", "[--json]",
                           "every schedule: enabled, type, time, days, last and next run, "
                           "title, backups, expiry, file list",
                           List});
const TCliRegistrar kShow({"schedule show", "NAME", "print one schedule", Show});
const TCliRegistrar kSet(
    {"schedule set",
     "NAME [--daily | --weekly DAYS | --monthly DAY --months MONTHS] [--time HH:MM[:SS]]\n"
     "                           [--title T] [--list FILE] [--incremental | --full]\n"
     "                           [--expire DAYS | --no-expire] [--include-backup-no | "
     "--no-backup-no]\n"
     "                           [--enable | --disable]",
     "create a schedule, or change the options given of a stored one. DAYS: Sunday..Saturday\n"
     "    or 1..7 (1 = Sunday), MONTHS: January..December, 1..12 or all, comma separated; names\n"
     "    may be cut to three letters. A new schedule needs a type, a time, a title and a file\n"
     "    list (copied into the working folder as the schedule's own list)",
     Set});
const TCliRegistrar kRename({"schedule rename", "OLD NEW", "give a schedule another name", Rename});
const TCliRegistrar kDelete({"schedule delete", "NAME",
                             "remove a schedule and its file list (asks first; --yes answers)",
                             Delete});

}  // namespace

}  // namespace vaultora::cli
