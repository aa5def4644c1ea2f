#include "archive/buffered_io.h"

#include <algorithm>
#include <cstring>

#include "archive/archive_errors.h"

namespace vaultora {

namespace {
constexpr size_t kBufferSize = 256 * 1024;
}  // namespace

TBufferedReader::TBufferedReader(TStream& stream)
    : FStream(stream),
      FBuffer(kBufferSize),
      FBufferStart(stream.Position()),
      FSize(stream.Size()) {}

void TBufferedReader::Fill() {
  FBufferStart += static_cast<int64_t>(FEnd);
  FNext = FEnd = 0;
  const int64_t want =
      std::min<int64_t>(static_cast<int64_t>(FBuffer.size()), FSize - FBufferStart);
  if (want <= 0) return;
  const int64_t got = FStream.Read(FBuffer.data(), want);
  if (got > 0) FEnd = static_cast<size_t>(got);
}

void TBufferedReader::Read(void* buffer, int64_t count) {
  if (count < 0 || count > Remaining()) RaiseInvalidArchive();
  auto* out = static_cast<uint8_t*>(buffer);
  while (count > 0) {
    if (FNext == FEnd) {
      Fill();
      if (FEnd == 0) RaiseInvalidArchive();  // the stream gave less than its size promised
    }
    const size_t n = std::min(static_cast<size_t>(count), FEnd - FNext);
    std::memcpy(out, FBuffer.data() + FNext, n);
    FNext += n;
    out += n;
    count -= static_cast<int64_t>(n);
  }
}

int32_t TBufferedReader::ReadInt32() {
  uint8_t b[4];
  Read(b, 4);
  return static_cast<int32_t>(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                              static_cast<uint32_t>(b[2]) << 16 |
                              static_cast<uint32_t>(b[3]) << 24);
}

std::string TBufferedReader::ReadText(int32_t count) {
  if (count < 0 || count > Remaining()) RaiseInvalidArchive();
  std::string text(static_cast<size_t>(count), '\0');
  Read(text.data(), count);
  return text;
}

void TBufferedReader::Skip(int64_t count) {
  if (count < 0 || count > Remaining()) RaiseInvalidArchive();
  if (count <= static_cast<int64_t>(FEnd - FNext)) {
    FNext += static_cast<size_t>(count);
    return;
  }
  const int64_t target = Position() + count;
  if (FStream.Seek(target, TSeekOrigin::soBeginning) != target) RaiseInvalidArchive();
  FBufferStart = target;
  FNext = FEnd = 0;
}

TBufferedWriter::TBufferedWriter(TStream& stream)
    : FStream(stream), FBuffer(kBufferSize), FStart(stream.Position()) {}

void TBufferedWriter::Write(const void* buffer, int64_t count) {
  if (count <= 0) return;
  if (FUsed + static_cast<size_t>(count) > FBuffer.size()) {
    Flush();
    if (static_cast<size_t>(count) >= FBuffer.size()) {
      FStream.WriteBuffer(buffer, count);
      FFlushed += count;
      return;
    }
  }
  std::memcpy(FBuffer.data() + FUsed, buffer, static_cast<size_t>(count));
  FUsed += static_cast<size_t>(count);
}

void TBufferedWriter::WriteInt32(int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                        static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
  Write(b, 4);
}

void TBufferedWriter::WriteText(std::string_view text) {
  WriteInt32(static_cast<int32_t>(text.size()));
  Write(text.data(), static_cast<int64_t>(text.size()));
}

void TBufferedWriter::Flush() {
  if (FUsed == 0) return;
  const size_t used = FUsed;
  FUsed = 0;  // a failed write is not retried
  FStream.WriteBuffer(FBuffer.data(), static_cast<int64_t>(used));
  FFlushed += static_cast<int64_t>(used);
}

}  // namespace vaultora
