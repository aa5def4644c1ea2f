// Single integer writes per second through the settings store (the upload writes its position
// as it goes), beside raw SQLite autocommit updates of one row with the same journal settings,
// in alternating slices on the same disk (bench_stats.h). Then what the key-scoped views and the
// typed accessors cost over the store's own reads at its current key. Last, what the whole-file
// check costs when a process first opens a profile of 10,000 catalogue entries, beside an open
// and a read of that catalogue without it.
//   bench_settings_store_bench [pairs]
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "bench_stats.h"
#include "settings/hive.h"
#include "settings/ini_registry_editor.h"
#include "settings/preferences.h"
#include "settings/registry_key.h"

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

// Integer reads per second: the store at its own key (the baseline), a view of that key, the
// typed accessor (which also checks that the value exists), and two keys read in turn, once by
// setting the store's Filename before each read and once through a view of each key.
void CompareReads(const std::string& folder, double seconds) {
  using vaultora::TRegistryKey;
  vaultora::TIniRegistryEditor store(nullptr, folder + "/store-reads.db");
  store.SetRootKey(vaultora::rtHKEY_CURRENT_USER);
  store.SetLazyWrite(true);
  const char* base = "Software\\Vaultora";
  const char* backups = "Software\\Vaultora\\Backups";
  store.SetFilename(backups);
  store.WriteInteger("45995_4312", "SendPosition", 7);
  store.SetFilename(base);
  store.WriteInteger("Preferences", "TrxOutBufferSize", 4096);
  const TRegistryKey baseView(store, base), backupsView(store, backups);
  const auto read = [](auto& at) { (void)at.ReadInteger("Preferences", "TrxOutBufferSize", 0); };
  const auto readEntry = [](auto& at) { (void)at.ReadInteger("45995_4312", "SendPosition", 0); };
  struct TCase {
    const char* Name;
    int Reads;  // per step
    std::function<void(int)> Step;
    double Time = 0;
  } cases[] = {
      {"store at its key", 1, [&](int) { read(store); }},
      {"view of that key", 1, [&](int) { read(baseView); }},
      {"typed accessor", 1,
       [&](int) { (void)vaultora::ReadSetting(store, vaultora::keys::setting::TrxOutBufferSize); }},
      {"two keys, by Filename", 2,
       [&](int) {
         store.SetFilename(backups);
         readEntry(store);
         store.SetFilename(base);
         read(store);
       }},
      {"two keys, by views", 2,
       [&](int) {
         readEntry(backupsView);
         read(baseView);
       }},
  };
  const int slice = 2000;
  long long done = 0;
  double total = 0;
  while (total < seconds) {
    for (TCase& c : cases) {
      store.SetFilename(base);
      const double t = vaultora::bench::Time([&] {
                         for (int i = 0; i < slice; ++i)
                           c.Step(i);
                       }).Wall;
      c.Time += t;
      total += t;
    }
    done += slice;
  }
  std::printf("%-26s %12s %8s\n", "integer reads", "per second", "ratio");
  for (const TCase& c : cases) {
    std::printf("%-26s %12.0f %7.0f%%\n", c.Name, c.Reads * done / c.Time,
                100.0 * c.Reads * cases[0].Time / c.Time);
  }
}

// A catalogue of 10,000 entries with the values the builder records for each.
void CompareOpenCheck(const std::string& folder, int pairs) {
  const std::string path = folder + "/store-catalogue.db";
  {
    vaultora::TIniRegistryEditor store(nullptr, path);
    store.SetRootKey(vaultora::rtHKEY_CURRENT_USER);
    store.SetLazyWrite(true);
    store.SetFilename("Software\\Vaultora\\Backups");
    vaultora::TRegistryTransaction transaction(store);
    for (int i = 0; i < 10000; ++i) {
      const std::string entry = std::to_string(45000 + i / 10) + "_" + std::to_string(i % 10);
      for (const char* name : {"BackupTitle", "FileList", "BackupPath", "Comment"})
        store.WriteString(entry, name, std::string(name) + " of backup " + entry);
      for (const char* name : {"BackupType", "BackupSize", "FileCount", "Status", "ArchiveSize"})
        store.WriteInteger(entry, name, i);
    }
    transaction.Commit();
  }
  const auto openAndRead = [&](bool check) {
    return vaultora::bench::Time([&] {
      vaultora::THive hive(path);
      if (check) hive.CheckIntegrity(true);
      const auto key = hive.FindKey(vaultora::rtHKEY_CURRENT_USER, "Software\\Vaultora\\Backups");
      if (hive.SubKeyValues(key).size() != 10000) std::abort();
    });
  };
  const vaultora::bench::TPairs result = vaultora::bench::Interleave(
      pairs, [&] { return openAndRead(false); }, [&] { return openAndRead(true); });
  vaultora::bench::Report("settings store", "open of 10,000 catalogue entries",
                          "open + whole-file check + catalogue read", "open + catalogue read",
                          vaultora::bench::Count(1, "opens/s"), result);
  for (const char* suffix : {"", "-wal", "-shm"})
    std::remove((path + suffix).c_str());
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
  CompareReads(folder, 1.0);
  std::printf("\n");
  CompareOpenCheck(folder, std::max(vaultora::bench::kMinPairs, pairs / 4));

  for (const char* name : {"raw-lazy", "raw-full", "store-lazy", "store-full", "store-reads"})
    for (const char* suffix : {".db", ".db-wal", ".db-shm"})
      std::remove((std::string(folder) + "/" + name + suffix).c_str());
  rmdir(folder);
  return 0;
}
