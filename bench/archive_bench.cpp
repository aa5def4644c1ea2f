// Archive throughput: CreateArchive and ExtractArchive at clFastest and clMax over a mixed
// corpus (text, binaries, random; 256 MiB unless a size in MiB is given) that the benchmark
// makes itself, beside the limit of the format on one core measured in the same run: zlib
// compressing the same 16 KB blocks with a fresh stream each, and inflating them with a fresh
// stream each while writing the files. Best of the given number of runs (default 2). Times are
// the process's CPU time (user + system), so that other work on a shared machine disturbs the
// comparison less; the benchmark is single-threaded.
//   bench_archive_bench [MiB] [runs]
#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "archive/backup_file.h"
#include "bench_corpus.h"
#include "platform/folders.h"
#include "platform/streams.h"
#include "platform/text.h"

namespace {

using namespace vaultora;
using namespace vaultora::bench;
constexpr int kBlock = 16384;

double Best(int runs, const std::function<double()>& run) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i)
    best = std::min(best, run());
  return best;
}

double Elapsed(double start) {
  return CpuNow() - start;
}

// The compressed blocks of every file (size < 0: stored), from the raw compression pass.
struct TRawBlock {
  int Size;
  std::string Data;
};

// zlib alone over the same blocks, a fresh stream each: seconds spent compressing.
double RawCompress(const std::vector<std::string>& files, int level,
                   std::vector<std::vector<TRawBlock>>& blocks) {
  blocks.assign(files.size(), {});
  std::vector<uint8_t> out(kBlock);
  double seconds = 0;
  for (size_t f = 0; f < files.size(); ++f) {
    const std::string data = Load(files[f]);
    const double start = CpuNow();
    for (size_t at = 0; at < data.size(); at += kBlock) {
      const int size = static_cast<int>(std::min<size_t>(kBlock, data.size() - at));
      z_stream z{};
      deflateInit2(&z, level, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY);
      z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data() + at));
      z.avail_in = static_cast<uInt>(size);
      z.next_out = out.data();
      z.avail_out = kBlock;
      const bool fits = deflate(&z, Z_FINISH) == Z_STREAM_END;
      const int packed = static_cast<int>(z.total_out);
      deflateEnd(&z);
      if (fits)
        blocks[f].push_back({packed, std::string(reinterpret_cast<char*>(out.data()), packed)});
      else
        blocks[f].push_back({-size, data.substr(at, static_cast<size_t>(size))});
    }
    seconds += Elapsed(start);
  }
  return seconds;
}

// zlib inflating the same blocks, a fresh stream each, and writing the files.
double RawInflateAndWrite(const std::vector<std::vector<TRawBlock>>& blocks,
                          const std::string& folder) {
  ForceDirectories(folder);
  std::vector<uint8_t> out(kBlock);
  const double start = CpuNow();
  for (size_t f = 0; f < blocks.size(); ++f) {
    const int fd = ::open((folder + Format("f%zu", f)).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    for (const TRawBlock& block : blocks[f]) {
      const void* data = block.Data.data();
      size_t length = block.Data.size();
      if (block.Size > 0) {
        z_stream z{};
        inflateInit(&z);
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(block.Data.data()));
        z.avail_in = static_cast<uInt>(block.Data.size());
        z.next_out = out.data();
        z.avail_out = kBlock;
        inflate(&z, Z_FINISH);
        length = z.total_out;
        inflateEnd(&z);
        data = out.data();
      }
      if (::write(fd, data, length) != static_cast<ssize_t>(length)) std::perror("write");
    }
    ::close(fd);
  }
  return Elapsed(start);
}

}  // namespace

int main(int argc, char** argv) {
  const long long mib = argc > 1 ? std::atoll(argv[1]) : 256;
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2;
  const std::string root = CreateTempFile("archive-bench-");
  DeleteFile(root);
  const std::string corpus = root + "/corpus/";
  ForceDirectories(corpus);
  const std::vector<std::string> files = MakeCorpus(corpus, mib << 20);
  const double size = static_cast<double>(mib);
  std::printf("corpus: %lld MiB in %zu files (text, binaries, random in equal parts), best of %d\n",
              mib, files.size(), runs);
  std::printf("%-10s %14s %14s %6s %18s %14s %6s %7s\n", "level", "raw deflate", "create", "",
              "raw inflate+write", "extract", "", "ratio");

  for (TCompressionLevel level : {clFastest, clMax}) {
    std::vector<std::vector<TRawBlock>> blocks;
    const double rawCreate =
        Best(runs, [&] { return RawCompress(files, ZlibLevel(level), blocks); });
    const double rawExtract = Best(runs, [&] {
      std::filesystem::remove_all(root + "/raw");
      return RawInflateAndWrite(blocks, root + "/raw/");
    });
    std::filesystem::remove_all(root + "/raw");
    blocks.clear();

    const std::string archive = root + "/corpus.bck";
    int64_t archived = 0;
    const double create = Best(runs, [&] {
      TBackupFile backup;
      backup.SetCompressionLevel(level);
      const double start = CpuNow();
      if (!backup.CreateArchive({corpus + "* /s"}, archive))
        std::fprintf(stderr, "create failed\n");
      archived = FileSizeOf(archive);
      return Elapsed(start);
    });
    const double extract = Best(runs, [&] {
      std::filesystem::remove_all(root + "/out");
      TBackupFile backup;
      backup.SetRestoreFullPath(true);
      const double start = CpuNow();
      if (!backup.ExtractArchive(archive, root + "/out")) std::fprintf(stderr, "extract failed\n");
      return Elapsed(start);
    });
    std::filesystem::remove_all(root + "/out");
    DeleteFile(archive);
    std::printf("%-10s %9.1f MB/s %9.1f MB/s %5.0f%% %13.1f MB/s %9.1f MB/s %5.0f%% %6.1f%%\n",
                level == clFastest ? "clFastest" : "clMax", size / rawCreate, size / create,
                100 * rawCreate / create, size / rawExtract, size / extract,
                100 * rawExtract / extract,
                100.0 * static_cast<double>(archived) / (size * 1048576));
  }
  std::filesystem::remove_all(root);
  return 0;
}
