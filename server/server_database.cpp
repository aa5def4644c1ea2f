#include "server/server_database.h"

namespace vaultora::server {

namespace {

[[noreturn]] void Raise(sqlite3* db, const std::string& what) {
  throw EServerError("Storage database error: " + what + ": " + sqlite3_errmsg(db));
}

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS accounts(
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL UNIQUE,
  salt BLOB NOT NULL,
  hash BLOB NOT NULL,
  iterations INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS backups(
  id INTEGER PRIMARY KEY,
  account INTEGER NOT NULL,
  name TEXT NOT NULL,
  complete INTEGER NOT NULL,
  title TEXT NOT NULL,
  file_list_name TEXT NOT NULL,
  started REAL NOT NULL,
  finished REAL NOT NULL,
  size INTEGER NOT NULL,
  mac TEXT NOT NULL,
  file_list BLOB NOT NULL,
  incremental TEXT NOT NULL,
  in_storage INTEGER NOT NULL DEFAULT 0,
  uploaded REAL,
  downloaded REAL,
  UNIQUE(account, name, complete));
)sql";

}  // namespace

TServerDatabase::TServerDatabase(const std::string& path) {
  if (sqlite3_open_v2(path.c_str(), &FDb, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
      SQLITE_OK) {
    const std::string message = FDb ? sqlite3_errmsg(FDb) : "out of memory";
    sqlite3_close(FDb);
    throw EServerError("Cannot open the storage database \"" + path + "\": " + message);
  }
  sqlite3_busy_timeout(FDb, 5000);
  // Nothing acknowledged may be lost: every commit reaches the disk before the answer.
  Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;");
  Exec(kSchema);
}

TServerDatabase::~TServerDatabase() {
  sqlite3_close(FDb);
}

void TServerDatabase::Exec(const char* sql) {
  char* error = nullptr;
  if (sqlite3_exec(FDb, sql, nullptr, nullptr, &error) != SQLITE_OK) {
    const std::string message = error ? error : "unknown error";
    sqlite3_free(error);
    throw EServerError(std::string("Storage database error: ") + message);
  }
}

TStatement::TStatement(TServerDatabase& db, const char* sql) : FDb(db.Handle()) {
  if (sqlite3_prepare_v2(FDb, sql, -1, &FStmt, nullptr) != SQLITE_OK) Raise(FDb, "prepare");
}

TStatement::~TStatement() {
  sqlite3_finalize(FStmt);
}

TStatement& TStatement::Bind(int index, const std::string& text) {
  sqlite3_bind_text(FStmt, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  return *this;
}

TStatement& TStatement::Bind(int index, int64_t value) {
  sqlite3_bind_int64(FStmt, index, value);
  return *this;
}

TStatement& TStatement::Bind(int index, double value) {
  sqlite3_bind_double(FStmt, index, value);
  return *this;
}

TStatement& TStatement::BindBlob(int index, const std::vector<uint8_t>& bytes) {
  // An empty vector has no data pointer, which SQLite would store as NULL.
  static const uint8_t kNothing = 0;
  sqlite3_bind_blob(FStmt, index, bytes.empty() ? &kNothing : bytes.data(),
                    static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
  return *this;
}

bool TStatement::Step() {
  const int rc = sqlite3_step(FStmt);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  Raise(FDb, "step");
}

std::string TStatement::Text(int column) const {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(FStmt, column));
  return text ? std::string(text, static_cast<size_t>(sqlite3_column_bytes(FStmt, column))) : "";
}

int64_t TStatement::Integer(int column) const {
  return sqlite3_column_int64(FStmt, column);
}

double TStatement::Real(int column) const {
  return sqlite3_column_double(FStmt, column);
}

std::vector<uint8_t> TStatement::Blob(int column) const {
  const auto* data = static_cast<const uint8_t*>(sqlite3_column_blob(FStmt, column));
  return data ? std::vector<uint8_t>(data, data + sqlite3_column_bytes(FStmt, column))
              : std::vector<uint8_t>();
}

TTransaction::TTransaction(TServerDatabase& db) : FDb(db) {
  FDb.Exec("BEGIN IMMEDIATE");
}

TTransaction::~TTransaction() {
  if (FOpen) {
    try {
      FDb.Exec("ROLLBACK");
    } catch (const EServerError&) {
    }
  }
}

void TTransaction::Commit() {
  FDb.Exec("COMMIT");
  FOpen = false;
}

}  // namespace vaultora::server
