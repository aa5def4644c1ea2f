#pragma once
// TDataInterleaveStream: the container of byte items in which every request argument list,
// reply, logon record and available-backups image travels. Its serial form stores the items
// bit-interleaved (docs/protocol.md):
//   N (int32) | length block: bit j of item k's int32 length at bit j*N+k
//             | data block: bit i of item k (0 past its end) at bit i*N+k, M = longest item
// Loading checks every field against the bytes actually given before it sizes anything, and the
// items are kept in one buffer with one end offset each, so a hostile peer cannot make it
// allocate more than three times what it sent (an empty item costs 4 bytes on the wire and 8 in
// memory).
// Raises ETransferStreamError with fixed texts. Not thread-safe.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "online/bit_data_array.h"
#include "platform/streams.h"

namespace vaultora {

class TDataInterleaveStream {
 public:
  void Clear() {
    FData.clear();
    FEnds.clear();
  }
  int Count() const { return static_cast<int>(FEnds.size()); }

  // Adds the bytes from the stream's position to its end as an item; returns its size.
  int64_t AddStream(TStream* stream);
  void AddString(std::string_view text);
  // A byte array, low to high bound; an empty one gives an empty item.
  void AddVariantArray(std::span<const uint8_t> value);
  void AddInt32(int32_t value);
  void AddDouble(double value);

  // An index outside 0 .. Count - 1 raises "Index out of bounds".
  void GetItemToStream(int index, TStream* stream) const;
  std::string GetItemAsString(int index) const;
  std::vector<uint8_t> Item(int index) const;
  // The item's bytes in place, valid until the container changes.
  std::span<const uint8_t> View(int index) const;

  // The serial form in a new stream positioned at its end; no items: "Nil Stream or No Items
  // Added".
  std::unique_ptr<TMemoryStream> Pack() const;
  std::vector<uint8_t> PackBytes() const;
  // Reads a serial form from the stream's start; a missing stream raises "Nil Stream".
  void Unpack(TStream* stream);
  void UnpackText(std::string_view text);
  void UnpackBytes(const uint8_t* data, int64_t size);

  // The length of the serial form that begins with these bytes, once its header has arrived;
  // -1 while more header bytes are needed. Raises when the header is invalid (N = 0). Readers
  // of the wire use it to read a container whole.
  static int64_t SerialSize(const uint8_t* data, int64_t available);

 private:
  void Add(std::span<const uint8_t> bytes);

  std::vector<uint8_t> FData;  // the items one after another
  std::vector<size_t> FEnds;   // where each item ends in FData
};

}  // namespace vaultora
