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
void Interleave(std::span<const uint8_t> item, int64_t k, int64_t n, uint8_t* block) {
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

// Reads the item count and lengths, checked against the bytes available; false while the header
// is not complete. Gives the count, the longest item and, when asked, each item's end offset in
// one buffer of all items.
bool ReadHeader(const uint8_t* data, int64_t available, int64_t& count, int64_t& longest,
                std::vector<size_t>* ends) {
  if (available < 4) return false;
  const int64_t n = ReadUInt32(data);
  if (n == 0) throw ETransferStreamError("Invalid container: no items");
  if (n > (available - 4) / 4) {
    if (n > (INT32_MAX - 4) / 4) throw ETransferStreamError("Invalid container: too many items");
    return false;
  }
  count = n;
  longest = 0;
  if (ends) ends->assign(static_cast<size_t>(n), 0);
  size_t total = 0;
  uint8_t raw[4];
  for (int64_t k = 0; k < n; ++k) {
    Deinterleave(data + 4, k, n, raw, 4);
    const uint32_t length = ReadUInt32(raw);
    longest = std::max<int64_t>(longest, length);
    total += length;
    if (ends) (*ends)[static_cast<size_t>(k)] = total;
  }
  return true;
}

}  // namespace

std::span<const uint8_t> TDataInterleaveStream::View(int index) const {
  if (index < 0 || index >= Count()) throw ETransferStreamError("Index out of bounds");
  const size_t begin = index == 0 ? 0 : FEnds[static_cast<size_t>(index) - 1];
  return std::span<const uint8_t>(FData.data() + begin, FEnds[static_cast<size_t>(index)] - begin);
}

void TDataInterleaveStream::Add(std::span<const uint8_t> bytes) {
  FData.insert(FData.end(), bytes.begin(), bytes.end());
  FEnds.push_back(FData.size());
}

int64_t TDataInterleaveStream::AddStream(TStream* stream) {
  if (stream == nullptr) throw ETransferStreamError("Nil Data Stream");
  try {
    TBitDataArray item;
    item.LoadFromStream(stream);
    Add(item.Bytes());
  } catch (const std::bad_alloc&) {
    throw ETransferStreamError("Out Of Memory");
  }
  return static_cast<int64_t>(View(Count() - 1).size());
}

void TDataInterleaveStream::AddString(std::string_view text) {
  Add(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

void TDataInterleaveStream::AddVariantArray(std::span<const uint8_t> value) {
  Add(value);
}

void TDataInterleaveStream::AddInt32(int32_t value) {
  uint8_t bytes[4];
  WriteInt32(bytes, value);
  Add(bytes);
}

void TDataInterleaveStream::AddDouble(double value) {
  uint8_t bytes[sizeof value];
  std::memcpy(bytes, &value, sizeof value);
  Add(bytes);
}

void TDataInterleaveStream::GetItemToStream(int index, TStream* stream) const {
  const std::span<const uint8_t> item = View(index);
  if (stream == nullptr) throw ETransferStreamError("Nil Stream");
  stream->WriteBuffer(item.data(), static_cast<int64_t>(item.size()));
}

std::string TDataInterleaveStream::GetItemAsString(int index) const {
  const std::span<const uint8_t> item = View(index);
  return std::string(item.begin(), item.end());
}

std::vector<uint8_t> TDataInterleaveStream::Item(int index) const {
  const std::span<const uint8_t> item = View(index);
  return std::vector<uint8_t>(item.begin(), item.end());
}

std::vector<uint8_t> TDataInterleaveStream::PackBytes() const {
  if (FEnds.empty()) throw ETransferStreamError("Nil Stream or No Items Added");
  const int64_t n = Count();
  int64_t longest = 0;
  for (int k = 0; k < n; ++k)
    longest = std::max(longest, static_cast<int64_t>(View(k).size()));
  std::vector<uint8_t> out(static_cast<size_t>(4 + 4 * n + n * longest), 0);
  WriteInt32(out.data(), static_cast<int32_t>(n));
  uint8_t* lengthBlock = out.data() + 4;
  uint8_t* dataBlock = lengthBlock + 4 * n;
  uint8_t length[4];
  for (int64_t k = 0; k < n; ++k) {
    const std::span<const uint8_t> item = View(static_cast<int>(k));
    WriteInt32(length, static_cast<int32_t>(item.size()));
    Interleave(length, k, n, lengthBlock);
    Interleave(item, k, n, dataBlock);
  }
  return out;
}

std::unique_ptr<TMemoryStream> TDataInterleaveStream::Pack() const {
  auto stream = std::make_unique<TMemoryStream>(PackBytes());
  stream->Seek(0, TSeekOrigin::soEnd);
  return stream;
}

int64_t TDataInterleaveStream::SerialSize(const uint8_t* data, int64_t available) {
  int64_t count = 0, longest = 0;
  if (!ReadHeader(data, available, count, longest, nullptr)) return -1;
  return 4 + 4 * count + count * longest;
}

void TDataInterleaveStream::UnpackBytes(const uint8_t* data, int64_t size) {
  int64_t n = 0, longest = 0;
  std::vector<size_t> ends;
  if (!ReadHeader(data, size, n, longest, &ends))
    throw ETransferStreamError("Invalid container: shorter than its item count");
  const int64_t dataSize = size - 4 - 4 * n;
  // Every length was read from bytes that are present; the longest item decides the size of
  // the data block, which must be present whole before anything is sized by it.
  if (longest > dataSize / n)
    throw ETransferStreamError("Invalid container: an item is longer than the data");
  if (dataSize != n * longest)
    throw ETransferStreamError("Invalid container: data block does not match the item lengths");
  const uint8_t* dataBlock = data + 4 + 4 * n;
  std::vector<uint8_t> items(ends.back());
  size_t begin = 0;
  for (int64_t k = 0; k < n; ++k) {
    const size_t end = ends[static_cast<size_t>(k)];
    Deinterleave(dataBlock, k, n, items.data() + begin, static_cast<int64_t>(end - begin));
    begin = end;
  }
  FData = std::move(items);
  FEnds = std::move(ends);
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
