#pragma once
// The names a user gives a backup: its full ID ("46365.0191279745"), the ID's file-name form
// ("46365_0191279745", also with an extension), any prefix of either that only one backup has,
// "latest" and "latest~N" (the newest backup, and the Nth before it, by start time), or a title
// that only one backup has. The command line and the windows both name backups this way, and
// both show the short form: the shortest prefix that still names only that backup.

#include <string>
#include <vector>

#include "catalogue/catalogue.h"

namespace vaultora {

struct TBackupNameMatch {
  enum TResult { nmFound, nmUnknown, nmAmbiguous };
  TResult Result = nmUnknown;
  std::string Id;                           // nmFound: the backup's ID
  std::vector<TCatalogueEntry> Candidates;  // nmAmbiguous: the backups it fits, oldest first
  // nmUnknown and nmAmbiguous: what was wrong, in words ("no backup is named \"x\"").
  std::string Problem;
};

class TBackupNames {
 public:
  // The shortest short form shows the day number and this many digits of the time at least, so
  // that it stays readable and does not change with every new backup.
  static constexpr size_t kMinFractionDigits = 3;

  explicit TBackupNames(std::vector<TCatalogueEntry> entries);

  TBackupNameMatch Resolve(const std::string& name) const;
  // The shortest prefix of id (kMinFractionDigits at least) that Resolve takes for id alone.
  std::string ShortName(const std::string& id) const;
  // The backups "latest~N" counts, newest first: every one but those marked for deletion and
  // those that failed (no finish time).
  std::vector<std::string> NewestFirst() const;

 private:
  std::vector<TCatalogueEntry> FEntries;  // oldest first
};

// The start time of a backup from its ID (0 when the ID is not a day number).
TDateTime BackupStarted(const std::string& id);

}  // namespace vaultora
