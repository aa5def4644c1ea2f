#pragma once
// Decoding of LZRW1-KH blocks, the method of the legacy "ECS" block runs (archives of older
// versions; never written). A block starts with a flag byte: 128 = the rest is stored as is;
// otherwise a big-endian control word and items follow (see docs/archive_format.md).

#include <cstdint>

namespace vaultora {

// Decodes one block into out (capacity bytes). Returns the decoded length, or -1 when the block
// is damaged: an item that runs past the input, a copy from before the start of the output, or
// output beyond capacity.
int DecodeLzrw1kh(const uint8_t* in, int size, uint8_t* out, int capacity);

}  // namespace vaultora
