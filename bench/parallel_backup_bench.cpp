// A backup of the mixed corpus (bench_corpus.h) through the backup set builder, list to recorded
// ".BFE", at each compression level, against two baselines run alternately in the same run
// (bench_stats.h):
//   - the same builder on one deflating thread (Preferences CompressionThreads = 1), and
//   - a plain program that deflates the same 16 KB blocks of the same files on as many threads
//     as the builder uses and enciphers the packed blocks in order as they come out (CBC over
//     one stream, written to a file): the limit the archive format allows on this machine.
//   bench_parallel_backup_bench [MiB (default 256)] [pairs]
#include <zlib.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "archive/archive_format.h"
#include "archive/block_codec.h"
#include "archive/blowfish.h"
#include "archive/cipher_helpers.h"
#include "backupset/create_backup_set.h"
#include "bench_corpus.h"
#include "bench_profile.h"
#include "bench_stats.h"
#include "platform/processor_count.h"
#include "platform/text.h"

using namespace vaultora;

namespace {

using archive_format::kBlockSize;

// Every block of the corpus: which file, where.
struct TBlockRef {
  size_t File;
  int64_t Offset;
  int Size;
};

std::vector<TBlockRef> BlocksOf(const TStringList& files) {
  std::vector<TBlockRef> blocks;
  for (size_t f = 0; f < files.size(); ++f) {
    const int64_t size = FileSizeOf(files[f]);
    for (int64_t at = 0; at < size; at += kBlockSize)
      blocks.push_back({f, at, static_cast<int>(std::min<int64_t>(kBlockSize, size - at))});
  }
  return blocks;
}

// The plain program: threads deflate block i when i % threads is theirs, into a ring of slots;
// the main thread enciphers each packed block in order and writes the ciphertext to out.
void PlainBlocksAndCipher(const TStringList& files, const std::vector<TBlockRef>& blocks, int level,
                          int threads, const std::string& out) {
  const size_t ring = static_cast<size_t>(threads) * 4;
  struct TSlot {
    std::vector<uint8_t> In = std::vector<uint8_t>(kBlockSize);
    std::vector<uint8_t> Packed = std::vector<uint8_t>(kBlockSize + 64);
    int Size = 0;
    bool Full = false;
  };
  std::vector<TSlot> slots(ring);
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t)
    workers.emplace_back([&, t] {
      TBlockDeflater deflater(level);
      std::unique_ptr<TFileStream> source;  // the file of this thread's last block
      size_t sourceIndex = 0;
      for (size_t i = static_cast<size_t>(t); i < blocks.size();
           i += static_cast<size_t>(threads)) {
        TSlot& slot = slots[i % ring];
        {
          std::unique_lock<std::mutex> lock(mutex);
          changed.wait(lock, [&] { return !slot.Full; });
        }
        const TBlockRef& b = blocks[i];
        if (!source || sourceIndex != b.File) {
          source = std::make_unique<TFileStream>(files[b.File], fmOpenRead);
          sourceIndex = b.File;
        }
        source->SetPosition(b.Offset);
        source->ReadBuffer(slot.In.data(), b.Size);
        int packed = deflater.Compress(slot.In.data(), b.Size, slot.Packed.data(), kBlockSize);
        if (packed <= 0) {  // stored as it is
          std::memcpy(slot.Packed.data(), slot.In.data(), static_cast<size_t>(b.Size));
          packed = b.Size;
        }
        std::lock_guard<std::mutex> lock(mutex);
        slot.Size = packed;
        slot.Full = true;
        changed.notify_all();
      }
    });
  TBlowfish cipher;
  cipher.InitialiseIV(ArchiveIVText(bench::kBenchKey));
  cipher.InitialiseKey(bench::kBenchKey);
  TFileStream file(out, fmCreate);
  std::vector<uint8_t> pending;
  size_t used = 0;
  auto encipher = [&](const uint8_t* data, size_t count) {
    while (count > 0) {
      const size_t n = std::min(kCipherChunkSize - used, count);
      std::memcpy(cipher.Buffer() + used, data, n);
      used += n;
      data += n;
      count -= n;
      if (used == kCipherChunkSize) {
        cipher.EncryptBuffer(kCipherChunkSize);
        pending.insert(pending.end(), cipher.Buffer(), cipher.Buffer() + kCipherChunkSize);
        used = 0;
        if (pending.size() >= kFileBufferSize) {
          file.WriteBuffer(pending.data(), static_cast<int64_t>(pending.size()));
          pending.clear();
        }
      }
    }
  };
  for (size_t i = 0; i < blocks.size(); ++i) {
    TSlot& slot = slots[i % ring];
    {
      std::unique_lock<std::mutex> lock(mutex);
      changed.wait(lock, [&] { return slot.Full; });
    }
    uint8_t head[4] = {static_cast<uint8_t>(slot.Size), static_cast<uint8_t>(slot.Size >> 8), 0, 0};
    encipher(head, 4);
    encipher(slot.Packed.data(), static_cast<size_t>(slot.Size));
    std::lock_guard<std::mutex> lock(mutex);
    slot.Full = false;
    changed.notify_all();
  }
  for (std::thread& worker : workers)
    worker.join();
  const size_t n = kBlowfishBlockSize - used % kBlowfishBlockSize;
  std::memset(cipher.Buffer() + used, static_cast<int>(n), n);
  cipher.EncryptBuffer(used + n);
  pending.insert(pending.end(), cipher.Buffer(), cipher.Buffer() + used + n);
  file.WriteBuffer(pending.data(), static_cast<int64_t>(pending.size()));
}

