#include "server/backup_store.h"

#include <filesystem>

#include "platform/folders.h"
#include "platform/plain_file_name.h"
#include "platform/text.h"
#include "server/durable_files.h"

namespace vaultora::server {

namespace {

constexpr const char* kColumns =
    "name, title, file_list_name, started, finished, size, mac, file_list, incremental, "
    "in_storage";

TBackupInfo ReadInfo(const TStatement& row) {
  TBackupInfo info;
  info.Name = row.Text(0);
  info.Title = row.Text(1);
  info.FileListName = row.Text(2);
  info.Started = row.Real(3);
  info.Finished = row.Real(4);
  info.Size = row.Integer(5);
  info.Mac = row.Text(6);
  info.FileList = row.Blob(7);
  info.Incremental = row.Text(8);
  info.InStorage = row.Integer(9) != 0;
  return info;
}

std::string Select(const char* where) {
  return std::string("SELECT ") + kColumns + " FROM backups WHERE " + where;
}

std::optional<TBackupInfo> FindRow(TServerDatabase& db, int64_t account, const std::string& name,
                                   int complete) {
  TStatement find(db, Select("account = ? AND name = ? AND complete = ?").c_str());
  find.Bind(1, account).Bind(2, name).Bind(3, static_cast<int64_t>(complete));
  if (!find.Step()) return std::nullopt;
  return ReadInfo(find);
}

// The partial row of the name becomes its complete row, replacing an older complete one.
void PromoteRow(TServerDatabase& db, int64_t account, const std::string& name, double now) {
  TTransaction transaction(db);
  TStatement(db, "DELETE FROM backups WHERE account = ? AND name = ? AND complete = 1")
      .Bind(1, account)
      .Bind(2, name)
      .Run();
  TStatement(db,
             "UPDATE backups SET complete = 1, in_storage = 0, uploaded = ? "
             "WHERE account = ? AND name = ? AND complete = 0")
      .Bind(1, now)
      .Bind(2, account)
      .Bind(3, name)
      .Run();
  transaction.Commit();
}

}  // namespace

TBackupStore::TBackupStore(TServerDatabase& db, std::string folder)
    : FDb(db), FFolder(IncludeTrailingSlash(folder)) {
  Recover();
}

bool TBackupStore::ValidName(const std::string& name) {
  return IsPlainFileName(name);
}

std::string TBackupStore::Folder(int64_t account, const char* kind) const {
  return FFolder + "data/" + IntToStr(account) + "/" + kind + "/";
}

std::string TBackupStore::PartialPath(int64_t account, const std::string& name) const {
  return Folder(account, "partial") + name;
}

std::string TBackupStore::CompletePath(int64_t account, const std::string& name) const {
  return Folder(account, "complete") + name;
}

uint64_t TBackupStore::BeginUpload(int64_t account, const TBackupInfo& info) {
  if (!ValidName(info.Name) || !ValidName(info.FileListName) || info.Size < 0) return 0;
  uint64_t token = 0;
  {
    std::lock_guard<std::mutex> uploads(FUploadsMutex);
    token = FUploads[{account, info.Name}] = ++FLastToken;
  }
  try {
    auto lock = FDb.Lock();
    const std::string path = PartialPath(account, info.Name);
    const std::optional<TBackupInfo> partial = FindRow(FDb, account, info.Name, 0);
    const bool resume = partial && partial->Size == info.Size && partial->Mac == info.Mac &&
                        SizeOfFile(path) >= 0 && SizeOfFile(path) <= info.Size;
    if (!resume) {
      if (!ForceDirectories(ExtractFilePath(path)) || !CreateEmptyFile(path))
        throw EServerError("Cannot create the upload file \"" + path + "\"");
    }
    TTransaction transaction(FDb);
    TStatement(FDb, "DELETE FROM backups WHERE account = ? AND name = ? AND complete = 0")
        .Bind(1, account)
        .Bind(2, info.Name)
        .Run();
    TStatement(FDb,
               "INSERT INTO backups(account, name, complete, title, file_list_name, started, "
               "finished, size, mac, file_list, incremental) "
               "VALUES(?, ?, 0, ?, ?, ?, ?, ?, ?, ?, ?)")
        .Bind(1, account)
        .Bind(2, info.Name)
        .Bind(3, info.Title)
        .Bind(4, info.FileListName)
        .Bind(5, info.Started)
        .Bind(6, info.Finished)
        .Bind(7, info.Size)
        .Bind(8, info.Mac)
        .BindBlob(9, info.FileList)
        .Bind(10, info.Incremental)
        .Run();
    transaction.Commit();
    return token;
  } catch (...) {
    ReleaseUpload(account, info.Name, token);
    throw;
  }
}

bool TBackupStore::IsCurrentUpload(int64_t account, const std::string& name, uint64_t token) {
  std::lock_guard<std::mutex> uploads(FUploadsMutex);
  const auto found = FUploads.find({account, name});
  return found != FUploads.end() && found->second == token;
}

void TBackupStore::ReleaseUpload(int64_t account, const std::string& name, uint64_t token) {
  std::lock_guard<std::mutex> uploads(FUploadsMutex);
  const auto found = FUploads.find({account, name});
  if (found != FUploads.end() && found->second == token) FUploads.erase(found);
}

int64_t TBackupStore::HeldBytes(int64_t account, const std::string& name) {
  const std::string path = PartialPath(account, name);
  if (!SyncPath(path)) return 0;
  return std::max<int64_t>(0, SizeOfFile(path));
}

bool TBackupStore::EndUpload(int64_t account, const std::string& name, uint64_t token, double now) {
  if (!IsCurrentUpload(account, name, token)) return false;
  auto lock = FDb.Lock();
  const std::optional<TBackupInfo> partial = FindRow(FDb, account, name, 0);
  const std::string from = PartialPath(account, name);
  if (!partial || !SyncPath(from) || SizeOfFile(from) != partial->Size) return false;
  const std::optional<TBackupInfo> old = FindRow(FDb, account, name, 1);
  const std::string to = CompletePath(account, name);
  if (!ForceDirectories(ExtractFilePath(to)) || !DurableRename(from, to)) return false;
  PromoteRow(FDb, account, name, now);
  if (old && old->InStorage) DeleteFile(Folder(account, "storage") + name);
  return true;
}

std::optional<TBackupInfo> TBackupStore::Find(int64_t account, const std::string& name) {
  auto lock = FDb.Lock();
  return FindRow(FDb, account, name, 1);
}

void TBackupStore::RecordDownload(int64_t account, const std::string& name, double today) {
  auto lock = FDb.Lock();
  TStatement(FDb,
             "UPDATE backups SET downloaded = ? WHERE account = ? AND name = ? AND complete = 1")
      .Bind(1, today)
      .Bind(2, account)
      .Bind(3, name)
      .Run();
}

bool TBackupStore::Delete(int64_t account, const std::vector<std::string>& names) {
  auto lock = FDb.Lock();
  TTransaction transaction(FDb);
  for (const std::string& name : names) {
    if (!ValidName(name)) return false;
    TStatement remove(FDb, "DELETE FROM backups WHERE account = ? AND name = ?");
    remove.Bind(1, account).Bind(2, name).Run();
    if (sqlite3_changes(FDb.Handle()) == 0) return false;  // rolls everything back
  }
  transaction.Commit();
  // The rows are gone for good; a file left by a crash here is removed at the next start.
  for (const std::string& name : names)
    for (const char* kind : {"partial", "complete", "storage"})
      DeleteFile(Folder(account, kind) + name);
  return true;
}

std::vector<TBackupInfo> TBackupStore::Complete(int64_t account) {
  auto lock = FDb.Lock();
  std::vector<TBackupInfo> backups;
  TStatement list(FDb, Select("account = ? AND complete = 1 ORDER BY uploaded, id").c_str());
  list.Bind(1, account);
  while (list.Step())
    backups.push_back(ReadInfo(list));
  return backups;
}

bool TBackupStore::SetInStorage(int64_t account, const std::string& name, bool inStorage) {
  auto lock = FDb.Lock();
  const std::optional<TBackupInfo> info = FindRow(FDb, account, name, 1);
  if (!info) return false;
  if (info->InStorage != inStorage) {
    const std::string from = Folder(account, inStorage ? "complete" : "storage") + name;
    const std::string to = Folder(account, inStorage ? "storage" : "complete") + name;
    if (!ForceDirectories(ExtractFilePath(to)) || !DurableRename(from, to)) return false;
  }
  TStatement(FDb,
             "UPDATE backups SET in_storage = ? WHERE account = ? AND name = ? AND complete = 1")
      .Bind(1, static_cast<int64_t>(inStorage ? 1 : 0))
      .Bind(2, account)
      .Bind(3, name)
      .Run();
  return true;
}

void TBackupStore::RemoveAccountFiles(int64_t account) {
  std::error_code ignored;
  std::filesystem::remove_all(FFolder + "data/" + IntToStr(account), ignored);
}

void TBackupStore::Recover() {
  // Finish what a killed server left between a rename and its row (an upload renamed to
  // complete, a backup moved into or out of storage), then drop files that no row names.
  auto lock = FDb.Lock();
  struct TRow {
    int64_t Account;
    bool Complete;
    TBackupInfo Info;
  };
  std::vector<TRow> rows;
  {
    TStatement all(
        FDb, (std::string("SELECT ") + kColumns + ", account, complete FROM backups").c_str());
    while (all.Step())
      rows.push_back({all.Integer(10), all.Integer(11) != 0, ReadInfo(all)});
  }
  // Files are compared by account, kind and name, never by the spelling of the folder.
  std::set<std::string> named;
  const auto key = [](int64_t account, const std::string& kind, const std::string& name) {
    return IntToStr(account) + "/" + kind + "/" + name;
  };
  for (const TRow& row : rows) {
    const std::string& name = row.Info.Name;
    const std::string partial = PartialPath(row.Account, name);
    const std::string complete = CompletePath(row.Account, name);
    const std::string stored = Folder(row.Account, "storage") + name;
    if (!row.Complete && SizeOfFile(partial) < 0 && SizeOfFile(complete) == row.Info.Size) {
      PromoteRow(FDb, row.Account, name, 0);
      named.insert(key(row.Account, "complete", name));
      continue;
    }
    if (row.Complete) {
      const bool inStorage = row.Info.InStorage
                                 ? SizeOfFile(stored) >= 0 || SizeOfFile(complete) < 0
                                 : SizeOfFile(complete) < 0 && SizeOfFile(stored) >= 0;
      if (inStorage != row.Info.InStorage)
        TStatement(FDb,
                   "UPDATE backups SET in_storage = ? WHERE account = ? AND name = ? AND "
                   "complete = 1")
            .Bind(1, static_cast<int64_t>(inStorage ? 1 : 0))
            .Bind(2, row.Account)
            .Bind(3, name)
            .Run();
      named.insert(key(row.Account, inStorage ? "storage" : "complete", name));
    } else {
      named.insert(key(row.Account, "partial", name));
    }
  }
  std::error_code error;
  const std::filesystem::path data = FFolder + "data";
  if (!std::filesystem::is_directory(data, error)) return;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(data, error)) {
    if (!entry.is_regular_file(error)) continue;
    const std::filesystem::path& path = entry.path();
    const std::string kind = path.parent_path().filename().string();
    long long account = 0;
    if (!TryStrToInt(path.parent_path().parent_path().filename().string(), account)) continue;
    if (!named.count(key(account, kind, path.filename().string())))
      std::filesystem::remove(path, error);
  }
}

}  // namespace vaultora::server
