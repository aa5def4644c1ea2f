// Upload and download rates of an archive through the data channel to the backup server on
// loopback, beside a plain socket moving the same bytes in 4096-byte writes, alternating
// (bench_stats.h). The upload's baseline receiver writes the bytes to a file and flushes it as
// the server does; a second line compares with a receiver that throws them away.
//   bench_online_channel_bench [MiB (default 256)] [pairs]
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <thread>
#include <vector>

#include "bench_stats.h"
#include "online/bk_server.h"
#include "online/logon_envelope.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "server/backup_server.h"

using namespace vaultora;

namespace {

constexpr int kPiece = 4096;

// What the plain receiver does with the bytes.
enum class TKeep {
  Discard,  // throws them away
  // writes each piece to a file and flushes the file to the disk before the sender hears the
  // transfer is done, as the server does before it acknowledges the bytes of an upload command
  FileAndSync,
};

// The plain baseline: one connection, the file sent in 4096-byte writes and read in 4096-byte
// receives.
bench::TSample PlainTransfer(const std::string& path, int64_t size, TKeep keep,
                             const std::string& copy) {
  TTcpListener listener;
  const int port = listener.Listen("127.0.0.1", 0, 1);
  std::thread receiver([&] {
    TTcpSocket peer(listener.Accept());
    const int fd =
        keep == TKeep::Discard ? -1 : ::open(copy.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<uint8_t> buffer(kPiece);
    int64_t got = 0;
    while (got < size) {
      const int64_t n = peer.ReceiveSome(buffer.data(), std::min<int64_t>(kPiece, size - got));
      if (n <= 0) break;
      if (fd >= 0 && ::pwrite(fd, buffer.data(), static_cast<size_t>(n), got) != n)
        std::perror("baseline write");
      got += n;
    }
    if (fd >= 0 && ::fsync(fd) != 0) std::perror("baseline sync");
    if (fd >= 0) ::close(fd);
  });
  TTcpSocket sender;
  sender.Connect("127.0.0.1", port, 60000);
  const bench::TSample sample = bench::Time([&] {
    TFileStream file(path, fmOpenRead);
    std::vector<uint8_t> buffer(kPiece);
    for (int64_t sent = 0; sent < size; sent += kPiece) {
      const int64_t n = file.Read(buffer.data(), kPiece);
      sender.SendAll(buffer.data(), n);
    }
    receiver.join();
  });
  DeleteFile(copy);
  return sample;
}

}  // namespace

int main(int argc, char** argv) {
  const int64_t mib = argc > 1 ? std::atoll(argv[1]) : 256;
  const int64_t size = mib * 1024 * 1024;
  if (size <= 0 || size > protocol::kMaxArchiveSize) {
    std::fprintf(stderr, "size must be 1 to 2047 MiB\n");
    return 2;
  }
  const std::string folder = std::filesystem::temp_directory_path() / "vaultora-bench-XXXXXX";
  std::vector<char> name(folder.begin(), folder.end());
  name.push_back('\0');
  const std::string work = IncludeTrailingSlash(mkdtemp(name.data()));
  const std::string path = work + "45000_5.BFE";
  {
    std::mt19937_64 random(42);
    TFileStream file(path, fmCreate);
    std::vector<uint64_t> block(1 << 16);
    for (int64_t written = 0; written < size; written += static_cast<int64_t>(block.size() * 8)) {
      for (uint64_t& word : block)
        word = random();
      file.WriteBuffer(block.data(), std::min<int64_t>(size - written, block.size() * 8));
    }
  }
  std::printf("archive of %lld MiB over loopback; server in this process; MB = 10^6 bytes\n\n",
              static_cast<long long>(mib));

  server::TServerLog log(nullptr);
  server::TBackupServer backupServer(work + "storage", {}, log);
  backupServer.Accounts().Add("bench", "bench", 1000);
  const int port = backupServer.Listen("127.0.0.1", 0);
  std::thread serving([&] { backupServer.Serve(); });

  TBkServer client;
  client.SetAddress("127.0.0.1");
  client.SetPort(port);
  client.SetActive(true);
  const std::vector<uint8_t> envelope = BuildLogonEnvelope(
      BuildLogonRecord(MakeAccountRecord({"bench", "bench"}), LogonKey("bench", "bench", Now())));
  if (client.Logon(envelope, LogonTimeCode(Now())).empty()) {
    std::fprintf(stderr, "logon refused\n");
    return 1;
  }

  const int pairs =
      argc > 2 ? std::max(bench::kMinPairs, std::atoi(argv[2])) : bench::PairsFromEnvironment();
  const bench::TWork amount = bench::Bytes(static_cast<double>(size));
  const std::string copy = work + "plain.copy";
  bool failed = false;
  // Upload: each round runs the plain socket writing and flushing a file, the channel, and the
  // plain socket throwing the bytes away, so both baselines see the channel's load.
  bench::TPairs synced, discarded;
  for (int round = 0; round < pairs; ++round) {
    synced.Baseline.push_back(PlainTransfer(path, size, TKeep::FileAndSync, copy));
    const std::string name = Format("45000_%d.BFE", round);
    const bench::TSample upload = bench::Time([&] {
      TFileStream archive(path, fmOpenRead);
      client.InitBackup(name, "Bench", "45000_5.bfl", Now(), size, "MAC", {}, "");
      client.OnBackup = [](TBkServer*, int64_t, int64_t, int&, bool&) {};
      failed = client.SendFile(archive, kPiece) != size || !client.EndBackup(Now()) || failed;
    });
    synced.Product.push_back(upload);
    discarded.Product.push_back(upload);
    discarded.Baseline.push_back(PlainTransfer(path, size, TKeep::Discard, copy));
  }
  if (failed) {
    std::fprintf(stderr, "upload failed\n");
    return 1;
  }
  bench::Report("data channel", "upload", "TBkServer to vaultora-server (writes, syncs)",
                "plain socket, receiver writes a file and syncs it at the end", amount, synced);
  bench::Report("data channel", "upload vs discarding socket",
                "TBkServer to vaultora-server (writes, syncs)",
                "plain socket, receiver throws the bytes away", amount, discarded);

  const bench::TPairs download = bench::Interleave(
      pairs, [&] { return PlainTransfer(path, size, TKeep::Discard, copy); },
      [&] {
        int64_t received = 0;
        const bench::TSample sample = bench::Time([&] {
          client.InitRestore("45000_0.BFE", "Bench", Date());
          client.SetReceiveBufferSize(kPiece);
          client.OnRestore = [&](TBkServer*, TMemoryStream& data, bool&) {
            received += data.Size();
          };
          client.ReceiveFile(0);
          client.EndRestore(Date());
        });
        failed = received != size || failed;
        return sample;
      });
  if (failed) {
    std::fprintf(stderr, "download failed\n");
    return 1;
  }
  bench::Report("data channel", "download", "vaultora-server to TBkServer (bytes discarded)",
                "plain socket, receiver throws the bytes away", amount, download);

  client.SetActive(false);
  backupServer.Stop();
  serving.join();
  std::filesystem::remove_all(work);
  return 0;
}
