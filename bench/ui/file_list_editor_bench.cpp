// The file list editor and the picker on large folders, each beside the core work alone in the
// same run (bench_stats.h):
// - the editor loading and showing a list of N entries (default 100,000: 20 folders of 5,000
//   files, real one-byte files) beside the list format's load of the same file alone; the
//   editor's figure is construction (load, tree, the first folder's rows) plus showing;
// - the picker listing a folder of M files (default 50,000) until its last row is shown, beside
//   the folder walk alone; and the longest time the window's event loop was held while it did,
//   measured by a 5 ms timer (the stall a user would feel).
//   bench_file_list_editor_bench [entries] [picker files]
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "../bench_stats.h"
#include "platform/folders.h"
#include "platform/runtime/event_loop_hook.h"
#include "selection/file_list.h"
#include "selection/folder_walk.h"
#include "selection/ui/picker_window.h"
#include "selection/ui/session_window.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"

using namespace vaultora;
using namespace vaultora::bench;

namespace {

void MakeFiles(const std::string& folder, int count, std::string* listLines) {
  ForceDirectories(folder);
  if (listLines) *listLines += folder + "\r\n";
  for (int i = 0; i < count; ++i) {
    const std::string name = "file" + std::to_string(i) + ".dat";
    std::ofstream(folder + name, std::ios::binary) << 'x';
    if (listLines) *listLines += name + "\r\n";
  }
}

// Runs the event loop until done, recording the longest gap between ticks of a 5 ms timer.
double RunWatching(const std::function<bool()>& done) {
  QElapsedTimer gap;
  gap.start();
  double longest = 0;
  QTimer ticker;
  ticker.setInterval(5);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    longest = std::max(longest, static_cast<double>(gap.nsecsElapsed()) / 1e6);
    gap.restart();
  });
  ticker.start();
  while (!done()) {
    QEventLoop loop;
    QTimer::singleShot(1, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return longest;
}

}  // namespace

int main(int argc, char** argv) {
  const int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
  const int pickerFiles = argc > 2 ? std::atoi(argv[2]) : 50000;
  char pattern[] = "/tmp/vaultora-editor-bench-XXXXXX";
  const std::string home = IncludeTrailingSlash(mkdtemp(pattern));
  setenv("VAULTORA_HOME", home.c_str(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  InstallEventLoopHook();
  const int pairs = PairsFromEnvironment();

  std::printf("making %d listed files and a folder of %d files...\n", entries, pickerFiles);
  std::string lines;
  const int folders = 20;
  for (int f = 0; f < folders; ++f)
    MakeFiles(home + "data/folder" + std::to_string(f) + "/", entries / folders, &lines);
  const std::string list = home + "large.bfl";
  std::ofstream(list, std::ios::binary) << lines;
  MakeFiles(home + "flat/", pickerFiles, nullptr);

  TIniRegistryEditor store;
  store.SetRootKey(rtHKEY_CURRENT_USER);
  store.SetFilename(keys::kBaseKey);
  store.WriteString(keys::kBackupWizard, keys::wizard::kSession, list);

  size_t loaded = 0;
  const TPairs editor = Interleave(
      pairs,
      [&] {
        return Time([&] {
          TFileList alone;
          alone.LoadFromFile(list);
          loaded = alone.Count();
        });
      },
      [&] {
        TSample sample;
        {
          sample = Time([&] {
            TfrmSession window(store, smWizard, WizardSessionSource());
            window.PickOnShow = false;
            window.show();
            QCoreApplication::processEvents();
          });
        }
        return sample;
      });
  std::printf("(%zu entries loaded)\n", loaded);
  Report("file_list_editor", "editor loads and shows " + std::to_string(entries) + " entries",
         "editor window", "list format load alone", Count(entries, "entries/s"), editor);

  double longestStall = 0, longestBatch = 0;
  const TPairs picker = Interleave(
      pairs,
      [&] {
        return Time([&] {
          std::string error;
          size_t found = 0;
          WalkFolders(
              SeekRequestFor(home + "flat/", false, skFilesFolders, "*"),
              [&](const std::string&, const TSearchRec&) { return ++found, false; },
              [] { return false; }, error);
        });
      },
      [&] {
        TSample sample;
        sample = Time([&] {
          TfrmPicker window(home + "flat/");
          window.show();
          longestStall = std::max(longestStall, RunWatching([&] { return !window.Listing(); }));
          longestBatch = std::max(longestBatch, window.LongestBatchMs());
        });
        return sample;
      });
  Report("file_list_editor", "picker lists " + std::to_string(pickerFiles) + " files",
         "picker window", "folder walk alone", Count(pickerFiles, "files/s"), picker);
  std::printf("  picker: longest event-loop stall %.1f ms, longest batch of rows %.1f ms\n",
              longestStall, longestBatch);
  std::filesystem::remove_all(home);
  return 0;
}
