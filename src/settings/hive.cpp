#include "settings/hive.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <tuple>

#include "platform/folders.h"
#include "platform/text.h"

namespace vaultora {

namespace {

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS reg_key(
  id INTEGER PRIMARY KEY,
  root INTEGER NOT NULL,
  parent INTEGER NOT NULL,
  name TEXT NOT NULL COLLATE NOCASE,
  path TEXT NOT NULL COLLATE NOCASE,
  UNIQUE(root, path));
CREATE INDEX IF NOT EXISTS reg_key_parent ON reg_key(parent, name);
CREATE TABLE IF NOT EXISTS reg_value(
  id INTEGER PRIMARY KEY,
  key INTEGER NOT NULL,
  name TEXT NOT NULL COLLATE NOCASE,
  type INTEGER NOT NULL,
  data BLOB NOT NULL,
  UNIQUE(key, name));
)sql";

// The keys of a subtree: the key itself and every path that continues it with a backslash.
// Under NOCASE, "p\..." sorts between "p\" and "p]" (']' follows '\'), so the index serves it.
// A macro, so that the statements stay literals (the statement cache is keyed by their address).
#define VAULTORA_SUBTREE "root = ?1 AND (path = ?2 OR (path >= ?3 AND path < ?4))"

// What to do about a hive that cannot be used, said wherever the store refuses one.
constexpr const char* kRecoverHint =
    "Run \"vaultora-cli settings restore-last-good\" to put back the copy made after the last "
    "successful backup, or move the file away to start a new profile.";

std::string DamagedText(const std::string& path, const std::string& detail) {
  return Format(
      "The settings file \"%s\" is damaged or is not a settings file (%s); it was left "
      "unchanged. %s",
      path.c_str(), detail.c_str(), kRecoverHint);
}

// One file's state as the checks of this process last saw it: a file is checked whole once
// per process and again whenever it was replaced or written outside the log.
using TFileState = std::tuple<dev_t, ino_t, off_t, int64_t, int64_t>;

std::mutex CheckedFilesLock;
std::set<TFileState> CheckedFiles;

std::optional<TFileState> FileState(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return TFileState{st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
}

}  // namespace

namespace {

void SyncFileAndFolder(const std::string& path) {
  if (!SyncToDisk(path))
    throw ERegistryException(
        Format("Cannot write the settings file \"%s\": %s", path.c_str(), strerror(errno)));
}

}  // namespace

bool EHiveError::FileDamaged() const {
  return FCode == SQLITE_CORRUPT || FCode == SQLITE_NOTADB;
}

// One use of a cached statement: bound, stepped, and reset (with its bindings cleared) when the
// scope ends, so no read transaction outlives the call.
class THive::TQuery {
 public:
  TQuery(THive& hive, const char* sql) : FHive(hive), FStmt(hive.Prepare(sql)) {}
  ~TQuery() {
    sqlite3_reset(FStmt);
    sqlite3_clear_bindings(FStmt);
  }
  TQuery(const TQuery&) = delete;
  TQuery& operator=(const TQuery&) = delete;

  TQuery& Bind(int index, int64_t value) {
    Check(sqlite3_bind_int64(FStmt, index, value));
    return *this;
  }
  // Texts are bound without a copy: they outlive the query, whose bindings the scope clears.
  TQuery& Bind(int index, const std::string& text) {
    Check(
        sqlite3_bind_text(FStmt, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC));
    return *this;
  }
  TQuery& BindBlob(int index, const std::string& bytes) {
    Check(sqlite3_bind_blob(FStmt, index, bytes.data(), static_cast<int>(bytes.size()),
                            SQLITE_STATIC));
    return *this;
  }
  TQuery& BindSubtree(int root, const std::string& path) {
    FBounds[0] = path + "\\";
    FBounds[1] = path + "]";
    return Bind(1, root).Bind(2, path).Bind(3, FBounds[0]).Bind(4, FBounds[1]);
  }
  // True while a row is there.
  bool Step() {
    const int rc = sqlite3_step(FStmt);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    FHive.Fail("step", rc);
  }
  int64_t Int(int column) { return sqlite3_column_int64(FStmt, column); }
  bool Null(int column) { return sqlite3_column_type(FStmt, column) == SQLITE_NULL; }
  std::string Bytes(int column) {
    const void* data = sqlite3_column_blob(FStmt, column);
    const int size = sqlite3_column_bytes(FStmt, column);
    return data ? std::string(static_cast<const char*>(data), static_cast<size_t>(size))
                : std::string();
  }

