#pragma once
// One archive block in and out of zlib: every block is a complete zlib stream of its own, so
// any block can be inflated without the others. The deflate state is reset between blocks
// (deflateReset), which gives the same bytes as a fresh stream without its set-up cost.

#include <cstdint>

struct z_stream_s;

namespace vaultora {

class TBlockDeflater {
 public:
  explicit TBlockDeflater(int zlibLevel);
  ~TBlockDeflater();
  TBlockDeflater(const TBlockDeflater&) = delete;
  TBlockDeflater& operator=(const TBlockDeflater&) = delete;

  int Level() const { return FLevel; }
  // Deflates size bytes (at most one block) into out, which holds capacity bytes. Returns the
  // length of the zlib stream, 0 when it does not fit into capacity, -1 on a zlib error.
  int Compress(const uint8_t* in, int size, uint8_t* out, int capacity);

 private:
  z_stream_s* FStream = nullptr;
  bool FReady = false;
  int FLevel;
};

class TBlockInflater {
 public:
  TBlockInflater();
  ~TBlockInflater();
  TBlockInflater(const TBlockInflater&) = delete;
  TBlockInflater& operator=(const TBlockInflater&) = delete;

  // Inflates one complete zlib stream into out (capacity bytes). Returns the inflated length, or
  // -1 when the stream is damaged, incomplete or inflates to more than capacity.
  int Inflate(const uint8_t* in, int size, uint8_t* out, int capacity);

 private:
  z_stream_s* FStream = nullptr;
  bool FReady = false;
};

}  // namespace vaultora
