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
#include "platform/folders.h"
#include "platform/streams.h"
#include "platform/text.h"

namespace {

using namespace vaultora;
constexpr int kBlock = 16384;

struct TRandom {
  uint64_t State;
  uint32_t Next() {
    State ^= State << 13;
    State ^= State >> 7;
    State ^= State << 17;
    return static_cast<uint32_t>(State >> 16);
  }
};

std::string TextData(size_t size, TRandom& r) {
  static std::vector<std::string> words;
  if (words.empty()) {
    TRandom w{99};
    for (int i = 0; i < 3000; ++i) {
      std::string word;
      for (int n = 2 + static_cast<int>(w.Next() % 9); n > 0; --n)
        word += static_cast<char>('a' + w.Next() % 26);
      words.push_back(word);
    }
  }
  std::string text;
  text.reserve(size + 64);
  while (text.size() < size) {
    const uint32_t pick = r.Next();
    // Frequent words come often, as in real text.
    text += words[(pick % 64) * (pick % 47) % words.size()];
    text += (pick % 13 == 0) ? "\n" : " ";
  }
  text.resize(size);
  return text;
}

std::string BinaryData(size_t size, TRandom& r) {
  std::string data;
  data.reserve(size + 16);
  uint32_t value = r.Next();
  while (data.size() < size) {
    const uint32_t kind = r.Next() % 4;
    if (kind == 0) {  // a table of slowly growing numbers
      for (int i = 0; i < 64; ++i) {
        value += r.Next() % 32;
        data.append(reinterpret_cast<const char*>(&value), 4);
      }
    } else if (kind == 1) {  // instruction-like repeats with varying operands
      for (int i = 0; i < 32; ++i) {
        const char op[] = {'\x48', '\x8b', static_cast<char>(r.Next() % 8), '\x24'};
        data.append(op, 4);
      }
    } else if (kind == 2) {  // zero padding
      data.append(static_cast<size_t>(r.Next() % 512), '\0');
    } else {  // packed data
      for (int i = 0; i < 48; ++i)
        data.push_back(static_cast<char>(r.Next()));
    }
  }
  data.resize(size);
  return data;
}

std::string RandomData(size_t size, TRandom& r) {
  std::string data(size, '\0');
  for (char& c : data)
    c = static_cast<char>(r.Next());
  return data;
}

void Save(const std::string& path, const std::string& data) {
  TFileStream file(path, fmCreate);
  file.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
}

std::string Load(const std::string& path) {
  TFileStream file(path, fmOpenRead);
  std::string data(static_cast<size_t>(file.Size()), '\0');
  file.ReadBuffer(data.data(), static_cast<int64_t>(data.size()));
  return data;
}

// The corpus: files of mixed sizes and kinds in a few folders; returns the file names.
std::vector<std::string> MakeCorpus(const std::string& folder, int64_t total) {
  static const size_t kSizes[] = {4096, 70000, 1 << 20, 4 << 20, 300 * 1024 + 13, 9 << 20, 100};
  std::vector<std::string> files;
  TRandom r{2026};
  int64_t made = 0;
  for (int n = 0; made < total; ++n) {
    const size_t size = std::min<size_t>(kSizes[n % 7], static_cast<size_t>(total - made));
    const std::string dir = folder + Format("d%d/", n % 5);
    ForceDirectories(dir);
    const std::string path = dir + Format("file%04d", n);
    const int kind = n % 3;
    Save(path, kind == 0   ? TextData(size, r)
               : kind == 1 ? BinaryData(size, r)
                           : RandomData(size, r));
    files.push_back(path);
    made += static_cast<int64_t>(size);
  }
  return files;
}

double Best(int runs, const std::function<double()>& run) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i)
    best = std::min(best, run());
  return best;
}

double CpuNow() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
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
