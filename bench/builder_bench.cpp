// The backup set builder end to end (file list to recorded ".BFE") beside its two stages run
// alone over the same files, alternating (bench_stats.h): the archive writer (CreateArchive, as
// the builder sets it up) and then EncryptArchiveFile. Two cases: the archive benchmarks' corpus
// (bench_corpus.h), whose baseline gets the explicit paths, and many small files in one folder,
// whose baseline gets the folder's mask, so that any per-file cost of the builder's walk shows.
//   bench_builder_bench [MiB (default 64)] [small files (default 10000)] [pairs]
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "archive/backup_file.h"
#include "archive/blowfish.h"
#include "archive/cipher_helpers.h"
#include "archive/encryption_key.h"
#include "backupset/create_backup_set.h"
#include "bench_corpus.h"
#include "bench_profile.h"
#include "bench_stats.h"
#include "catalogue/catalogue.h"
#include "platform/text.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"

using namespace vaultora;

namespace {

// 1 to 8 KB files of text and binaries in one folder.
int64_t MakeSmallFiles(const std::string& folder, int count) {
  ForceDirectories(folder);
  bench::TRandom r{7};
  int64_t total = 0;
  for (int n = 0; n < count; ++n) {
    const size_t size = 1024 + r.Next() % (7 * 1024);
    bench::Save(folder + Format("small%05d.txt", n),
                n % 2 ? bench::TextData(size, r) : bench::BinaryData(size, r));
    total += static_cast<int64_t>(size);
  }
  return total;
}

// The builder from a list of one folder with a recursive rule, beside the archive writer (set
// up as the builder sets it up) over specs and then EncryptArchiveFile, alternating.
bool Compare(bench::TBuilderProfile& profile, const std::string& what, const std::string& folder,
             const TStringList& specs, const std::string& baseline, int64_t bytes, int pairs) {
  TBlowfish cipher;
  bool built = true;
  const bench::TPairs result = bench::Interleave(
      pairs,
      [&] {
        const bench::TSample sample = bench::Time([&] {
          TBackupFile writer;
          writer.SetCompressionLevel(clFastest);
          writer.SetSaveFileID(true);
          writer.SetRestoreFullPath(true);
          writer.CreateArchive(specs, profile.Work + "stages.bck");
          EncryptArchiveFile(cipher, bench::kBenchKey, profile.Work + "stages.bck",
                             profile.Work + "stages.BFE");
          DeleteFile(profile.Work + "stages.bck");
        });
        profile.Clean();
        return sample;
      },
      [&] {
        bench::Save(profile.List, folder + "\r\n/s\b*.*\r\n");  // as it was before any run
        const bench::TSample sample = bench::Time([&] {
          TCreateBackupSet set;
          set.RegistryEditor = &profile.Store;
          set.Blowfish = &cipher;
          built = set.Execute() && built;
        });
        profile.Clean();
        return sample;
      });
  bench::Report("builder", what, "builder: list to recorded .BFE", baseline,
                bench::Bytes(static_cast<double>(bytes)), result);
  if (!built) std::printf("  A BUILDER RUN FAILED\n");
  std::printf("\n");
  return built;
}

}  // namespace

int main(int argc, char** argv) {
  const long mib = argc > 1 ? std::max(1L, std::atol(argv[1])) : 64;
  const int smallFiles = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10000;
  const int pairs =
      argc > 3 ? std::max(bench::kMinPairs, std::atoi(argv[3])) : bench::PairsFromEnvironment();
  char pattern[] = "/tmp/vaultora-builder-bench-XXXXXX";
  const std::string root = IncludeTrailingSlash(mkdtemp(pattern));
  setenv("VAULTORA_HOME", (root + "home").c_str(), 1);
  const std::string corpus = root + "corpus/", small = root + "small/";
  const TStringList files = bench::MakeCorpus(corpus, mib * 1024 * 1024);
  int64_t total = 0;
  for (const std::string& f : files)
    total += FileSizeOf(f);
  const int64_t smallTotal = MakeSmallFiles(small, smallFiles);
  std::printf("clFastest; MB = 10^6 bytes; rates are of the files' bytes\n\n");

  bench::TBuilderProfile profile(root, clFastest);
  bool built = Compare(profile,
                       Format("%zu files, %.1f MB, 5 folders", files.size(),
                              static_cast<double>(total) / bench::kMB),
                       corpus, files, "archive writer over the same paths + EncryptArchiveFile",
                       total, pairs);
  built = Compare(profile, Format("%d small files (1-8 KB) in one folder", smallFiles), small,
                  {small + "*.*"}, "archive writer over one folder mask + EncryptArchiveFile",
                  smallTotal, pairs) &&
          built;
  std::error_code ignored;
  std::filesystem::remove_all(root, ignored);
  return built ? 0 : 1;
}
