#pragma once
// TBitDataArray: a bit buffer. Bit i lives in byte i / 8 under the mask 0x80 >> (i % 8), most
// significant bit first; the container interleaves its items through it. Not thread-safe.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/streams.h"

namespace vaultora {

// Raised by the bit buffer and the container with their fixed texts.
class ETransferStreamError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TBitDataArray {
 public:
  int64_t BitCount() const { return FBitCount; }
  int64_t ByteCount() const { return static_cast<int64_t>(FBytes.size()); }
  // Keeps the bytes up to the new size, new bytes zero; negative: "Bit Index out of Bounds".
  void SetBitCount(int64_t bits);

  // An index outside 0 .. BitCount - 1 raises "Bit Index out of Bounds".
  void SetBit(int64_t index, bool value);
  bool GetBit(int64_t index) const;

  // The bytes from the stream's position to its end become the content / are appended.
  // A missing stream raises "Nil Data Stream".
  void LoadFromStream(TStream* stream);
  void AppendFromStream(TStream* stream);
  // 32 bits: the integer's four bytes, little-endian.
  void SetFromInt32(int32_t value);
  void WriteToStream(TStream* stream) const;
  std::string AsString() const { return std::string(FBytes.begin(), FBytes.end()); }
  void CopyTo(void* buffer) const;

  const std::vector<uint8_t>& Bytes() const { return FBytes; }
  void Assign(std::vector<uint8_t> bytes);

 private:
  void CheckIndex(int64_t index) const;

  int64_t FBitCount = 0;
  std::vector<uint8_t> FBytes;
};

}  // namespace vaultora
