// Archive throughput on one core: CreateArchive and ExtractArchive at clFastest and clMax over a
// mixed corpus (text, binaries, random; 256 MiB unless a size in MiB is given) that the
// benchmark makes itself, beside the format's limit measured in the same run with the same I/O:
// zlib deflating the same 16 KB blocks of the same files read 16 KB at a time into a file
// written 256 KiB at a time, and inflating them back into files written 256 KiB at a time (the
// archive reader's write size). Baseline and product alternate (bench_stats.h). The archive
// writer runs single-threaded here; bench_parallel_backup_bench measures its worker threads.
//   bench_archive_bench [MiB] [pairs]
#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/backup_file.h"
#include "bench_corpus.h"
#include "bench_stats.h"
#include "platform/folders.h"
#include "platform/text.h"

namespace {

using namespace vaultora;
using namespace vaultora::bench;
constexpr int kBlock = 16384;
constexpr size_t kIoSize = 256 * 1024;  // the archive reader's and writer's buffer

// A file written kIoSize bytes at a time.
class TOut {
 public:
  explicit TOut(const std::string& path)
      : FFd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644)) {
    FBuffer.reserve(kIoSize);
  }
  ~TOut() {
    Flush();
    ::close(FFd);
  }
  void Put(const void* data, size_t size) {
    if (FBuffer.size() + size > kIoSize) Flush();
    const auto* bytes = static_cast<const char*>(data);
    FBuffer.insert(FBuffer.end(), bytes, bytes + size);
  }
  void Flush() {
    if (!FBuffer.empty() && ::write(FFd, FBuffer.data(), FBuffer.size()) < 0) std::perror("write");
    FBuffer.clear();
  }

 private:
  int FFd;
  std::vector<char> FBuffer;
};

// A file read kIoSize bytes at a time.
class TIn {
 public:
  explicit TIn(const std::string& path) : FFd(::open(path.c_str(), O_RDONLY)), FBuffer(kIoSize) {}
  ~TIn() { ::close(FFd); }
  void Get(void* data, size_t size) {
    auto* out = static_cast<char*>(data);
    while (size > 0) {
      if (FNext == FEnd) {
        const ssize_t got = ::read(FFd, FBuffer.data(), FBuffer.size());
        if (got <= 0) std::exit((std::fprintf(stderr, "baseline read failed\n"), 1));
        FNext = 0;
        FEnd = static_cast<size_t>(got);
      }
      const size_t n = std::min(size, FEnd - FNext);
      std::memcpy(out, FBuffer.data() + FNext, n);
      FNext += n;
      out += n;
      size -= n;
    }
  }

 private:
  int FFd;
  std::vector<char> FBuffer;
  size_t FNext = 0, FEnd = 0;
};

// The files deflated block by block (one zlib stream each, deflateReset between them) into one
// file of int32 size + data per block and int32 0 after each file.
void RawCompress(const std::vector<std::string>& files, int level, const std::string& blocks) {
  TOut out(blocks);
  std::vector<uint8_t> in(kBlock), packed(kBlock);
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY);
  for (const std::string& path : files) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    for (;;) {
      const ssize_t size = ::read(fd, in.data(), kBlock);
      if (size <= 0) break;
      deflateReset(&z);
      z.next_in = in.data();
      z.avail_in = static_cast<uInt>(size);
      z.next_out = packed.data();
      z.avail_out = kBlock;
      const bool fits = deflate(&z, Z_FINISH) == Z_STREAM_END;
      const int32_t length = fits ? static_cast<int32_t>(z.total_out) : -static_cast<int32_t>(size);
      out.Put(&length, 4);
      out.Put(fits ? packed.data() : in.data(), fits ? z.total_out : static_cast<size_t>(size));
    }
    ::close(fd);
    const int32_t end = 0;
    out.Put(&end, 4);
  }
  deflateEnd(&z);
}

// The reverse: each block inflated (inflateReset between them) into its file.
void RawInflate(size_t fileCount, const std::string& blocks, const std::string& folder) {
  ForceDirectories(folder);
  TIn in(blocks);
  std::vector<uint8_t> packed(kBlock), plain(kBlock);
  z_stream z{};
  inflateInit(&z);
  for (size_t f = 0; f < fileCount; ++f) {
    TOut out(folder + Format("f%zu", f));
    for (;;) {
      int32_t length = 0;
      in.Get(&length, 4);
      if (length == 0) break;
      const size_t size = static_cast<size_t>(length < 0 ? -length : length);
      in.Get(packed.data(), size);
      if (length < 0) {
        out.Put(packed.data(), size);
        continue;
      }
      inflateReset(&z);
      z.next_in = packed.data();
      z.avail_in = static_cast<uInt>(size);
      z.next_out = plain.data();
      z.avail_out = kBlock;
      inflate(&z, Z_FINISH);
      out.Put(plain.data(), z.total_out);
    }
  }
  inflateEnd(&z);
}

}  // namespace

int main(int argc, char** argv) {
  const long long mib = argc > 1 ? std::max(1LL, std::atoll(argv[1])) : 256;
  const int pairs = argc > 2 ? std::max(kMinPairs, std::atoi(argv[2])) : PairsFromEnvironment();
  const std::string root = CreateTempFile("archive-bench-");
  DeleteFile(root);
  const std::string corpus = root + "/corpus/";
  ForceDirectories(corpus);
  const std::vector<std::string> files = MakeCorpus(corpus, mib << 20);
  int64_t total = 0;
  for (const std::string& f : files)
    total += FileSizeOf(f);
  const double bytes = static_cast<double>(total);
  std::printf(
      "corpus: %lld MiB (%.1f MB) in %zu files (text, binaries, random in equal parts); "
      "rates in MB/s, MB = 10^6 bytes; one thread\n\n",
      mib, bytes / kMB, files.size());

  const std::string blocks = root + "/raw.blocks", archive = root + "/corpus.bck";
  for (TCompressionLevel level : {clFastest, clMax}) {
    const std::string name = level == clFastest ? "clFastest" : "clMax";
    const TPairs create = Interleave(
        pairs, [&] { return Time([&] { RawCompress(files, ZlibLevel(level), blocks); }); },
        [&] {
          TBackupFile backup;
          backup.SetCompressionLevel(level);
          return Time([&] {
            if (!backup.CreateArchive({corpus + "* /s"}, archive))
              std::fprintf(stderr, "create failed\n");
          });
        });
    Report("archive", "create " + name, "CreateArchive",
           "zlib on the same 16 KB blocks, same reads and writes", Bytes(bytes), create);
    std::printf("  archive size: %.1f%% of the corpus\n\n",
                100.0 * static_cast<double>(FileSizeOf(archive)) / bytes);

    const TPairs extract = Interleave(
        pairs,
        [&] {
          std::filesystem::remove_all(root + "/raw");
          return Time([&] { RawInflate(files.size(), blocks, root + "/raw/"); });
        },
        [&] {
          std::filesystem::remove_all(root + "/out");
          TBackupFile backup;
          backup.SetRestoreFullPath(true);
          return Time([&] {
            if (!backup.ExtractArchive(archive, root + "/out"))
              std::fprintf(stderr, "extract failed\n");
          });
        });
    Report("archive", "extract " + name, "ExtractArchive",
           "zlib inflating the same blocks, 256 KiB writes", Bytes(bytes), extract);
    std::printf("\n");
    std::filesystem::remove_all(root + "/raw");
    std::filesystem::remove_all(root + "/out");
  }
  std::filesystem::remove_all(root);
  return 0;
}
