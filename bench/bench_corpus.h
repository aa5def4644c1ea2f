#pragma once
// The corpus of the archive benchmarks: files of mixed sizes and kinds (text, binaries, random)
// in a few folders, made by the benchmark itself from a fixed generator, so that every
// benchmark that packs files measures the same data. Header-only: each bench/*.cpp is a program.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/folders.h"
#include "platform/streams.h"
#include "platform/text.h"

namespace vaultora::bench {

struct TRandom {
  uint64_t State;
  uint32_t Next() {
    State ^= State << 13;
    State ^= State >> 7;
    State ^= State << 17;
    return static_cast<uint32_t>(State >> 16);
  }
};

inline std::string TextData(size_t size, TRandom& r) {
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

inline std::string BinaryData(size_t size, TRandom& r) {
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

inline std::string RandomData(size_t size, TRandom& r) {
  std::string data(size, '\0');
  for (char& c : data)
    c = static_cast<char>(r.Next());
  return data;
}

inline void Save(const std::string& path, const std::string& data) {
  TFileStream file(path, fmCreate);
  file.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
}

inline std::string Load(const std::string& path) {
  TFileStream file(path, fmOpenRead);
  std::string data(static_cast<size_t>(file.Size()), '\0');
  file.ReadBuffer(data.data(), static_cast<int64_t>(data.size()));
  return data;
}

// The corpus: files of mixed sizes and kinds in a few folders; returns the file names.
inline std::vector<std::string> MakeCorpus(const std::string& folder, int64_t total) {
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

}  // namespace vaultora::bench
