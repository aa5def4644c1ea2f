// Single integer writes per second through the settings store (the upload writes its position
// after every chunk), beside raw SQLite autocommit updates of one row with the same journal
// settings, measured in the same run on the same disk.
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "settings/ini_registry_editor.h"

namespace {

using Clock = std::chrono::steady_clock;

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

template <class F>
double Time(int count, F&& step) {
  const auto start = Clock::now();
  for (int i = 0; i < count; ++i)
    step(i);
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The machine is shared, so the two writers take turns in short slices and each rate is the
// sum over its slices: both see the same load.
void Compare(const std::string& folder, bool lazy, double seconds) {
  const std::string tag = lazy ? "lazy" : "full";
  TRawWriter raw(folder + "/raw-" + tag + ".db", lazy);
  vaultora::TIniRegistryEditor store(nullptr, folder + "/store-" + tag + ".db");
  store.SetRootKey(vaultora::rtHKEY_CURRENT_USER);
  store.SetLazyWrite(lazy);
  store.SetFilename("Software\\Vaultora\\Backups");
  store.WriteInteger("45995_4312", "SendPosition", 0);

  const int slice = lazy ? 2000 : 20;
  double rawTime = 0, storeTime = 0;
  long long done = 0;
  while (rawTime + storeTime < seconds) {
    rawTime += Time(slice, [&](int i) { raw.Write(i); });
    storeTime += Time(slice, [&](int i) { store.WriteInteger("45995_4312", "SendPosition", i); });
    done += slice;
  }
  const double rawRate = done / rawTime, storeRate = done / storeTime;
  std::printf("%-26s %12.0f %12.0f %7.0f%%\n",
              lazy ? "WAL, synchronous=NORMAL" : "WAL, synchronous=FULL", rawRate, storeRate,
              100.0 * storeRate / rawRate);
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 4.0;
  char folder[] = "/tmp/settings_benchXXXXXX";
  if (!mkdtemp(folder)) return 1;

  std::printf("settings store: single integer writes per second (%.1f s per journal setting)\n",
              seconds);
  std::printf("%-26s %12s %12s %8s\n", "journal", "raw sqlite", "store", "ratio");
  Compare(folder, true, seconds);
  Compare(folder, false, seconds);

  for (const char* name : {"raw-lazy", "raw-full", "store-lazy", "store-full"})
    for (const char* suffix : {".db", ".db-wal", ".db-shm"})
      std::remove((std::string(folder) + "/" + name + suffix).c_str());
  rmdir(folder);
  return 0;
}
