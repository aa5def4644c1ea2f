#pragma once
// Buffered little-endian reading and writing over a TStream, so that the small fields of the
// archive cost no system call of their own. The reader never reads past the stream's size and
// raises "Invalid archive type" (EArchiveError) when the archive ends early.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/streams.h"

namespace vaultora {

class TBufferedReader {
 public:
  // Reads from the stream's current position to its end.
  explicit TBufferedReader(TStream& stream);

  void Read(void* buffer, int64_t count);
  int32_t ReadInt32();
  // count bytes of text; count must not exceed what is left.
  std::string ReadText(int32_t count);
  void Skip(int64_t count);

  int64_t Position() const { return FBufferStart + static_cast<int64_t>(FNext); }
  int64_t Size() const { return FSize; }
  int64_t Remaining() const { return FSize - Position(); }

 private:
  void Fill();

  TStream& FStream;
  std::vector<uint8_t> FBuffer;
  int64_t FBufferStart;  // stream position of FBuffer[0]
  size_t FNext = 0;
  size_t FEnd = 0;
  int64_t FSize;
};

class TBufferedWriter {
 public:
  // Writes from the stream's current position. Flush before the stream is closed; write
  // failures raise EWriteError (from Write or Flush).
  explicit TBufferedWriter(TStream& stream);

  void Write(const void* buffer, int64_t count);
  void WriteInt32(int32_t value);
  // The text's byte length as int32, then its bytes.
  void WriteText(std::string_view text);
  void Flush();

  // The stream position that the next byte will have.
  int64_t Position() const { return FStart + FFlushed + static_cast<int64_t>(FUsed); }

 private:
  TStream& FStream;
  std::vector<uint8_t> FBuffer;
  size_t FUsed = 0;
  int64_t FStart;
  int64_t FFlushed = 0;
};

}  // namespace vaultora
