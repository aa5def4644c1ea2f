// The backup set builder end to end (file list to recorded ".BFE") beside its two stages run
// alone over the same files in the same run: the archive writer (CreateArchive, as the builder
// sets it up) and then EncryptArchiveFile. The corpus is the archive benchmarks' own
// (bench_corpus.h). Best of the given number of runs; CPU time of the process, and wall time.
//   bench_builder_bench [MiB (default 64)] [runs (default 2)]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "archive/backup_file.h"
#include "archive/blowfish.h"
#include "archive/cipher_helpers.h"
#include "archive/encryption_key.h"
#include "backupset/create_backup_set.h"
#include "bench_corpus.h"
#include "catalogue/catalogue.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"

using namespace vaultora;

namespace {

constexpr const char* kKey = "bench key";

struct TTimes {
  double Cpu = 1e30, Wall = 1e30;
};

void Measure(TTimes& best, const std::function<void()>& run) {
  const double cpu = bench::CpuNow();
  const auto wall = std::chrono::steady_clock::now();
  run();
  best.Cpu = std::min(best.Cpu, bench::CpuNow() - cpu);
  best.Wall = std::min(
      best.Wall, std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count());
}

void EmptyFolder(const std::string& folder) {
  std::error_code ignored;
  for (const auto& e : std::filesystem::directory_iterator(folder, ignored))
    std::filesystem::remove(e.path(), ignored);
}

}  // namespace

int main(int argc, char** argv) {
  const long mib = argc > 1 ? std::max(1L, std::atol(argv[1])) : 64;
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2;
  char pattern[] = "/tmp/vaultora-builder-bench-XXXXXX";
  const std::string root = IncludeTrailingSlash(mkdtemp(pattern));
  setenv("VAULTORA_HOME", (root + "home").c_str(), 1);
  const std::string corpus = root + "corpus/", work = root + "work/";
  ForceDirectories(work);
  const TStringList files = bench::MakeCorpus(corpus, mib * 1024 * 1024);
  int64_t total = 0;
  for (const std::string& f : files)
    total += FileSizeOf(f);

  // A profile as the builder finds it: working folder, key, and a list with one recursive rule.
  TIniRegistryEditor store;
  store.SetRootKey(rtHKEY_CURRENT_USER);
  store.SetFilename(keys::kBaseKey);
  store.WriteString(keys::kPreferences, keys::preferences::kWorkingZipFolder, work);
  store.WriteInteger(keys::kPreferences, keys::preferences::kCompressionType, 0);
  WriteEncryptionKey(store, kKey);
  const std::string list = root + "corpus.bfl";
  bench::Save(list, corpus + "\r\n/s\b*.*\r\n");
  store.SetFilename(keys::kBaseKey);
  store.WriteString(keys::kBackupWizard, keys::wizard::kSession, list);
  store.WriteString(keys::kBackupWizard, keys::wizard::kBackupTitle, "Bench");

  TBlowfish cipher;
  TTimes stages, builder;
  bool built = true;
  for (int run = 0; run < runs; ++run) {
    Measure(stages, [&] {
      TBackupFile writer;
      writer.SetCompressionLevel(clFastest);
      writer.SetSaveFileID(true);
      writer.SetRestoreFullPath(true);
      writer.CreateArchive(files, work + "stages.bck");
      EncryptArchiveFile(cipher, kKey, work + "stages.bck", work + "stages.BFE");
      DeleteFile(work + "stages.bck");
    });
    EmptyFolder(work);
    bench::Save(list, corpus + "\r\n/s\b*.*\r\n");  // the list as it was before the run
    Measure(builder, [&] {
      TCreateBackupSet set;
      set.RegistryEditor = &store;
      set.Blowfish = &cipher;
      built = set.Execute() && built;
    });
    EmptyFolder(work);
    TCatalogue catalogue(store);
    for (const std::string& id : catalogue.Ids())
      catalogue.Erase(id);
  }
  const double mb = static_cast<double>(total) / (1024 * 1024);
  std::printf("corpus: %zu files, %.1f MiB (text, binaries, random), clFastest, best of %d\n",
              files.size(), mb, runs);
  std::printf("%-48s %9s %9s\n", "", "CPU MiB/s", "wall MiB/s");
  std::printf("%-48s %9.1f %9.1f\n", "baseline: archive writer + EncryptArchiveFile",
              mb / stages.Cpu, mb / stages.Wall);
  std::printf("%-48s %9.1f %9.1f\n", "builder: list to recorded .BFE", mb / builder.Cpu,
              mb / builder.Wall);
  std::printf("builder cost over its two stages: %+.1f %% CPU, %+.1f %% wall%s\n",
              (builder.Cpu / stages.Cpu - 1) * 100, (builder.Wall / stages.Wall - 1) * 100,
              built ? "" : "  (A RUN FAILED)");
  std::error_code ignored;
  std::filesystem::remove_all(root, ignored);
  return built ? 0 : 1;
}
