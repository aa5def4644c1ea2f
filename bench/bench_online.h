#pragma once
// What the online benchmarks share: a profile folder of their own, vaultora-server serving one
// account in this process on loopback, the client's settings that reach it, and one catalogued
// backup of random bytes to move. Header-only, like the other bench helpers.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/catalogue.h"
#include "online/account_record.h"
#include "platform/date_time.h"
#include "platform/folders.h"
#include "platform/streams.h"
#include "server/backup_server.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"

namespace vaultora::bench {

inline void WriteRandomFile(const std::string& path, int64_t size) {
  TFileStream out(path, fmCreate);
  std::vector<uint8_t> block(1 << 20);
  std::mt19937 random(7);
  for (auto& b : block)
    b = static_cast<uint8_t>(random());
  for (int64_t left = size; left > 0; left -= static_cast<int64_t>(block.size()))
    out.WriteBuffer(block.data(), std::min<int64_t>(left, static_cast<int64_t>(block.size())));
}

// A temporary VAULTORA_HOME with a working folder, removed at the end.
class TBenchHome {
 public:
  TBenchHome() {
    char home[] = "/tmp/vaultora-online-bench-XXXXXX";
    if (!mkdtemp(home)) {
      std::perror("mkdtemp");
      std::exit(1);
    }
    setenv("VAULTORA_HOME", home, 1);
    Folder = IncludeTrailingSlash(home);
    Work = Folder + "work/";
    ForceDirectories(Work);
  }
  ~TBenchHome() { std::system(("rm -rf '" + Folder + "'").c_str()); }
  std::string Folder, Work;
};

// vaultora-server with the account ann / secret, serving on its own thread until destroyed.
class TLoopbackServer {
 public:
  explicit TLoopbackServer(const std::string& storage)
      : FQuiet(std::fopen("/dev/null", "w")), FLog(FQuiet), FServer(storage, {}, FLog) {
    FServer.Accounts().Add("ann", "secret", 1);
    Port = FServer.Listen("127.0.0.1", 0);
    FServing = std::thread([this] { FServer.Serve(); });
  }
  ~TLoopbackServer() {
    FServer.Stop();
    FServing.join();
    std::fclose(FQuiet);
  }
  int Port = 0;

 private:
  std::FILE* FQuiet;
  server::TServerLog FLog;
  server::TBackupServer FServer;
  std::thread FServing;
};

// The settings that reach the server with 4 KB chunks, and the account's logon.
inline void WriteOnlineSettings(TIniRegistryEditor& store, const std::string& work, int port) {
  store.SetRootKey(rtHKEY_CURRENT_USER);
  store.SetFilename(keys::kBaseKey);
  store.WriteString(keys::kPreferences, keys::preferences::kWorkingZipFolder, work);
  store.WriteInteger(keys::kPreferences, keys::preferences::kTrxOutBufferSize, 4096);
  store.WriteInteger(keys::kPreferences, keys::preferences::kTrxInBufferSize, 4096);
  store.WriteString(keys::kConnection, keys::connection::kHost, "127.0.0.1");
  store.WriteInteger(keys::kConnection, keys::connection::kServerPort, port);
  WriteAccountSetup(store, {"ann", "secret"});
}

// A backup of size random bytes with its file list, as the builder would record it; returns the
// record, which RecordBackup writes again to make it wait for sending once more.
inline TBackupRecord MakeBenchBackup(TCatalogue& catalogue, const std::string& id, int64_t size) {
  WriteRandomFile(catalogue.ArchivePath(id), size);
  TMemoryStream(std::vector<uint8_t>{'/', 'x', '/', '\t', '\r', '\n'})
      .SaveToFile(catalogue.FileListPath(id));
  TBackupRecord record;
  record.FinishDateTime = Now();
  record.Session = catalogue.FileListPath(id);
  record.Size = size;
  record.MAC = "0123456789ABCDEF";
  record.BackupTitle = "Benchmark";
  catalogue.RecordBackup(id, record);
  return record;
}

}  // namespace vaultora::bench