 private:
  void Check(int rc) {
    if (rc != SQLITE_OK) FHive.Fail("bind", rc);
  }
  THive& FHive;
  sqlite3_stmt* FStmt;
  std::string FBounds[2];  // of a subtree, bound by reference
};

THive::THive(std::string path) : FPath(std::move(path)) {
  struct stat st {};
  if (::stat(FPath.c_str(), &st) != 0 && errno == ENOENT)
    CreateFile();
  else if (::stat(FPath.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0)
    throw ERegistryException(
        Format("The settings file \"%s\" is empty: the profile it held is "
               "gone and it was left unchanged. %s",
               FPath.c_str(), kRecoverHint));
  const std::string folder = ExtractFilePath(FPath);
  FReadOnly = ::access(FPath.c_str(), W_OK) != 0 ||
              ::access(folder.empty() ? "." : folder.c_str(), W_OK) != 0;
  if (FReadOnly)
    ConnectReadOnly();
  else
    Connect(FPath, SQLITE_OPEN_READWRITE);
  try {
    CheckFile();
    SetLazyWrite(false);
  } catch (const EHiveError& e) {
    Close();
    throw ERegistryException(
        Format("Cannot open the settings file \"%s\": %s", FPath.c_str(), e.what()));
  } catch (...) {
    Close();
    throw;
  }
}

void THive::Connect(const std::string& path, int flags) {
  const int rc = sqlite3_open_v2(path.c_str(), &FDb, flags | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    const std::string detail = FDb ? sqlite3_errmsg(FDb) : sqlite3_errstr(rc);
    sqlite3_close(FDb);
    FDb = nullptr;
    throw ERegistryException(
        Format("Cannot open the settings file \"%s\": %s", path.c_str(), detail.c_str()));
  }
  sqlite3_busy_timeout(FDb, kBusyTimeoutMs);
}

// A hive this process cannot write is still read: SQLite could neither make the shared-memory
// file of the journal beside it nor lock it. Without a journal left by a writer the file is
// opened as immutable; with one, as a plain reader, which needs that journal's files.
void THive::ConnectReadOnly() {
  const std::string journal = FPath + "-wal";
  struct stat st {};
  if (::stat(journal.c_str(), &st) == 0 && st.st_size > 0) {
    Connect(FPath, SQLITE_OPEN_READONLY);
    return;
  }
  std::string uri = "file:";
  for (const char c : FPath) {
    if (c == '%' || c == '?' || c == '#')
      uri += Format("%%%02X", static_cast<unsigned char>(c));
    else
      uri += c;
  }
  Connect(uri + "?immutable=1", SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
}

// A new hive is made whole under a temporary name and linked into place, so no process ever
// finds a half-made or empty file under the hive's name; of two processes starting at once
// the one whose link fails simply opens the other's.
void THive::CreateFile() {
  const std::string temp = CreateTempFileBeside(FPath);
  if (temp.empty())
    throw ERegistryException(
        Format("Cannot create the settings file \"%s\": %s", FPath.c_str(), strerror(errno)));
  try {
    Connect(temp, SQLITE_OPEN_READWRITE);
    Exec("PRAGMA journal_mode=WAL");
    CreateSchema();
    Close();
    SyncFileAndFolder(temp);
  } catch (const EHiveError& e) {
    Close();
    DeleteFile(temp);
    throw ERegistryException(
        Format("Cannot create the settings file \"%s\": %s", FPath.c_str(), e.what()));
  } catch (...) {
    Close();
    DeleteFile(temp);
    throw;
  }
  const bool linked = ::link(temp.c_str(), FPath.c_str()) == 0 || errno == EEXIST;
  const int linkError = errno;
  DeleteFile(temp);
  if (!linked)
    throw ERegistryException(
        Format("Cannot create the settings file \"%s\": %s", FPath.c_str(), strerror(linkError)));
  SyncFileAndFolder(FPath);
}

void THive::Close() {
  for (auto& [sql, stmt] : FStatements)
    sqlite3_finalize(stmt);
  FStatements.clear();
  sqlite3_close(FDb);
  FDb = nullptr;
}

THive::~THive() {
  if (FDepth > 0) sqlite3_exec(FDb, "ROLLBACK", nullptr, nullptr, nullptr);
  Close();
}

// Reads the header before anything may write: a file that is not ours is refused untouched.
void THive::CheckFile() {
  int32_t applicationId = 0, version = 0, objects = 0;
  {
    TQuery q(*this,
             "SELECT (SELECT application_id FROM pragma_application_id),"
             " (SELECT user_version FROM pragma_user_version),"
             " (SELECT count(*) FROM sqlite_master)");
    if (q.Step()) {
      applicationId = static_cast<int32_t>(q.Int(0));
      version = static_cast<int32_t>(q.Int(1));
      objects = static_cast<int32_t>(q.Int(2));
    }
  }
  if (applicationId == kHiveApplicationId) {
    if (version > kHiveSchemaVersion)
      throw ERegistryException(Format(
          "The settings file \"%s\" was written by a newer version of Vaultora", FPath.c_str()));
  } else if (applicationId != 0 || objects != 0) {
    throw ERegistryException(DamagedText(FPath, "foreign database"));
  }
  CheckIntegrity();
  if (FReadOnly) {
    if (applicationId == 0)
      throw ERegistryException(Format(
          "The settings file \"%s\" holds no settings yet and cannot be written", FPath.c_str()));
    return;
  }
  // WAL lets readers go on while one writer commits; the mode is stored in the file, so only a
  // new file is switched (a damaged one must not be written to).
  // Two processes may start on a new file at once: the one that loses the switch finds it done.
  auto isWal = [this] {
    TQuery q(*this, "PRAGMA journal_mode");
    return q.Step() && SameText(q.Bytes(0), "wal");
  };
  // The switch needs the file to itself and SQLite answers "locked" at once rather than waiting
  // for the busy time-out, so it is retried for as long as that time-out would have waited.
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
  while (!isWal()) {
    try {
      Exec("PRAGMA journal_mode=WAL");
    } catch (const EHiveError&) {
      if (isWal()) break;
      if (std::chrono::steady_clock::now() >= deadline) throw;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  // An empty database (a file this program made before it linked new files into place)
  // gets the tables; a new file has them already.
  if (applicationId == 0) CreateSchema();
}

void THive::CheckIntegrity(bool always) {
  const std::optional<TFileState> state = FileState(FPath);
  if (!always && state) {
    std::lock_guard<std::mutex> lock(CheckedFilesLock);
    if (CheckedFiles.count(*state)) return;
  }
  std::string problem;
  {
    // The full check, not quick_check: damage inside the rows (an index that no longer matches
    // its table) is what a flipped run of bytes mostly does, and only this check sees it.
    TQuery q(*this, "PRAGMA integrity_check(1)");
    if (q.Step()) problem = q.Bytes(0);
  }
  if (problem != "ok") throw ERegistryException(DamagedText(FPath, problem));
  if (state) {
    std::lock_guard<std::mutex> lock(CheckedFilesLock);
    CheckedFiles.insert(*state);
  }
}

void THive::WriteCopy(const std::string& into) {
  CheckIntegrity(true);
  {
    TQuery q(*this, "VACUUM INTO ?1");
    q.Bind(1, into);
    q.Step();
  }
  ::chmod(into.c_str(), 0600);
  SyncFileAndFolder(into);
}

std::unique_ptr<THive> THive::OpenCopy(const std::string& path) {
  std::unique_ptr<THive> copy(new THive);
  copy->FPath = path;
  copy->Connect(path, SQLITE_OPEN_READONLY);
  int32_t applicationId = 0;
  try {
    TQuery q(*copy, "PRAGMA application_id");
    if (q.Step()) applicationId = static_cast<int32_t>(q.Int(0));
  } catch (const EHiveError& e) {
    throw ERegistryException(DamagedText(path, e.what()));
  }
  if (applicationId != kHiveApplicationId)
    throw ERegistryException(DamagedText(path, "not a settings file"));
  copy->CheckIntegrity(true);
  return copy;
}

void THive::CreateSchema() {
  Begin();
  try {
    Exec(kSchema);
    Exec(Format("PRAGMA application_id=%d", kHiveApplicationId).c_str());
    Exec(Format("PRAGMA user_version=%d", kHiveSchemaVersion).c_str());
    Commit();
  } catch (...) {
    Rollback();
    throw;
  }
}

void THive::SetLazyWrite(bool lazy) {
  Exec(lazy ? "PRAGMA synchronous=NORMAL" : "PRAGMA synchronous=FULL");
}

sqlite3_stmt* THive::Prepare(const char* sql) {
  for (auto& [text, stmt] : FStatements)
    if (text == sql) return stmt;
  sqlite3_stmt* stmt = nullptr;
  const int rc = sqlite3_prepare_v3(FDb, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
  if (rc != SQLITE_OK) Fail("prepare", rc);
  FStatements.emplace_back(sql, stmt);
  return stmt;
}

void THive::Exec(const char* sql) {
  const int rc = sqlite3_exec(FDb, sql, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) Fail(sql, rc);
}

void THive::Fail(const char* what, int code) {
  const std::string detail = sqlite3_errmsg(FDb);
  if ((code & 0xFF) == SQLITE_READONLY)
    throw ERegistryException(Format(
        "The settings file \"%s\" cannot be written (it or its folder is read-only); nothing "
        "was changed",
        FPath.c_str()));
  EHiveError error(Format("%s: %s", what, detail.c_str()), code & 0xFF);
  if (error.FileDamaged()) throw ERegistryException(DamagedText(FPath, detail));
  throw error;
}

// Transaction statements are cached like the others: a write costs no SQL parsing.
void THive::Run(const char* sql) {
  TQuery q(*this, sql);
  q.Step();
}

void THive::Begin() {
  Run(FDepth == 0 ? "BEGIN IMMEDIATE" : "SAVEPOINT inner");
  ++FDepth;
}

void THive::Commit() {
  if (FDepth == 0) return;
  if (FDepth > 1) {
    Run("RELEASE inner");
    --FDepth;
    return;
  }
  FDepth = 0;
  try {
    Run("COMMIT");
  } catch (...) {
    if (!sqlite3_get_autocommit(FDb)) sqlite3_exec(FDb, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

void THive::Rollback() {
  if (FDepth == 0) return;
  --FDepth;
  sqlite3_exec(FDb, FDepth == 0 ? "ROLLBACK" : "ROLLBACK TO inner; RELEASE inner", nullptr, nullptr,
               nullptr);
}

THiveKeyId THive::FindKey(int root, const std::string& path) {
  TQuery q(*this, "SELECT id FROM reg_key WHERE root = ?1 AND path = ?2");
  q.Bind(1, root).Bind(2, path);
  return q.Step() ? q.Int(0) : 0;
}

THiveKeyId THive::CreateKey(int root, const std::string& path) {
  if (path.empty()) throw EHiveError("a key needs a name", SQLITE_MISUSE);
  if (const THiveKeyId found = FindKey(root, path)) return found;
  const size_t slash = path.rfind('\\');
  const THiveKeyId parent = slash == std::string::npos ? 0 : CreateKey(root, path.substr(0, slash));
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  TQuery q(*this, "INSERT INTO reg_key(root, parent, name, path) VALUES(?1, ?2, ?3, ?4)");
  q.Bind(1, root).Bind(2, parent).Bind(3, name).Bind(4, path);
  q.Step();
  return sqlite3_last_insert_rowid(FDb);
}

void THive::DeleteKey(int root, const std::string& path) {
  {
    TQuery q(*this,
             "DELETE FROM reg_value WHERE key IN (SELECT id FROM reg_key WHERE " VAULTORA_SUBTREE
             ")");
    q.BindSubtree(root, path).Step();
  }
  TQuery q(*this, "DELETE FROM reg_key WHERE " VAULTORA_SUBTREE);
  q.BindSubtree(root, path).Step();
}

void THive::CopyKey(int root, const std::string& from, const std::string& to) {
  std::vector<std::pair<THiveKeyId, std::string>> keys;
  {
    TQuery q(*this,
             "SELECT id, path FROM reg_key WHERE " VAULTORA_SUBTREE " ORDER BY length(path)");
    q.BindSubtree(root, from);
    while (q.Step())
      keys.emplace_back(q.Int(0), q.Bytes(1));
  }
  for (const auto& [id, path] : keys) {
    const THiveKeyId copy = CreateKey(root, to + path.substr(from.size()));
    TQuery q(*this,
             "INSERT INTO reg_value(key, name, type, data) SELECT ?1, name, type, data "
             "FROM reg_value WHERE key = ?2 ORDER BY id");
    q.Bind(1, copy).Bind(2, id).Step();
  }
}

bool THive::HasValues(int root, const std::string& path) {
  TQuery q(*this,
           "SELECT 1 FROM reg_value v JOIN reg_key k ON v.key = k.id "
           "WHERE k.root = ?1 AND k.path = ?2 LIMIT 1");
  q.Bind(1, root).Bind(2, path);
  return q.Step();
}

TStringList THive::Names(const char* sql, THiveKeyId key) {
  TQuery q(*this, sql);
  q.Bind(1, key);
  TStringList names;
  while (q.Step())
    names.push_back(q.Bytes(0));
  return names;
}

TStringList THive::SubKeyNames(THiveKeyId key) {
  return Names("SELECT name FROM reg_key WHERE parent = ?1 ORDER BY name", key);
}

TStringList THive::ValueNames(THiveKeyId key) {
  return Names("SELECT name FROM reg_value WHERE key = ?1 ORDER BY id", key);
}

namespace {

TRegistryValue ValueOfRow(TRegDataType type, int64_t number, std::string bytes) {
  TRegistryValue value;
  value.Type = type;
  if (type == rdDword)
    value.Dword = static_cast<uint32_t>(number);
  else
    value.Bytes = std::move(bytes);
  return value;
}

}  // namespace

TNamedValues THive::Values(THiveKeyId key) {
  TQuery q(*this, "SELECT name, type, data FROM reg_value WHERE key = ?1 ORDER BY id");
  q.Bind(1, key);
  TNamedValues values;
  while (q.Step())
    values.emplace_back(q.Bytes(0),
                        ValueOfRow(static_cast<TRegDataType>(q.Int(1)), q.Int(2), q.Bytes(2)));
  return values;
}

std::vector<std::pair<std::string, TNamedValues>> THive::SubKeyValues(THiveKeyId key) {
  TQuery q(*this,
           "SELECT k.id, k.name, v.name, v.type, v.data FROM reg_key k "
           "LEFT JOIN reg_value v ON v.key = k.id WHERE k.parent = ?1 ORDER BY k.name, k.id, v.id");
  q.Bind(1, key);
  std::vector<std::pair<std::string, TNamedValues>> keys;
  int64_t current = 0;
  while (q.Step()) {
    if (keys.empty() || q.Int(0) != current) {
      current = q.Int(0);
      keys.emplace_back(q.Bytes(1), TNamedValues());
    }
    if (!q.Null(2))
      keys.back().second.emplace_back(
          q.Bytes(2), ValueOfRow(static_cast<TRegDataType>(q.Int(3)), q.Int(4), q.Bytes(4)));
  }
  return keys;
}

std::optional<TRegistryValue> THive::GetValue(int root, const std::string& path,
                                              const std::string& name) {
  TQuery q(*this,
           "SELECT v.type, v.data FROM reg_value v JOIN reg_key k ON v.key = k.id "
           "WHERE k.root = ?1 AND k.path = ?2 AND v.name = ?3");
  q.Bind(1, root).Bind(2, path).Bind(3, name);
  if (!q.Step()) return std::nullopt;
  TRegistryValue value;
  value.Type = static_cast<TRegDataType>(q.Int(0));
  if (value.Type == rdDword)
    value.Dword = static_cast<uint32_t>(q.Int(1));
  else
    value.Bytes = q.Bytes(1);
  return value;
}

bool THive::HasValue(int root, const std::string& path, const std::string& name) {
  TQuery q(*this,
           "SELECT 1 FROM reg_value v JOIN reg_key k ON v.key = k.id "
           "WHERE k.root = ?1 AND k.path = ?2 AND v.name = ?3");
  q.Bind(1, root).Bind(2, path).Bind(3, name);
  return q.Step();
}

bool THive::SetValue(int root, const std::string& path, const std::string& name,
                     const TRegistryValue& value, bool keepString) {
  // The key is looked up inside the statement, so a value written outside a transaction is one
  // statement, as cheap as a plain update. A DWORD over a string stays a string (decimal text).
  TQuery q(*this,
           keepString
               ? "INSERT INTO reg_value(key, name, type, data) SELECT id, ?3, ?4, ?5 FROM reg_key "
                 "WHERE root = ?1 AND path = ?2 ON CONFLICT(key, name) DO UPDATE SET "
                 "data = CASE WHEN type = 1 THEN CAST(excluded.data AS TEXT) ELSE excluded.data "
                 "END, type = CASE WHEN type = 1 THEN 1 ELSE excluded.type END"
               : "INSERT INTO reg_value(key, name, type, data) SELECT id, ?3, ?4, ?5 FROM reg_key "
                 "WHERE root = ?1 AND path = ?2 ON CONFLICT(key, name) DO UPDATE SET "
                 "type = excluded.type, data = excluded.data");
  q.Bind(1, root).Bind(2, path).Bind(3, name).Bind(4, static_cast<int64_t>(value.Type));
  if (value.Type == rdDword)
    q.Bind(5, static_cast<int64_t>(static_cast<int32_t>(value.Dword)));
  else if (value.Type == rdString)
    q.Bind(5, value.Bytes);
  else
    q.BindBlob(5, value.Bytes);
  q.Step();
  return sqlite3_changes(FDb) > 0;
}

void THive::DeleteValue(THiveKeyId key, const std::string& name) {
  TQuery q(*this, "DELETE FROM reg_value WHERE key = ?1 AND name = ?2");
  q.Bind(1, key).Bind(2, name).Step();
}

void THive::ClearValues(THiveKeyId key) {
  TQuery q(*this, "DELETE FROM reg_value WHERE key = ?1");
  q.Bind(1, key).Step();
}

}  // namespace vaultora
