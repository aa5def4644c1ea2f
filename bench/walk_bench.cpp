// The file walk and the list filter over many small files, beside a plain readdir + fstatat walk
// of the same tree in the same run. For 1,000, 10,000 and 50,000 files, in one folder and in a
// tree of 100-file folders, three product figures are taken, each interleaved with the baseline
// (baseline, product, baseline, product ...):
//   rule:  a list holding one monitoring rule filtered for a full backup, then expanded for the
//          archive writer (what a first backup costs before any file is read);
//   state: the list as that backup left it (every file with its recorded state) filtered for an
//          incremental, then expanded (what a backup with nothing changed costs before it stops).
// Then, on the largest count in a tree, a whole first backup and an incremental with nothing
// changed through the backup set builder (file list to recorded ".BFE").
// Figures are min / median / max of wall and process CPU time over the pairs; the ratio is the
// product's median over the baseline's.
//   bench_walk_bench [pairs (default 5)] [largest count (default 50000)]
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <vector>

#include "archive/blowfish.h"
#include "archive/encryption_key.h"
#include "archive/file_specs.h"
#include "backupset/create_backup_set.h"
#include "backupset/file_list_filter.h"
#include "bench_corpus.h"
#include "bench_stats.h"
#include "catalogue/catalogue.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"

using namespace vaultora;

namespace {

constexpr int kFilesPerFolder = 100;

struct TSample {
  double Wall = 0, Cpu = 0;
};

TSample Time(const std::function<void()>& run) {
  const double cpu = bench::CpuNow();
  const auto wall = std::chrono::steady_clock::now();
  run();
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count(),
          bench::CpuNow() - cpu};
}

struct TSpread {
  double Min, Median, Max;
};

TSpread SpreadOf(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return {values.front(), values[values.size() / 2], values.back()};
}

std::string SpreadText(const std::vector<TSample>& samples, bool wall) {
  std::vector<double> values;
  for (const TSample& s : samples)
    values.push_back(wall ? s.Wall : s.Cpu);
  const TSpread spread = SpreadOf(values);
  char text[96];
  std::snprintf(text, sizeof text, "%8.4f %8.4f %8.4f", spread.Min, spread.Median, spread.Max);
  return text;
}

double Median(const std::vector<TSample>& samples, bool wall) {
  std::vector<double> values;
  for (const TSample& s : samples)
    values.push_back(wall ? s.Wall : s.Cpu);
  return SpreadOf(values).Median;
}

// The baseline: every entry of every folder listed with readdir and read with one fstatat
// relative to the open folder, subfolders entered. Returns the regular files seen.
size_t PlainWalk(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return 0;
  size_t files = 0;
  std::vector<std::string> subFolders;
  while (const dirent* d = readdir(dir)) {
    if (d->d_name[0] == '.' && (d->d_name[1] == 0 || (d->d_name[1] == '.' && d->d_name[2] == 0)))
      continue;
    struct stat st {};
    if (fstatat(dirfd(dir), d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISDIR(st.st_mode))
      subFolders.push_back(folder + d->d_name + "/");
    else if (S_ISREG(st.st_mode))
      ++files;
  }
  closedir(dir);
  for (const std::string& sub : subFolders)
    files += PlainWalk(sub);
  return files;
}

// count files of 1 to 4 KB under root: all in root, or in folders of kFilesPerFolder files
// grouped ten to a parent folder.
void MakeFiles(const std::string& root, int count, bool tree) {
  bench::TRandom random{static_cast<uint64_t>(count) * 7 + (tree ? 1 : 0)};
  std::string folder = root;
  ForceDirectories(root);
  for (int i = 0; i < count; ++i) {
    if (tree && i % kFilesPerFolder == 0) {
      const int n = i / kFilesPerFolder;
      folder = root + "g" + IntToStr(n / 10) + "/d" + IntToStr(n % 10) + "/";
      ForceDirectories(folder);
    }
    bench::Save(folder + "f" + IntToStr(i) + ".txt",
                bench::TextData(1024 + random.Next() % 3072, random));
  }
}

struct TCase {
  int Count;
  bool Tree;
};

// The filter and the expansion of the list file list, as the builder and its writer run them.
size_t FilterAndExpand(const std::string& list, bool hasBase, bool keepState,
                       TFileListFilter& filter) {
  filter.Load(list);
  filter.Filter(hasBase);
  const TStringList files = ExpandFileSpecs(filter.Files(), {});
  if (keepState) filter.UpdatedList().SaveToFile(list);
  return files.size();
}

bool Row(const char* what, const TCase& c, const std::vector<TSample>& base,
         const std::vector<TSample>& product, size_t seen, size_t expected) {
  const double ratio = Median(product, true) / Median(base, true);
  std::printf("%6d %-6s %-6s wall %s | %s  x%.2f   cpu %s | %s  x%.2f%s\n", c.Count,
              c.Tree ? "tree" : "folder", what, SpreadText(base, true).c_str(),
              SpreadText(product, true).c_str(), ratio, SpreadText(base, false).c_str(),
              SpreadText(product, false).c_str(), Median(product, false) / Median(base, false),
              seen == expected ? "" : "  (WRONG FILE COUNT)");
  return seen == expected;
}

}  // namespace

