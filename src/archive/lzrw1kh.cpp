#include "archive/lzrw1kh.h"

#include <cstring>

#include "archive/archive_format.h"

namespace vaultora {

int DecodeLzrw1kh(const uint8_t* in, int size, uint8_t* out, int capacity) {
  if (size < 1) return -1;
  if (in[0] == archive_format::kLegacyStoredFlag) {
    if (size - 1 > capacity) return -1;
    std::memcpy(out, in + 1, static_cast<size_t>(size - 1));
    return size - 1;
  }
  int x = 1;  // input position
  int y = 0;  // output position
  unsigned control = 0;
  int bitsLeft = 0;
  while (x < size) {
    if (bitsLeft == 0) {
      if (x + 2 > size) return -1;
      control = static_cast<unsigned>(in[x]) << 8 | in[x + 1];
      x += 2;
      bitsLeft = 16;
      if (x >= size) break;  // a control word with no items after it
    }
    const bool item = (control & 0x8000) != 0;
    control <<= 1;
    --bitsLeft;
    if (!item) {
      if (y >= capacity) return -1;
      out[y++] = in[x++];
      continue;
    }
    if (x + 2 > size) return -1;
    const unsigned word = static_cast<unsigned>(in[x]) << 8 | in[x + 1];
    const int offset = static_cast<int>(word >> 4);
    if (offset != 0) {
      const int length = static_cast<int>(word & 0x0F) + 3;
      if (offset > y || y + length > capacity) return -1;
      for (int k = 0; k < length; ++k, ++y)  // byte by byte: the source may overlap the output
        out[y] = out[y - offset];
      x += 2;
    } else {
      if (x + 4 > size) return -1;
      const int count = static_cast<int>((in[x + 1] & 0x0F) * 256 + in[x + 2]) + 16;
      if (y + count > capacity) return -1;
      std::memset(out + y, in[x + 3], static_cast<size_t>(count));
      y += count;
      x += 4;
    }
  }
  return y;
}

}  // namespace vaultora
