#pragma once
// The image of one backup that the available-backups command sends: nine fields, each an
// int32 little-endian byte count and the bytes (archive name, title, file-list name, start and
// finish time as 8-byte doubles, size as int32, MAC, incremental mark, enciphered file list).

#include <cstdint>
#include <string>
#include <vector>

#include "server/backup_store.h"

namespace vaultora::server {

std::vector<uint8_t> BackupImage(const TBackupInfo& info);

// A backup is named after the date-time it was started: the name without its extension, with
// every "_" turned into ".", is that day number. 0 when the name is not one.
double StartedFromName(const std::string& archiveName);

}  // namespace vaultora::server
