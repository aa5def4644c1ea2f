#include "platform/archive_flag.h"

#include <sqlite3.h>

#include "platform/folders.h"

namespace vaultora {

namespace {

constexpr int kBusyTimeoutMs = 5000;

// One prepared statement for the length of a call.
class TStatement {
 public:
  TStatement(sqlite3* db, const char* sql) {
    if (db) sqlite3_prepare_v2(db, sql, -1, &FStatement, nullptr);
  }
  ~TStatement() { sqlite3_finalize(FStatement); }
  TStatement(const TStatement&) = delete;
  TStatement& operator=(const TStatement&) = delete;

  bool Ok() const { return FStatement != nullptr; }
  void Bind(int index, const std::string& text) {
    sqlite3_bind_text(FStatement, index, text.data(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
  }
  void Bind(int index, int64_t value) { sqlite3_bind_int64(FStatement, index, value); }
  int Step() { return sqlite3_step(FStatement); }
  int64_t Column(int index) { return sqlite3_column_int64(FStatement, index); }

 private:
  sqlite3_stmt* FStatement = nullptr;
};

}  // namespace

std::string ArchiveFlagsDatabasePath() {
  return AppDataFolder() + "attributes.db";
}

TArchiveFlags::TArchiveFlags(const std::string& databasePath) {
  if (sqlite3_open_v2(databasePath.c_str(), &FDatabase, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                      nullptr) != SQLITE_OK) {
    sqlite3_close(FDatabase);
    FDatabase = nullptr;
    return;
  }
  sqlite3_busy_timeout(FDatabase, kBusyTimeoutMs);
  sqlite3_exec(FDatabase,
               "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
               "CREATE TABLE IF NOT EXISTS archive_flags(path TEXT PRIMARY KEY,"
               " size INTEGER NOT NULL, mtime_ns INTEGER NOT NULL);",
               nullptr, nullptr, nullptr);
}

TArchiveFlags::~TArchiveFlags() {
  sqlite3_close(FDatabase);
}

bool TArchiveFlags::IsSet(const std::string& path) {
  TFileStamp stamp;
  return !FileStampOf(path, stamp) || IsSet(path, stamp);
}

bool TArchiveFlags::IsSet(const std::string& path, const TFileStamp& stamp) {
  TStatement query(FDatabase, "SELECT size, mtime_ns FROM archive_flags WHERE path = ?1");
  if (!query.Ok()) return true;
  query.Bind(1, path);
  if (query.Step() != SQLITE_ROW) return true;
  return query.Column(0) != stamp.Size || query.Column(1) != stamp.MTimeNs;
}

bool TArchiveFlags::Clear(const std::string& path) {
  TFileStamp stamp;
  return FileStampOf(path, stamp) && Record(path, stamp);
}

bool TArchiveFlags::Clear(const std::string& path, const TFileStamp& stamp) {
  return Record(path, stamp);
}

bool TArchiveFlags::ClearAll(const std::vector<std::pair<std::string, TFileStamp>>& files) {
  if (!FDatabase) return false;
  sqlite3_exec(FDatabase, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  bool all = true;
  for (const auto& [path, stamp] : files)
    all = Record(path, stamp) && all;
  return sqlite3_exec(FDatabase, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK && all;
}

bool TArchiveFlags::Set(const std::string& path) {
  TStatement erase(FDatabase, "DELETE FROM archive_flags WHERE path = ?1");
  if (!erase.Ok()) return false;
  erase.Bind(1, path);
  return erase.Step() == SQLITE_DONE;
}

bool TArchiveFlags::Record(const std::string& path, const TFileStamp& stamp) {
  TStatement upsert(
      FDatabase, "INSERT OR REPLACE INTO archive_flags(path, size, mtime_ns) VALUES(?1, ?2, ?3)");
  if (!upsert.Ok()) return false;
  upsert.Bind(1, path);
  upsert.Bind(2, stamp.Size);
  upsert.Bind(3, stamp.MTimeNs);
  return upsert.Step() == SQLITE_DONE;
}

}  // namespace vaultora