void SetThreads(bench::TBuilderProfile& profile, int threads) {
  profile.Store.SetRootKey(rtHKEY_CURRENT_USER);
  profile.Store.SetFilename(keys::kBaseKey);
  profile.Store.WriteInteger(keys::kPreferences, keys::preferences::kCompressionThreads, threads);
}

bench::TSample Backup(bench::TBuilderProfile& profile, TBlowfish& cipher, const std::string& corpus,
                      int threads, bool& built) {
  SetThreads(profile, threads);
  bench::Save(profile.List, corpus + "\r\n/s\b*.*\r\n");
  const bench::TSample sample = bench::Time([&] {
    TCreateBackupSet set;
    set.RegistryEditor = &profile.Store;
    set.Blowfish = &cipher;
    built = set.Execute() && built;
  });
  profile.Clean();
  return sample;
}

}  // namespace

int main(int argc, char** argv) {
  const long mib = argc > 1 ? std::max(1L, std::atol(argv[1])) : 256;
  const int pairs =
      argc > 2 ? std::max(bench::kMinPairs, std::atoi(argv[2])) : bench::PairsFromEnvironment();
  char pattern[] = "/tmp/vaultora-parallel-bench-XXXXXX";
  const std::string root = IncludeTrailingSlash(mkdtemp(pattern));
  setenv("VAULTORA_HOME", (root + "home").c_str(), 1);
  const std::string corpus = root + "corpus/";
  const TStringList files = bench::MakeCorpus(corpus, mib * 1024 * 1024);
  int64_t total = 0;
  for (const std::string& f : files)
    total += FileSizeOf(f);
  const std::vector<TBlockRef> blocks = BlocksOf(files);
  const int threads = ProcessorCount();
  std::printf("%zu files, %.1f MB in %zu blocks; %d processors; MB = 10^6 bytes of the files\n\n",
              files.size(), static_cast<double>(total) / bench::kMB, blocks.size(), threads);

  bool built = true;
  TBlowfish cipher;
  const bench::TWork amount = bench::Bytes(static_cast<double>(total));
  for (TCompressionLevel level : {clFastest, clDefault, clMax}) {
    const char* name = level == clFastest ? "fastest" : level == clDefault ? "default" : "max";
    bench::TBuilderProfile profile(root, level);
    const bench::TPairs single = bench::Interleave(
        pairs, [&] { return Backup(profile, cipher, corpus, 1, built); },
        [&] { return Backup(profile, cipher, corpus, 0, built); });
    bench::Report("parallel backup", Format("level %s vs one thread", name),
                  Format("builder, %d deflating threads", threads), "builder, one deflating thread",
                  amount, single);
    const bench::TPairs limit = bench::Interleave(
        pairs,
        [&] {
          const bench::TSample sample = bench::Time([&] {
            PlainBlocksAndCipher(files, blocks, ZlibLevel(level), threads, root + "plain.out");
          });
          DeleteFile(root + "plain.out");
          return sample;
        },
        [&] { return Backup(profile, cipher, corpus, 0, built); });
    bench::Report("parallel backup", Format("level %s vs plain blocks + cipher", name),
                  Format("builder, %d deflating threads", threads),
                  Format("plain %d-thread block deflate + in-order cipher", threads), amount,
                  limit);
    std::printf("\n");
  }
  if (!built) std::printf("A BUILDER RUN FAILED\n");
  std::error_code ignored;
  std::filesystem::remove_all(root, ignored);
  return built ? 0 : 1;
}
