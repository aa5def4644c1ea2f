#pragma once
// The few file operations whose order makes the storage crash-safe.

#include <chrono>
#include <cstddef>
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

// The partial file of an upload, open from one upload command to the next. What is written
// reaches the disk when Sync is called (before a count is reported, when the upload ends or is
// left) and otherwise once a second at most (SyncIfDue), so that a long upload never waits for a
// flush of every piece it receives.
class TUploadFile {
 public:
  static constexpr std::chrono::milliseconds kSyncInterval{1000};

  TUploadFile() = default;
  ~TUploadFile() { Close(); }
  TUploadFile(const TUploadFile&) = delete;
  TUploadFile& operator=(const TUploadFile&) = delete;

  // Opens an existing file for writing; false when it cannot be opened.
  bool Open(const std::string& path);
  bool IsOpen() const { return FFd >= 0; }
  const std::string& Path() const { return FPath; }
  // The bytes the file holds, -1 when that cannot be read.
  int64_t Size() const;
  bool WriteAt(const void* data, size_t count, int64_t offset);
  // Whether the disk has room for count bytes written from offset (beyond what the file holds);
  // true when that cannot be told. Nothing is allocated: a write can still meet a full disk.
  bool HasRoomFor(int64_t offset, int64_t count) const;
  // Flushes what was written since the last flush; false when the disk refused.
  bool Sync();
  // Sync, when the last flush is a second or more ago; true when nothing was due.
  bool SyncIfDue();
  // Flushes what is pending and closes; false when the flush failed.
  bool Close();

 private:
  using TClock = std::chrono::steady_clock;
  int FFd = -1;
  std::string FPath;
  bool FPending = false;
  TClock::time_point FSyncedAt;
};

}  // namespace vaultora::server
