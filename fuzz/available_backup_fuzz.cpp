// The available-backup record: parsing never reads past the record, and a parsed record built
// again parses to the same fields.
#include <cstddef>
#include <cstdlib>

#include "backupset/available_backup.h"

using namespace vaultora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> record(data, data + size);
  const std::optional<TAvailableBackup> parsed = ParseAvailableBackup(record);
  if (!parsed) return 0;
  const std::optional<TAvailableBackup> again = ParseAvailableBackup(BuildAvailableBackup(*parsed));
  if (!again || again->ArchiveName != parsed->ArchiveName || again->FileList != parsed->FileList ||
      again->BackupId() != parsed->BackupId())
    std::abort();
  return 0;
}
