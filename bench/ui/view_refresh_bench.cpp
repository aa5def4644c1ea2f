// Refreshing the main window's "Outbox" of a large catalogue beside reading the same entries
// through the catalogue class alone, in the same run and over the same store: the catalogue's
// EntriesInView, the rows with their cells and marks (ViewRows), and the window's whole refresh
// (clear, columns, rows, marks, status text) on the offscreen platform. Best of the runs.
//   bench_view_refresh_bench [entries (default 5000)] [runs (default 5)]
#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "app/ui/main_window.h"
#include "backupset/catalogue.h"
#include "backupset/catalogue_views.h"
#include "platform/folders.h"
#include "platform/runtime/event_loop_hook.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"

using namespace vaultora;

namespace {

double BestMs(int runs, const std::function<void()>& run) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    run();
    best = std::min(
        best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                  .count());
  }
  return best;
}

void MakeCatalogue(int entries) {
  TIniRegistryEditor store;
  TCatalogue catalogue(store);
  TRegistryTransaction transaction(store);
  for (int i = 0; i < entries; ++i) {
    TBackupRecord record;
    record.FinishDateTime = 46000.5 + i * 0.001;
    record.Session = "/home/ann/lists/documents.bfl";
    record.Size = 1048576 + i;
    record.User = "ann";
    record.MAC = "0123456789ABCDEF";
    record.BackupTitle = "Documents " + std::to_string(i);
    catalogue.RecordBackup(BackupIdOf(46000.5 + i * 0.001 - 0.0001), record);
  }
  transaction.Commit();
}

}  // namespace

int main(int argc, char** argv) {
  const int entries = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5000;
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  char pattern[] = "/tmp/vaultora-view-bench-XXXXXX";
  setenv("VAULTORA_HOME", mkdtemp(pattern), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  InstallEventLoopHook();
  MakeCatalogue(entries);

  TIniRegistryEditor store;
  const TStringList restoreList;
  size_t count = 0;
  const double catalogueMs =
      BestMs(runs, [&] { count = TCatalogue(store).EntriesInView(cvOutbox).size(); });
  const double rowsMs =
      BestMs(runs, [&] { count = ViewRows(store, cvOutbox, restoreList).size(); });
  TMainWindowOptions options;
  options.TrayAvailable = false;
  TfrmMain window(options);
  window.show();
  window.SelectNode("Outbox");
  const double windowMs = BestMs(runs, [&] { window.RefreshList(); });

  std::printf("view refresh of %zu catalogue entries (Outbox), best of %d runs\n", count, runs);
  std::printf("  catalogue class alone (EntriesInView)  %8.1f ms  (baseline)\n", catalogueMs);
  std::printf("  rows with cells and marks (ViewRows)   %8.1f ms  %5.2fx\n", rowsMs,
              rowsMs / catalogueMs);
  std::printf("  main window refresh                    %8.1f ms  %5.2fx  (aim: under 200 ms)\n",
              windowMs, windowMs / catalogueMs);
  return 0;
}
