#pragma once
// TBackupStore: the archives the accounts uploaded. Files live under the storage folder:
//   data/<account id>/partial/<name>   an upload that has not been ended yet
//   data/<account id>/complete/<name>  a complete backup, ready to download
//   data/<account id>/storage/<name>   a complete backup moved "into storage" by the admin
// Their descriptions are rows of the metadata database. Bytes are on the disk (fsync) before
// any count that includes them is reported, and a complete backup changes state only by a
// rename and a committed row, so killing the server at any moment loses nothing acknowledged.
// Thread-safe: metadata under the database's lock, one upload per backup name at a time.

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "server/server_database.h"

namespace vaultora::server {

struct TBackupInfo {
  std::string Name;  // the archive file name
  std::string Title;
  std::string FileListName;
  double Started = 0;
  double Finished = 0;
  int64_t Size = 0;
  std::string Mac;
  std::vector<uint8_t> FileList;  // enciphered by the client
  std::string Incremental;
  bool InStorage = false;
};

class TBackupStore {
 public:
  TBackupStore(TServerDatabase& db, std::string folder);

  // Names from clients are plain file names: no path separator, no "..", no control bytes.
  static bool ValidName(const std::string& name);

  // Starts or resumes an upload. A partial upload of the same size and MAC keeps its bytes;
  // any other starts empty. Returns the upload's token, 0 when refused. The latest begin wins:
  // a client that reconnects after a cut takes the upload over from its dead connection,
  // whose token is then no longer current.
  uint64_t BeginUpload(int64_t account, const TBackupInfo& info);
  bool IsCurrentUpload(int64_t account, const std::string& name, uint64_t token);
  void ReleaseUpload(int64_t account, const std::string& name, uint64_t token);
  std::string PartialPath(int64_t account, const std::string& name) const;
  // Bytes of the partial upload durably held (flushed first).
  int64_t HeldBytes(int64_t account, const std::string& name);
  // Makes the upload complete when the bytes held equal the announced size.
  bool EndUpload(int64_t account, const std::string& name, uint64_t token, double now);

  std::optional<TBackupInfo> Find(int64_t account, const std::string& name);
  std::string CompletePath(int64_t account, const std::string& name) const;
  void RecordDownload(int64_t account, const std::string& name, double today);
  // All or nothing: false, and nothing deleted, when any name is not held.
  bool Delete(int64_t account, const std::vector<std::string>& names);
  // The complete backups in the order they were completed.
  std::vector<TBackupInfo> Complete(int64_t account);
  // Moves a complete backup into storage or back; false when it is not held.
  bool SetInStorage(int64_t account, const std::string& name, bool inStorage);
  void RemoveAccountFiles(int64_t account);

 private:
  std::string Folder(int64_t account, const char* kind) const;
  void Recover();

  TServerDatabase& FDb;
  std::string FFolder;  // with a trailing '/'
  std::mutex FUploadsMutex;
  std::map<std::pair<int64_t, std::string>, uint64_t> FUploads;  // guarded by FUploadsMutex
  uint64_t FLastToken = 0;                                       // guarded by FUploadsMutex
};

}  // namespace vaultora::server
