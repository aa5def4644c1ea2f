// Blowfish throughput: EncryptFile and DecryptFile on a file (256 MiB unless a size in MiB is
// given), with and without the archive MAC, each beside the raw CBC rate of the same nettle
// primitive on memory, the two alternating (bench_stats.h).
//   bench_cipher_bench [MiB] [pairs]
#include <nettle/blowfish.h>
#include <nettle/cbc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "archive/blowfish.h"
#include "archive/cipher_helpers.h"
#include "bench_stats.h"
#include "platform/folders.h"
#include "platform/streams.h"

namespace {

using namespace vaultora;

constexpr const char* kKey = "a benchmark key of some length";

void EncryptFunction(const void* context, size_t length, uint8_t* dst, const uint8_t* src) {
  blowfish_encrypt(static_cast<const blowfish_ctx*>(context), length, dst, src);
}
void DecryptFunction(const void* context, size_t length, uint8_t* dst, const uint8_t* src) {
  blowfish_decrypt(static_cast<const blowfish_ctx*>(context), length, dst, src);
}

// The raw primitive: CBC over one memory buffer, passed through as often as makes total bytes.
bench::TSample RawRun(bool encrypt, size_t total) {
  std::vector<uint8_t> buffer(std::min<size_t>(total, 64u << 20));
  for (size_t i = 0; i < buffer.size(); ++i)
    buffer[i] = static_cast<uint8_t>(i * 131);
  blowfish_ctx context;
  blowfish_set_key(&context, std::string(kKey).size(), reinterpret_cast<const uint8_t*>(kKey));
  uint8_t iv[8] = {};
  return bench::Time([&] {
    for (size_t done = 0; done < total; done += buffer.size()) {
      if (encrypt)
        cbc_encrypt(&context, EncryptFunction, 8, iv, buffer.size(), buffer.data(), buffer.data());
      else
        cbc_decrypt(&context, DecryptFunction, 8, iv, buffer.size(), buffer.data(), buffer.data());
    }
  });
}

void WriteInput(const std::string& path, size_t total) {
  TFileStream out(path, fmCreate);
  std::vector<uint8_t> chunk(1 << 20);
  uint32_t x = 2463534242u;
  for (size_t done = 0; done < total; done += chunk.size()) {
    for (uint8_t& b : chunk) {
      x ^= x << 13;
      x ^= x >> 17;
      x ^= x << 5;
      b = static_cast<uint8_t>(x);
    }
    out.WriteBuffer(chunk.data(), static_cast<int64_t>(chunk.size()));
  }
}

}  // namespace

int main(int argc, char** argv) {
  const long mib = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 256;
  const int pairs =
      argc > 2 ? std::max(bench::kMinPairs, std::atoi(argv[2])) : bench::PairsFromEnvironment();
  if (mib <= 0) {
    std::fprintf(stderr, "usage: %s [MiB] [pairs]\n", argv[0]);
    return 2;
  }
  const size_t total = static_cast<size_t>(mib) << 20;
  const char* tmp = std::getenv("TMPDIR");
  const std::string folder = IncludeTrailingSlash(tmp && *tmp ? tmp : "/tmp");
  const std::string plain = folder + "vaultora-bench.bck", sealed = folder + "vaultora-bench.BFE",
                    back = folder + "vaultora-bench.out";
  WriteInput(plain, total);
  std::printf("Blowfish CBC, %ld MiB file in %s (page cache warm); MB = 10^6 bytes\n\n", mib,
              folder.c_str());

  TBlowfish cipher;
  auto keyed = [&] {
    cipher.InitialiseIV(ArchiveIVText(kKey));
    cipher.InitialiseKey(kKey);
  };
  const bench::TWork work = bench::Bytes(static_cast<double>(total));
  const auto raw = [&](bool encrypt) { return [&, encrypt] { return RawRun(encrypt, total); }; };
  const auto timed = [](const std::function<void()>& run) {
    return [run] { return bench::Time(run); };
  };
  bench::Report("cipher", "EncryptFile", "EncryptFile", "raw CBC encrypt on memory", work,
                bench::Interleave(pairs, raw(true), timed([&] {
                                    keyed();
                                    cipher.EncryptFile(plain, sealed);
                                  })));
  bench::Report("cipher", "EncryptArchiveFile", "EncryptArchiveFile (with MAC)",
                "raw CBC encrypt on memory", work,
                bench::Interleave(pairs, raw(true),
                                  timed([&] { EncryptArchiveFile(cipher, kKey, plain, sealed); })));
  bench::Report("cipher", "DecryptFile", "DecryptFile", "raw CBC decrypt on memory", work,
                bench::Interleave(pairs, raw(false), timed([&] {
                                    keyed();
                                    cipher.DecryptFile(sealed, back);
                                  })));
  bench::Report("cipher", "DecryptArchiveFile", "DecryptArchiveFile (with MAC)",
                "raw CBC decrypt on memory", work,
                bench::Interleave(pairs, raw(false),
                                  timed([&] { DecryptArchiveFile(cipher, kKey, sealed, back); })));
  const bool same = FileSizeOf(back) == static_cast<long long>(total);
  std::printf("round trip %s\n", same ? "complete" : "LOST BYTES");
  DeleteFile(plain);
  DeleteFile(sealed);
  DeleteFile(back);
  return same ? 0 : 1;
}
