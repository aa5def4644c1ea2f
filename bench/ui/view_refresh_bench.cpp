// Refreshing the main window's "Outbox" of a large catalogue beside reading the same entries
// through the catalogue class alone, in the same run and over the same store: the catalogue's
// EntriesInView, the rows with their cells and marks (ViewRows), and the window's whole refresh
// (clear, columns, rows, marks, status text) on the offscreen platform. Best of the runs, in
// CPU time of the process (the figure that a loaded, shared machine disturbs least) and wall time.
//   bench_view_refresh_bench [entries (default 5000)] [runs (default 5)]
#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>

#include "app/ui/main_window.h"
#include "backupset/catalogue_views.h"
#include "catalogue/catalogue.h"
#include "platform/folders.h"
#include "platform/runtime/event_loop_hook.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"

using namespace vaultora;

namespace {

struct TTimes {
  double Cpu = 1e30, Wall = 1e30;
};

double CpuMsNow() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

TTimes Best(int runs, const std::function<void()>& run) {
  TTimes best;
  for (int i = 0; i < runs; ++i) {
    const double cpu = CpuMsNow();
    const auto start = std::chrono::steady_clock::now();
    run();
    best.Cpu = std::min(best.Cpu, CpuMsNow() - cpu);
    best.Wall =
        std::min(best.Wall,
                 std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count());
  }
  return best;
}

void Print(const char* what, const TTimes& t, const TTimes& base, const char* note) {
  std::printf("  %-38s %8.1f ms CPU %5.2fx  %8.1f ms wall%s\n", what, t.Cpu, t.Cpu / base.Cpu,
              t.Wall, note);
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
  const TTimes catalogue =
      Best(runs, [&] { count = TCatalogue(store).EntriesInView(cvOutbox).size(); });
  const TTimes rows = Best(runs, [&] { count = ViewRows(store, cvOutbox, restoreList).size(); });
  TMainWindowOptions options;
  options.TrayAvailable = false;
  TfrmMain window(options);
  window.show();
  window.SelectNode("Outbox");
  const TTimes refresh = Best(runs, [&] { window.RefreshList(); });

  std::printf("view refresh of %zu catalogue entries (Outbox), best of %d runs\n", count, runs);
  Print("catalogue class alone (EntriesInView)", catalogue, catalogue, "  (baseline)");
  Print("rows with cells and marks (ViewRows)", rows, catalogue, "");
  Print("main window refresh", refresh, catalogue, "  (aim: under 200 ms)");
  return 0;
}
