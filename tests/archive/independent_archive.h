#pragma once
// A reader and writer of the backup archive written from the format's description alone,
// sharing no code with the archive component: the tests check both directions against it.

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace vaultora::test::independent {

struct Block {
  int32_t Size = 0;  // as stored: negative for raw data
  std::string Data;  // the block's bytes as stored
};

struct Run {
  std::string Marker;  // "EC2"
  std::vector<Block> Blocks;
};

struct Record {
  std::string Name;
  int32_t Date = 0;
  std::vector<Run> Runs;  // more than one when the file continues in later volumes
  std::string Content;    // the file's bytes
};

struct Archive {
  std::string Title;
  int32_t TotalSize = 0;
  int32_t FileCount = 0;
  std::vector<Record> Records;
  std::vector<std::string> Volumes;  // file names, first volume first
};

inline std::string LoadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("missing " + path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class Cursor {
 public:
  explicit Cursor(std::string bytes) : Bytes(std::move(bytes)) {}
  int32_t Int() {
    Need(4);
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
      v = v << 8 | static_cast<uint8_t>(Bytes[At + static_cast<size_t>(i)]);
    At += 4;
    return static_cast<int32_t>(v);
  }
  std::string Take(size_t n) {
    Need(n);
    std::string s = Bytes.substr(At, n);
    At += n;
    return s;
  }
  bool AtEnd() const { return At == Bytes.size(); }

 private:
  void Need(size_t n) const {
    if (Bytes.size() - At < n) throw std::runtime_error("archive ends early");
  }
  std::string Bytes;
  size_t At = 0;
};

inline std::string Inflate(const std::string& data) {
  std::string out(16384, '\0');
  uLongf length = out.size();
  if (uncompress(reinterpret_cast<Bytef*>(out.data()), &length,
                 reinterpret_cast<const Bytef*>(data.data()), data.size()) != Z_OK)
    throw std::runtime_error("bad zlib block");
  out.resize(length);
  return out;
}

inline Run ParseRun(Cursor& in, std::string& content) {
  Run run;
  const std::string marker = in.Take(4);
  if (marker != std::string("EC2\0", 4)) throw std::runtime_error("bad marker");
  run.Marker = "EC2";
  for (;;) {
    Block block;
    block.Size = in.Int();
    if (block.Size == 0) break;
    const size_t n = static_cast<size_t>(block.Size > 0 ? block.Size : -block.Size);
    if (n > 16384) throw std::runtime_error("block too large");
    block.Data = in.Take(n);
    content += block.Size > 0 ? Inflate(block.Data) : block.Data;
    run.Blocks.push_back(std::move(block));
  }
  return run;
}

// The next volume: the same name with its extension replaced by "." and three digits.
inline std::string NextVolumeName(const std::string& first, const std::string& digits) {
  const size_t slash = first.rfind('/');
  const size_t dot = first.rfind('.');
  const std::string stem = (dot != std::string::npos && (slash == std::string::npos || dot > slash))
                               ? first.substr(0, dot)
                               : first;
  return stem + "." + digits;
}

inline Archive Parse(const std::string& path) {
  Archive archive;
  archive.Volumes.push_back(path);
  Cursor in(LoadBytes(path));
  archive.Title = in.Take(static_cast<size_t>(in.Int()));
  archive.TotalSize = in.Int();
  archive.FileCount = in.Int();
  for (;;) {
    const int32_t length = in.Int();
    if (length == 0) break;
    const std::string name = in.Take(static_cast<size_t>(length));
    if (name.rfind("NEXT:DISK", 0) == 0) {
      if (!in.AtEnd()) throw std::runtime_error("continuation is not last in its volume");
      const std::string next = NextVolumeName(path, name.substr(9));
      archive.Volumes.push_back(next);
      in = Cursor(LoadBytes(next));
      Record& record = archive.Records.back();
      record.Runs.push_back(ParseRun(in, record.Content));
      continue;
    }
    Record record;
    record.Name = name;
    record.Date = in.Int();
    record.Runs.push_back(ParseRun(in, record.Content));
    archive.Records.push_back(std::move(record));
  }
  if (!in.AtEnd()) throw std::runtime_error("bytes after the end word");
  return archive;
}

// Writes a one-volume archive of the given records (name, date, content), deflating each 16 KB
// block with its own zlib stream at level, or storing it when the deflated form is longer.
struct Entry {
  std::string Name;
  int32_t Date = 0;
  std::string Content;
};

inline void PutInt(std::string& out, int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i)
    out.push_back(static_cast<char>(v >> (8 * i)));
}

inline std::string Write(const std::string& title, int32_t totalSize,
                         const std::vector<Entry>& entries, int level) {
  std::string out;
  PutInt(out, static_cast<int32_t>(title.size()));
  out += title;
  PutInt(out, totalSize);
  PutInt(out, static_cast<int32_t>(entries.size()));
  for (const Entry& e : entries) {
    PutInt(out, static_cast<int32_t>(e.Name.size()));
    out += e.Name;
    PutInt(out, e.Date);
    out.append("EC2\0", 4);
    for (size_t at = 0; at < e.Content.size(); at += 16384) {
      const std::string chunk = e.Content.substr(at, 16384);
      std::string packed(compressBound(chunk.size()), '\0');
      uLongf length = packed.size();
      compress2(reinterpret_cast<Bytef*>(packed.data()), &length,
                reinterpret_cast<const Bytef*>(chunk.data()), chunk.size(), level);
      if (length <= chunk.size()) {
        PutInt(out, static_cast<int32_t>(length));
        out.append(packed.data(), length);
      } else {
        PutInt(out, -static_cast<int32_t>(chunk.size()));
        out += chunk;
      }
    }
    PutInt(out, 0);
  }
  PutInt(out, 0);
  return out;
}

}  // namespace vaultora::test::independent
