// The transfer windows' cost to the transfers they show: uploads and downloads of one backup
// (64 MiB unless a size in MiB is given) through the client runtime to vaultora-server on
// loopback (in this process), with the transfer windows shown (labels, speed, list and
// animation following the run, on the offscreen platform) beside the same runs with no window,
// alternating (bench_stats.h). The window must leave the run at 90 % or more of its speed.
//   bench_transfer_window_bench [MiB] [pairs]
#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../bench_online.h"
#include "../bench_stats.h"
#include "app/runtime/client_runtime.h"
#include "app/ui/animated_tray_icon.h"
#include "app/ui/online_windows.h"
#include "catalogue/catalogue.h"
#include "platform/runtime/event_loop_hook.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"

using namespace vaultora;

namespace {

// Runs the event loop until the runtime has nothing open and nothing waiting.
void RunToIdle(TClientRuntime& runtime) {
  QElapsedTimer clock;
  clock.start();
  do {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  } while (!runtime.Idle() && clock.elapsed() < 600000);
}

}  // namespace

int main(int argc, char** argv) {
  const int64_t mib = argc > 1 ? std::atoll(argv[1]) : 64;
  const int64_t size = mib << 20;
  bench::TBenchHome home;
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  InstallEventLoopHook();
  bench::TLoopbackServer server(home.Folder + "storage");
  {
    TIniRegistryEditor store;
    bench::WriteOnlineSettings(store, home.Work, server.Port);
    store.WriteBool(keys::kConnection, keys::connection::kUseLANServer, true);
  }

  TClientRuntime runtime;
  TAnimatedTrayIcon tray(nullptr, false);
  TOnlineWindows windows(runtime, tray);
  bool shown = false;
  runtime.OnOpening = [&](TWorkKind kind, bool) {
    if (shown) windows.Opening(kind);
  };
  runtime.Host().OnLine = [&](TWorkKind kind, const std::string& line) {
    if (shown) windows.Line(kind, line);
  };
  runtime.OnTransferClosed = [&](TWorkKind kind, bool) {
    if (shown) windows.Closed(kind);
  };

  const std::string id = "46100.25";
  TCatalogue catalogue(runtime.Store());
  const std::string archive = catalogue.ArchivePath(id);
  const TBackupRecord record = bench::MakeBenchBackup(catalogue, id, size);

  // One upload and one download, with or without the windows; each download brings the archive
  // back for the next upload.
  bench::TPairs up, down;
  bool failed = false;
  const auto round = [&](bool withWindows) {
    shown = withWindows;
    catalogue.RecordBackup(id, record);  // needs sending
    const int failedBefore = runtime.TransfersFailed();
    (withWindows ? up.Product : up.Baseline).push_back(bench::Time([&] {
      runtime.Queue().SendOnly();
      RunToIdle(runtime);
    }));
    if (FileExists(archive)) failed = true;
    runtime.RestoreList().push_back(id);
    (withWindows ? down.Product : down.Baseline).push_back(bench::Time([&] {
      runtime.Queue().ReceiveOnly();
      RunToIdle(runtime);
    }));
    if (FileSizeOf(archive) != size || runtime.TransfersFailed() != failedBefore) failed = true;
  };

  const int pairs =
      argc > 2 ? std::max(bench::kMinPairs, std::atoi(argv[2])) : bench::PairsFromEnvironment();
  std::printf(
      "transfer windows, %lld MiB through vaultora-server on loopback (in this process); "
      "MB = 10^6 bytes\n\n",
      static_cast<long long>(mib));
  for (int i = 0; i < pairs; ++i) {
    round(false);
    round(true);
  }
  if (failed) std::fprintf(stderr, "a transfer failed; the figures are not comparable\n");
  const bench::TWork amount = bench::Bytes(static_cast<double>(size));
  bench::Report("transfer windows", "upload", "with its window shown", "no window", amount, up);
  bench::Report("transfer windows", "download", "with its window shown", "no window", amount, down);

  runtime.OnOpening = nullptr;
  runtime.OnTransferClosed = nullptr;
  runtime.Host().OnLine = nullptr;
  return failed ? 1 : 0;
}
