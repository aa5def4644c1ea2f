// Single integer writes per second through the settings store (the upload writes its position
// as it goes), beside raw SQLite autocommit updates of one row with the same journal settings,
// in alternating slices on the same disk (bench_stats.h).
//   bench_settings_store_bench [pairs]
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_stats.h"
#include "settings/ini_registry_editor.h"

namespace {

// The baseline: one row updated by a prepared statement in autocommit mode.
class TRawWriter {
 public:
  TRawWriter(const std::string& path, bool lazy) {
    sqlite3_open(path.c_str(), &FDb);
    sqlite3_busy_timeout(FDb, 5000);
    sqlite3_exec(FDb, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    sqlite3_exec(FDb, lazy ? "PRAGMA synchronous=NORMAL" : "PRAGMA synchronous=FULL", nullptr,
                 nullptr, nullptr);
    sqlite3_exec(FDb,
                 "CREATE TABLE IF NOT EXISTS t(id INTEGER PRIMARY KEY, v INTEGER);"
                 "INSERT OR IGNORE INTO t VALUES(1, 0);",
                 nullptr, nullptr, nullptr);
    sqlite3_prepare_v2(FDb, "UPDATE t SET v = ?1 WHERE id = 1", -1, &FUpdate, nullptr);
  }
  ~TRawWriter() {
    sqlite3_finalize(FUpdate);
    sqlite3_close(FDb);
  }
  void Write(int value) {
    sqlite3_bind_int(FUpdate, 1, value);
    if (sqlite3_step(FUpdate) != SQLITE_DONE) std::abort();
    sqlite3_reset(FUpdate);
  }

 private:
  sqlite3* FDb = nullptr;
  sqlite3_stmt* FUpdate = nullptr;
};

// The two writers take turns in short slices (raw first), so that both see the same load.
void Compare(const std::string& folder, bool lazy, int pairs) {
  const std::string tag = lazy ? "lazy" : "full";
  TRawWriter raw(folder + "/raw-" + tag + ".db", lazy);
  vaultora::TIniRegistryEditor store(nullptr, folder + "/store-" + tag + ".db");
  store.SetRootKey(vaultora::rtHKEY_CURRENT_USER);
  store.SetLazyWrite(lazy);
  store.SetFilename("Software\\Vaultora\\Backups");
  store.WriteInteger("45995_4312", "SendPosition", 0);

  const int slice = lazy ? 4000 : 40;
  const auto run = [slice](auto&& write) {
    return vaultora::bench::Time([&] {
      for (int i = 0; i < slice; ++i)
        write(i);
    });
  };
  const vaultora::bench::TPairs result = vaultora::bench::Interleave(
      pairs, [&] { return run([&](int i) { raw.Write(i); }); },
      [&] { return run([&](int i) { store.WriteInteger("45995_4312", "SendPosition", i); }); });
  vaultora::bench::Report("settings store",
                          lazy ? "WAL, synchronous=NORMAL" : "WAL, synchronous=FULL",
                          "TIniRegistryEditor::WriteInteger", "raw SQLite autocommit update",
                          vaultora::bench::Count(slice, "writes/s"), result);
}

}  // namespace

int main(int argc, char** argv) {
  const int pairs = argc > 1 ? std::max(vaultora::bench::kMinPairs, std::atoi(argv[1]))
                             : 4 * vaultora::bench::PairsFromEnvironment();
  char folder[] = "/tmp/settings_benchXXXXXX";
  if (!mkdtemp(folder)) return 1;

  std::printf("settings store: single integer writes per second, slices of writes alternating\n\n");
  Compare(folder, true, pairs);
  Compare(folder, false, pairs);

  for (const char* name : {"raw-lazy", "raw-full", "store-lazy", "store-full"})
    for (const char* suffix : {".db", ".db-wal", ".db-shm"})
      std::remove((std::string(folder) + "/" + name + suffix).c_str());
  rmdir(folder);
  return 0;
}
