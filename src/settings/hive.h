#pragma once
// THive: the hierarchical key store under the settings store, one SQLite database file. Keys
// form one tree per root; names of keys and values compare case-insensitively and keep the case
// they were created with. Sub-keys enumerate in case-insensitive name order, values in creation
// order. The layout is described in docs/settings_store.md.
//
// One instance is one connection and belongs to one thread. Several instances (threads,
// processes) may use the same file at once: every change runs in a write transaction that waits
// up to kBusyTimeoutMs for other writers. No statement or transaction stays open between calls
// unless the caller holds a transaction (Begin/Commit).
//
// Failures raise EHiveError carrying SQLite's result code; a file that is not a settings
// database (or is damaged) raises ERegistryException naming the file, and is never rewritten.

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/text.h"
#include "settings/hive_format.h"
#include "settings/key_path.h"
#include "settings/registry_error.h"

namespace vaultora {

class EHiveError : public std::runtime_error {
 public:
  EHiveError(const std::string& text, int code) : std::runtime_error(text), FCode(code) {}
  int Code() const { return FCode; }
  // The file itself is unusable (damaged, not a database): no retry or other key can help.
  bool FileDamaged() const;

 private:
  int FCode;
};

using THiveKeyId = int64_t;  // 0 = no key

class THive {
 public:
  explicit THive(std::string path);
  ~THive();
  THive(const THive&) = delete;
  THive& operator=(const THive&) = delete;

  const std::string& Path() const { return FPath; }
  // The file or its folder cannot be written by this process: the hive was opened for reading
  // only, and any change fails with a message that says so.
  bool ReadOnly() const { return FReadOnly; }
  // Checks the whole file (SQLite's integrity check); raises ERegistryException naming it when
  // it is damaged. The constructor runs it once per process for each state of the file.
  void CheckIntegrity(bool always = false);
  // Checks the hive whole and writes a consistent copy of it into the empty file into (mode
  // 0600), synced to the disk; a damaged hive raises ERegistryException and is not copied.
  void WriteCopy(const std::string& into);
  // Opens a copy of a hive for reading only, checked whole; ERegistryException naming it when
  // it is not an undamaged settings hive.
  static std::unique_ptr<THive> OpenCopy(const std::string& path);
  // On: commits reach the disk at checkpoints (synchronous=NORMAL); off: every commit is
  // synced (synchronous=FULL).
  void SetLazyWrite(bool lazy);

  // Transactions nest: the outermost is a write transaction, inner ones are savepoints.
  void Begin();
  void Commit();
  void Rollback();
  int Depth() const { return FDepth; }

  // Key paths are backslash-separated below a root, already normalised (NormaliseKeyPath).
  THiveKeyId FindKey(int root, const std::string& path);
  // Creates the key and its missing ancestors (inside a transaction of the caller).
  THiveKeyId CreateKey(int root, const std::string& path);
  // Deletes the key, its values and its whole subtree.
  void DeleteKey(int root, const std::string& path);
  // Copies the key with its values and subtree to a new path (which must not exist).
  void CopyKey(int root, const std::string& from, const std::string& to);

  bool HasValues(int root, const std::string& path);
  TStringList SubKeyNames(THiveKeyId key);
  TStringList ValueNames(THiveKeyId key);
  // The values of a key in creation order, and of each sub-key (in SubKeyNames order) read in
  // one statement, for callers that read a whole list of keys at once.
  TNamedValues Values(THiveKeyId key);
  std::vector<std::pair<std::string, TNamedValues>> SubKeyValues(THiveKeyId key);

  // One statement each: a value read by its key path never needs a transaction.
  std::optional<TRegistryValue> GetValue(int root, const std::string& path,
                                         const std::string& name);
  bool HasValue(int root, const std::string& path, const std::string& name);
  // Inserts the value, or replaces type and data keeping its place in the creation order;
  // false when the key does not exist. keepString: a DWORD over a string value is stored as
  // its decimal text.
  bool SetValue(int root, const std::string& path, const std::string& name,
                const TRegistryValue& value, bool keepString = false);
  void DeleteValue(THiveKeyId key, const std::string& name);
  void ClearValues(THiveKeyId key);

 private:
  class TQuery;
  sqlite3_stmt* Prepare(const char* sql);
  void Exec(const char* sql);
  void Run(const char* sql);
  TStringList Names(const char* sql, THiveKeyId key);
  [[noreturn]] void Fail(const char* what, int code);
  THive() = default;
  void Connect(const std::string& path, int flags);
  void ConnectReadOnly();
  void CreateFile();
  void CheckFile();
  void Close();
  void CreateSchema();

  std::string FPath;
  sqlite3* FDb = nullptr;
  std::vector<std::pair<const char*, sqlite3_stmt*>> FStatements;  // by SQL text address
  int FDepth = 0;
  bool FReadOnly = false;
};

}  // namespace vaultora
