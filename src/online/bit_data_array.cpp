#include "online/bit_data_array.h"

#include <cstring>

#include "online/wire_integers.h"

namespace vaultora {

namespace {

constexpr const char* kBitIndexOutOfBounds = "Bit Index out of Bounds";

std::vector<uint8_t> RestOf(TStream* stream) {
  if (stream == nullptr) throw ETransferStreamError("Nil Data Stream");
  const int64_t count = stream->Size() - stream->Position();
  std::vector<uint8_t> bytes(static_cast<size_t>(count > 0 ? count : 0));
  stream->ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  return bytes;
}

}  // namespace

void TBitDataArray::SetBitCount(int64_t bits) {
  if (bits < 0) throw ETransferStreamError(kBitIndexOutOfBounds);
  FBitCount = bits;
  FBytes.resize(static_cast<size_t>((bits + 7) / 8), 0);
}

void TBitDataArray::CheckIndex(int64_t index) const {
  if (index < 0 || index >= FBitCount || FBytes.empty())
    throw ETransferStreamError(kBitIndexOutOfBounds);
}

void TBitDataArray::SetBit(int64_t index, bool value) {
  CheckIndex(index);
  const uint8_t mask = static_cast<uint8_t>(0x80u >> (index % 8));
  uint8_t& byte = FBytes[static_cast<size_t>(index / 8)];
  byte = value ? static_cast<uint8_t>(byte | mask) : static_cast<uint8_t>(byte & ~mask);
}

bool TBitDataArray::GetBit(int64_t index) const {
  CheckIndex(index);
  return (FBytes[static_cast<size_t>(index / 8)] & (0x80u >> (index % 8))) != 0;
}

void TBitDataArray::Assign(std::vector<uint8_t> bytes) {
  FBytes = std::move(bytes);
  FBitCount = static_cast<int64_t>(FBytes.size()) * 8;
}

void TBitDataArray::LoadFromStream(TStream* stream) {
  Assign(RestOf(stream));
}

void TBitDataArray::AppendFromStream(TStream* stream) {
  const std::vector<uint8_t> more = RestOf(stream);
  FBytes.resize(static_cast<size_t>((FBitCount + 7) / 8));
  FBytes.insert(FBytes.end(), more.begin(), more.end());
  FBitCount = static_cast<int64_t>(FBytes.size()) * 8;
}

void TBitDataArray::SetFromInt32(int32_t value) {
  std::vector<uint8_t> bytes(4);
  WriteInt32(bytes.data(), value);
  Assign(std::move(bytes));
}

void TBitDataArray::WriteToStream(TStream* stream) const {
  if (stream == nullptr) throw ETransferStreamError("Nil Data Stream");
  stream->WriteBuffer(FBytes.data(), ByteCount());
}

void TBitDataArray::CopyTo(void* buffer) const {
  if (!FBytes.empty()) std::memcpy(buffer, FBytes.data(), FBytes.size());
}

}  // namespace vaultora
