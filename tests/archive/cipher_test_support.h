#pragma once
// Small helpers of the cipher tests: hex texts and repeatable pseudo-random contents.

#include <cstdint>
#include <string>
#include <vector>

namespace vaultora::test {

inline std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

// The same bytes for the same length and salt in every run.
inline std::string PatternBytes(size_t count, uint32_t salt = 1) {
  std::string bytes(count, '\0');
  uint32_t x = 2463534242u ^ salt;
  for (char& c : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>(x >> 24);
  }
  return bytes;
}

// The text of the exception of class E that run raises, or a note that it raised none.
template <class E, class F>
std::string ThrownText(F&& run) {
  try {
    run();
  } catch (const E& e) {
    return e.what();
  }
  return "(nothing raised)";
}

inline std::vector<uint8_t> AsBytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

inline std::string AsText(const std::vector<uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace vaultora::test
