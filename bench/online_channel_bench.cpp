// Upload and download rates of an archive through the data channel to the backup server on
// loopback, beside a plain socket moving the same bytes in 4096-byte writes in the same run.
// Usage: bench_online_channel [MiB]   (default 256)
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <thread>
#include <vector>

#include "online/bk_server.h"
#include "online/logon_envelope.h"
#include "platform/folders.h"
#include "server/backup_server.h"

using namespace vaultora;

namespace {

constexpr int kPiece = 4096;

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The plain baseline: one connection, the file sent in 4096-byte writes and read in 4096-byte
// receives. Returns seconds.
double PlainTransfer(const std::string& path, int64_t size) {
  TTcpListener listener;
  const int port = listener.Listen("127.0.0.1", 0, 1);
  std::thread receiver([&] {
    TTcpSocket peer(listener.Accept());
    std::vector<uint8_t> buffer(kPiece);
    int64_t got = 0;
    while (got < size)
      got += peer.ReceiveSome(buffer.data(), kPiece);
  });
  TTcpSocket sender;
  sender.Connect("127.0.0.1", port, 60000);
  const auto start = std::chrono::steady_clock::now();
  TFileStream file(path, fmOpenRead);
  std::vector<uint8_t> buffer(kPiece);
  for (int64_t sent = 0; sent < size; sent += kPiece) {
    const int64_t n = file.Read(buffer.data(), kPiece);
    sender.SendAll(buffer.data(), n);
  }
  receiver.join();
  return Seconds(start);
}

void Report(const char* what, int64_t size, double seconds, double baseline) {
  const double rate = static_cast<double>(size) / (1024.0 * 1024.0) / seconds;
  const double plain = static_cast<double>(size) / (1024.0 * 1024.0) / baseline;
  std::printf("%-10s %8.1f MB/s   plain socket %8.1f MB/s   %5.1f%%\n", what, rate, plain,
              100.0 * rate / plain);
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
  std::printf("archive of %lld MiB over loopback\n", static_cast<long long>(mib));

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

  const double plainUp = PlainTransfer(path, size);
  auto start = std::chrono::steady_clock::now();
  {
    TFileStream archive(path, fmOpenRead);
    client.InitBackup("45000_5.BFE", "Bench", "45000_5.bfl", Now(), size, "MAC", {}, "");
    client.OnBackup = [](TBkServer*, int64_t, int64_t, int&, bool&) {};
    if (client.SendFile(archive, kPiece) != size || !client.EndBackup(Now())) {
      std::fprintf(stderr, "upload failed\n");
      return 1;
    }
  }
  Report("upload", size, Seconds(start), plainUp);

  const double plainDown = PlainTransfer(path, size);
  start = std::chrono::steady_clock::now();
  int64_t received = 0;
  client.InitRestore("45000_5.BFE", "Bench", Date());
  client.SetReceiveBufferSize(kPiece);
  client.OnRestore = [&](TBkServer*, TMemoryStream& data, bool&) { received += data.Size(); };
  client.ReceiveFile(0);
  client.EndRestore(Date());
  if (received != size) {
    std::fprintf(stderr, "download failed\n");
    return 1;
  }
  Report("download", size, Seconds(start), plainDown);

  client.SetActive(false);
  backupServer.Stop();
  serving.join();
  std::filesystem::remove_all(work);
  return 0;
}
