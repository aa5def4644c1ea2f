#pragma once
// The few file operations whose order makes the storage crash-safe.

#include <cstdint>
#include <string>

namespace vaultora::server {

// Flushes a file or a folder to the disk; false when it cannot be opened or flushed.
bool SyncPath(const std::string& path);
// Renames within one file system and flushes both folders.
bool DurableRename(const std::string& from, const std::string& to);
// Creates an empty file (truncating one that exists) and flushes it and its folder.
bool CreateEmptyFile(const std::string& path);
// Size of a regular file, -1 when there is none.
int64_t SizeOfFile(const std::string& path);

}  // namespace vaultora::server