int main(int argc, char** argv) {
  const int pairs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const int largest = argc > 2 ? std::max(1000, std::atoi(argv[2])) : 50000;
  char pattern[] = "/tmp/vaultora-walk-bench-XXXXXX";
  const std::string root = IncludeTrailingSlash(mkdtemp(pattern));
  setenv("VAULTORA_HOME", (root + "home").c_str(), 1);

  std::vector<TCase> cases;
  std::vector<int> counts = {1000, 10000};
  if (largest > 10000) counts.push_back(largest);
  for (int count : counts)
    if (count <= largest)
      for (bool tree : {false, true})
        cases.push_back({count, tree});
  bool ok = true;
  std::printf("pairs: %d; seconds min median max, baseline | product, ratio of medians\n", pairs);
  for (const TCase& c : cases) {
    const std::string files = root + "files/";
    MakeFiles(files, c.Count, c.Tree);
    const std::string list = root + "walk.bfl";
    std::vector<TSample> base, rule, state;
    std::vector<TSample> base2;
    size_t seenRule = 0, seenState = 0, seenBase = 0;
    for (int i = 0; i < pairs; ++i) {
      base.push_back(Time([&] { seenBase = PlainWalk(files); }));
      bench::Save(list, files + "\r\n/s\b*.*\r\n");
      TFileListFilter filter;
      rule.push_back(Time([&] { seenRule = FilterAndExpand(list, false, false, filter); }));
    }
    // The list with every file's recorded state, as the first backup leaves it.
    {
      TFileListFilter filter;
      bench::Save(list, files + "\r\n/s\b*.*\r\n");
      FilterAndExpand(list, false, true, filter);
    }
    for (int i = 0; i < pairs; ++i) {
      base2.push_back(Time([&] { seenBase = PlainWalk(files); }));
      TFileListFilter filter;
      state.push_back(Time([&] { seenState = FilterAndExpand(list, true, false, filter); }));
    }
    ok = Row("rule", c, base, rule, seenRule, seenBase) && ok;
    ok = Row("state", c, base2, state, seenState, 0) && ok;
    if (c.Count == largest && c.Tree) {
      // The whole builder: a first backup, then one with nothing changed.
      TIniRegistryEditor store;
      const std::string work = root + "work/";
      ForceDirectories(work);
      store.SetRootKey(rtHKEY_CURRENT_USER);
      store.SetFilename(keys::kBaseKey);
      store.WriteString(keys::kPreferences, keys::preferences::kWorkingZipFolder, work);
      store.WriteInteger(keys::kPreferences, keys::preferences::kCompressionType, 0);
      WriteEncryptionKey(store, "bench key");
      store.SetRootKey(rtHKEY_CURRENT_USER);
      store.SetFilename(keys::kBaseKey);
      bench::Save(list, files + "\r\n/s\b*.*\r\n");
      store.WriteString(keys::kBackupWizard, keys::wizard::kSession, list);
      store.WriteString(keys::kBackupWizard, keys::wizard::kBackupTitle, "Bench");
      TBlowfish cipher;
      bool first = false;
      const TSample full = Time([&] {
        TCreateBackupSet set;
        set.RegistryEditor = &store;
        set.Blowfish = &cipher;
        first = set.Execute();
        store.SetRootKey(rtHKEY_CURRENT_USER);
        store.SetFilename(keys::kBaseKey);
        store.WriteString(keys::kBackupWizard, keys::wizard::kAppendBackup, set.BackupID());
      });
      bool nothing = false;
      const TSample incremental = Time([&] {
        TCreateBackupSet set;
        set.RegistryEditor = &store;
        set.Blowfish = &cipher;
        nothing = !set.Execute();  // nothing changed: no backup is made
      });
      const TSample walk = Time([&] { PlainWalk(files); });
      std::printf(
          "%6d tree   builder: first backup %.2f s wall %.2f s CPU; nothing changed "
          "%.2f s wall %.2f s CPU; plain walk %.4f s%s\n",
          c.Count, full.Wall, full.Cpu, incremental.Wall, incremental.Cpu, walk.Wall,
          first && nothing ? "" : "  (A RUN DID NOT DO WHAT WAS EXPECTED)");
      ok = ok && first && nothing;
    }
    std::error_code ignored;
    std::filesystem::remove_all(files, ignored);
  }
  std::error_code ignored;
  std::filesystem::remove_all(root, ignored);
  return ok ? 0 : 1;
}
