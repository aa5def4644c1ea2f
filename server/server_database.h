#pragma once
// TServerDatabase: the server's metadata (accounts, backups) in one SQLite file. One connection
// guarded by one mutex: callers hold Lock() for every statement, so the connection threads and
// the administration commands never interleave a transaction. Failures raise EServerError.

#include <sqlite3.h>

#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace vaultora::server {

class EServerError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TServerDatabase {
 public:
  explicit TServerDatabase(const std::string& path);
  ~TServerDatabase();
  TServerDatabase(const TServerDatabase&) = delete;
  TServerDatabase& operator=(const TServerDatabase&) = delete;

  std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(FMutex); }
  sqlite3* Handle() { return FDb; }
  void Exec(const char* sql);

 private:
  sqlite3* FDb = nullptr;
  std::mutex FMutex;  // guards FDb and every transaction on it
};

// One prepared statement; Step() returns true while rows come.
class TStatement {
 public:
  TStatement(TServerDatabase& db, const char* sql);
  ~TStatement();
  TStatement(const TStatement&) = delete;
  TStatement& operator=(const TStatement&) = delete;

  TStatement& Bind(int index, const std::string& text);
  TStatement& Bind(int index, int64_t value);
  TStatement& Bind(int index, double value);
  TStatement& BindBlob(int index, const std::vector<uint8_t>& bytes);
  bool Step();
  void Run() { Step(); }

  std::string Text(int column) const;
  int64_t Integer(int column) const;
  double Real(int column) const;
  std::vector<uint8_t> Blob(int column) const;

 private:
  sqlite3* FDb;
  sqlite3_stmt* FStmt = nullptr;
};

// A transaction committed by Commit(), rolled back otherwise. The caller holds the lock.
class TTransaction {
 public:
  explicit TTransaction(TServerDatabase& db);
  ~TTransaction();
  void Commit();

 private:
  TServerDatabase& FDb;
  bool FOpen = true;
};

}  // namespace vaultora::server
