#include "online/data_interleave_stream.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "online/wire_integers.h"

namespace vaultora {

namespace {

constexpr int64_t kLengthBits = 32;

uint32_t ReadUInt32(const uint8_t* p) {
  return static_cast<uint32_t>(ReadInt32(p));
}

bool BitAt(const uint8_t* block, int64_t index) {
  return (block[index / 8] & (0x80u >> (index % 8))) != 0;
}

void SetBitAt(uint8_t* block, int64_t index) {
  block[index / 8] = static_cast<uint8_t>(block[index / 8] | (0x80u >> (index % 8)));
}

// Writes bit i of item k to bit i*n + k of the block for every bit of the item.
void Interleave(const std::vector<uint8_t>& item, int64_t k, int64_t n, uint8_t* block) {
  for (size_t b = 0; b < item.size(); ++b) {
    const uint8_t byte = item[b];
    if (byte == 0) continue;
    for (int bit = 0; bit < 8; ++bit)
      if (byte & (0x80u >> bit)) SetBitAt(block, (static_cast<int64_t>(b) * 8 + bit) * n + k);
  }
}

// The reverse: the first `bytes` bytes of item k.
void Deinterleave(const uint8_t* block, int64_t k, int64_t n, uint8_t* item, int64_t bytes) {
  for (int64_t b = 0; b < bytes; ++b) {
    uint8_t byte = 0;
    for (int bit = 0; bit < 8; ++bit)
      if (BitAt(block, (b * 8 + bit) * n + k)) byte = static_cast<uint8_t>(byte | (0x80u >> bit));
    item[b] = byte;
  }
}

struct THeader {
  int64_t Count = 0;
  std::vector<uint32_t> Lengths;
  int64_t Longest = 0;
};

// The item count and lengths, checked against the bytes available; false while the header is
// not complete.
bool ReadHeader(const uint8_t* data, int64_t available, THeader& header) {
  if (available < 4) return false;
  const int64_t n = ReadUInt32(data);
  if (n == 0) throw ETransferStreamError("Invalid container: no items");
  if (n > (available - 4) / 4) {
    if (n > (INT32_MAX - 4) / 4) throw ETransferStreamError("Invalid container: too many items");
    return false;
  }
  header.Count = n;
  header.Lengths.assign(static_cast<size_t>(n), 0);
  uint8_t raw[4];
  for (int64_t k = 0; k < n; ++k) {
    Deinterleave(data + 4, k, n, raw, 4);
    header.Lengths[static_cast<size_t>(k)] = ReadUInt32(raw);
    header.Longest = std::max<int64_t>(header.Longest, ReadUInt32(raw));
  }
  return true;
}

}  // namespace

const TBitDataArray& TDataInterleaveStream::At(int index) const {
  if (index < 0 || index >= Count()) throw ETransferStreamError("Index out of bounds");
  return FItems[static_cast<size_t>(index)];
}

void TDataInterleaveStream::Add(std::vector<uint8_t> bytes) {
  TBitDataArray item;
  item.Assign(std::move(bytes));
  FItems.push_back(std::move(item));
}

int64_t TDataInterleaveStream::AddStream(TStream* stream) {
  if (stream == nullptr) throw ETransferStreamError("Nil Data Stream");
  try {
    TBitDataArray item;
    item.LoadFromStream(stream);
    FItems.push_back(std::move(item));
  } catch (const std::bad_alloc&) {
    throw ETransferStreamError("Out Of Memory");
  }
  return FItems.back().ByteCount();
}

void TDataInterleaveStream::AddString(std::string_view text) {
  Add(std::vector<uint8_t>(text.begin(), text.end()));
}

void TDataInterleaveStream::AddVariantArray(std::span<const uint8_t> value) {
  Add(std::vector<uint8_t>(value.begin(), value.end()));
}

void TDataInterleaveStream::AddInt32(int32_t value) {
  std::vector<uint8_t> bytes(4);
  WriteInt32(bytes.data(), value);
  Add(std::move(bytes));
}

void TDataInterleaveStream::AddDouble(double value) {
  std::vector<uint8_t> bytes(sizeof value);
  std::memcpy(bytes.data(), &value, sizeof value);
  Add(std::move(bytes));
}

void TDataInterleaveStream::GetItemToStream(int index, TStream* stream) const {
  const TBitDataArray& item = At(index);
  if (stream == nullptr) throw ETransferStreamError("Nil Stream");
  item.WriteToStream(stream);
}

std::string TDataInterleaveStream::GetItemAsString(int index) const {
  return At(index).AsString();
}

const std::vector<uint8_t>& TDataInterleaveStream::Item(int index) const {
  return At(index).Bytes();
}

std::vector<uint8_t> TDataInterleaveStream::PackBytes() const {
  if (FItems.empty()) throw ETransferStreamError("Nil Stream or No Items Added");
  const int64_t n = Count();
  int64_t longest = 0;
  for (const TBitDataArray& item : FItems)
    longest = std::max(longest, item.ByteCount());
  std::vector<uint8_t> out(static_cast<size_t>(4 + 4 * n + n * longest), 0);
  WriteInt32(out.data(), static_cast<int32_t>(n));
  uint8_t* lengthBlock = out.data() + 4;
  uint8_t* dataBlock = lengthBlock + 4 * n;
  std::vector<uint8_t> length(4);
  for (int64_t k = 0; k < n; ++k) {
    const TBitDataArray& item = FItems[static_cast<size_t>(k)];
    WriteInt32(length.data(), static_cast<int32_t>(item.ByteCount()));
    Interleave(length, k, n, lengthBlock);
    Interleave(item.Bytes(), k, n, dataBlock);
  }
  return out;
}

std::unique_ptr<TMemoryStream> TDataInterleaveStream::Pack() const {
  auto stream = std::make_unique<TMemoryStream>(PackBytes());
  stream->Seek(0, TSeekOrigin::soEnd);
  return stream;
}

int64_t TDataInterleaveStream::SerialSize(const uint8_t* data, int64_t available) {
  THeader header;
  if (!ReadHeader(data, available, header)) return -1;
  return 4 + 4 * header.Count + header.Count * header.Longest;
}

void TDataInterleaveStream::UnpackBytes(const uint8_t* data, int64_t size) {
  THeader header;
  if (!ReadHeader(data, size, header))
    throw ETransferStreamError("Invalid container: shorter than its item count");
  const int64_t n = header.Count;
  const int64_t dataSize = size - 4 - 4 * n;
  // Every length was read from bytes that are present; the longest item decides the size of
  // the data block, which must be present whole before anything is sized by it.
  if (header.Longest > dataSize / n)
    throw ETransferStreamError("Invalid container: an item is longer than the data");
  if (dataSize != n * header.Longest)
    throw ETransferStreamError("Invalid container: data block does not match the item lengths");
  const uint8_t* dataBlock = data + 4 + 4 * n;
  std::vector<TBitDataArray> items(static_cast<size_t>(n));
  for (int64_t k = 0; k < n; ++k) {
    std::vector<uint8_t> bytes(header.Lengths[static_cast<size_t>(k)]);
    Deinterleave(dataBlock, k, n, bytes.data(), static_cast<int64_t>(bytes.size()));
    items[static_cast<size_t>(k)].Assign(std::move(bytes));
  }
  FItems = std::move(items);
}

void TDataInterleaveStream::Unpack(TStream* stream) {
  if (stream == nullptr) throw ETransferStreamError("Nil Stream");
  stream->SetPosition(0);
  std::vector<uint8_t> bytes(static_cast<size_t>(stream->Size()));
  stream->ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  UnpackBytes(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TDataInterleaveStream::UnpackText(std::string_view text) {
  UnpackBytes(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int64_t>(text.size()));
}

}  // namespace vaultora
