#pragma once
// Small helpers of the cipher tests: hex texts, raised texts and byte conversions; repeatable
// pseudo-random contents come from the archive tests' RandomBytes.

#include <cstdint>
#include <string>
#include <vector>

#include "archive/archive_test_util.h"

namespace vaultora::test {

inline std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
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
