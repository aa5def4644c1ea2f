// The legacy LZRW1-KH decoder: any input decodes into the buffer it is given or is refused,
// never writing outside it.
#include <cstddef>
#include <vector>

#include "archive/lzrw1kh.h"

using namespace vaultora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 64 * 1024) return 0;
  // A block of the archive format decodes into at most 16 KB; an exact-size buffer lets the
  // address sanitizer see a single byte written too far.
  std::vector<uint8_t> out(16 * 1024);
  DecodeLzrw1kh(data, static_cast<int>(size), out.data(), static_cast<int>(out.size()));
  std::vector<uint8_t> small(7);
  DecodeLzrw1kh(data, static_cast<int>(size), small.data(), static_cast<int>(small.size()));
  return 0;
}
