// Online operations throughput: uploads and downloads of a backup (256 MiB unless a size in MiB
// is given) through TOnLineBackup and TOnLineRestore, with their catalogue writes, beside
// TBkServer alone moving the same bytes to the same in-process server, alternating
// (bench_stats.h). Also the cost of one catalogue position write and the share of the upload's
// time spent writing them.
//   bench_online_ops_bench [MiB] [pairs]
#include <QCoreApplication>
#include <QEventLoop>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "../bench_online.h"
#include "../bench_stats.h"
#include "catalogue/catalogue.h"
#include "online/account_record.h"
#include "online/bk_server.h"
#include "online/logon_envelope.h"
#include "online/runtime/interval_gate.h"
#include "online/runtime/online_backup.h"
#include "online/runtime/online_restore.h"
#include "platform/folders.h"
#include "platform/runtime/event_loop_hook.h"
#include "platform/streams.h"
#include "platform/system_names.h"
#include "server/backup_server.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"

namespace {

using namespace vaultora;
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The channel alone: logon, upload and download of the file, as the workers do them.
std::pair<bench::TSample, bench::TSample> ChannelAlone(int port, const std::string& file,
                                                       int64_t size, const std::string& copy) {
  TBkServer channel;
  channel.SetAddress("127.0.0.1");
  channel.SetPort(port);
  channel.SetActive(true);
  // A moment of its own: the server refuses a logon moment it has seen (the product's runs
  // log on from this computer and user too).
  const TDateTime moment = NextLogonMoment();
  const auto record = BuildLogonRecord(MakeAccountRecord({"ann", "secret"}),
                                       LogonKey(ComputerName(), UserName(), moment));
  if (channel.Logon(BuildLogonEnvelope(record), LogonTimeCode(moment)).empty()) {
    std::fprintf(stderr, "logon refused\n");
    std::exit(1);
  }
  channel.OnBackup = [](TBkServer*, int64_t, int64_t, int&, bool&) {};
  int64_t sent = 0;
  bool ended = false;
  const bench::TSample up = bench::Time([&] {
    channel.InitBackup("46100_5.BFE", "baseline", "46100_5.bfl", Now(), size, "MAC", {}, "");
    TFileStream in(file, fmOpenRead);
    in.SetPosition(channel.RemoteSize());
    sent = channel.SendFile(in, 4096);
    ended = channel.EndBackup(Now());
  });
  if (sent != size || !ended) std::fprintf(stderr, "baseline upload incomplete\n");

  TFileStream out(copy, fmCreate);
  channel.OnRestore = [&](TBkServer*, TMemoryStream& data, bool&) {
    out.WriteBuffer(data.Memory(), data.Size());
  };
  const bench::TSample down = bench::Time([&] {
    channel.InitRestore("46100_5.BFE", "baseline", Date());
    channel.SetReceiveBufferSize(4096);
    channel.ReceiveFile(0);
    channel.EndRestore(Date());
  });
  if (out.Size() != size) std::fprintf(stderr, "baseline download incomplete\n");
  return {up, down};
}

// Runs a component to its end; false when it reported failure.
bool RunToClose(TBaseOnlineTransfer& component, bool& failed) {
  QEventLoop loop;
  component.OnClose = [&](TComponent*) { loop.quit(); };
  component.OnStatus = [](TComponent*, const std::string& s) {
    std::fprintf(stderr, "  %s\n", s.c_str());
  };
  component.Start();
  loop.exec();
  return !failed;
}

}  // namespace

int main(int argc, char** argv) {
  const int64_t mib = argc > 1 ? std::atoll(argv[1]) : 256;
  const int64_t size = mib << 20;
  bench::TBenchHome home;
  QCoreApplication app(argc, argv);
  InstallEventLoopHook();
  const std::string work = home.Work;
  bench::TLoopbackServer server(home.Folder + "storage");
  const int port = server.Port;

  TIniRegistryEditor store;
  store.SetLazyWrite(true);
  bench::WriteOnlineSettings(store, work, port);

  const std::string id = "46100.25";
  TCatalogue catalogue(store);
  const std::string archive = catalogue.ArchivePath(id);
  const TBackupRecord record = bench::MakeBenchBackup(catalogue, id, size);

  const int pairs =
      argc > 2 ? std::max(bench::kMinPairs, std::atoi(argv[2])) : bench::PairsFromEnvironment();
  std::printf(
      "online operations, %lld MiB through vaultora-server on loopback (in this "
      "process); MB = 10^6 bytes\n\n",
      static_cast<long long>(mib));
  // Each round: the channel alone up and down, then the components up and down.
  bench::TPairs up, down;
  bool failed = false;
  for (int round = 0; round < pairs; ++round) {
    const auto [channelUp, channelDown] = ChannelAlone(port, archive, size, work + "copy.bin");
    DeleteFile(work + "copy.bin");
    up.Baseline.push_back(channelUp);
    down.Baseline.push_back(channelDown);
    if (round > 0) catalogue.RecordBackup(id, record);  // needs sending again
    up.Product.push_back(bench::Time([&] {
      TOnLineBackup upload;
      upload.OnBackupFailed = [&](TComponent*) { failed = true; };
      RunToClose(upload, failed);
    }));
    if (failed || FileExists(archive)) std::fprintf(stderr, "upload failed\n");
    catalogue.MarkForFetching(id);
    down.Product.push_back(bench::Time([&] {
      TOnLineRestore restore;
      restore.SetRestoreList({id});
      restore.OnRestoreFailed = [&](TComponent*) { failed = true; };
      RunToClose(restore, failed);
    }));
    if (failed || FileSizeOf(archive) != size) std::fprintf(stderr, "download failed\n");
  }
  const bench::TWork amount = bench::Bytes(static_cast<double>(size));
  bench::Report("online operations", "upload", "TOnLineBackup (logon and catalogue included)",
                "TBkServer alone", amount, up);
  bench::Report("online operations", "download", "TOnLineRestore (logon and catalogue included)",
                "TBkServer alone", amount, down);
  const double componentUp = bench::SpreadOf(bench::Walls(up.Product)).Median;

  // One catalogue position write, as the upload makes it (WAL, synchronous=NORMAL).
  TIniRegistryEditor writer;
  writer.SetRootKey(rtHKEY_CURRENT_USER);
  writer.SetLazyWrite(true);
  TCatalogue positions(writer);
  constexpr int kWrites = 2000;
  const auto start = Clock::now();
  for (int i = 0; i < kWrites; ++i)
    positions.WriteSendPosition(id, i * 4096);
  const double perWrite = SecondsSince(start) / kWrites;
  const double interval = std::chrono::duration<double>(kTransferReportInterval).count();
  const double writesMade = componentUp / interval + 2;
  const double chunks = static_cast<double>(size) / 4096;

  std::printf(
      "one position write: %.1f us; the upload wrote about %.0f (one per %.0f ms and at "
      "its end): %.2f %% of its median time\n",
      perWrite * 1e6, writesMade, interval * 1000, 100 * writesMade * perWrite / componentUp);
  std::printf("one write per 4 KB chunk would have cost %.2f s (%.0f %% of the upload's time)\n",
              chunks * perWrite, 100 * chunks * perWrite / componentUp);

  return 0;
}
