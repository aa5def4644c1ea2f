#pragma once
// Little-endian integers and doubles as they travel on the wire and in the records.

#include <cstdint>
#include <cstring>

namespace vaultora {

inline int32_t ReadInt32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 |
                              static_cast<uint32_t>(p[3]) << 24);
}

inline void WriteInt32(uint8_t* p, int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i)
    p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Date-times travel as the 8 bytes of the double in memory order.
inline double ReadDouble(const uint8_t* p) {
  double value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

}  // namespace vaultora
