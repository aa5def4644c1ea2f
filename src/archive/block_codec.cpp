#include "archive/block_codec.h"

#include <zlib.h>

#include "archive/archive_format.h"

namespace vaultora {

using namespace archive_format;

TBlockDeflater::TBlockDeflater(int zlibLevel) : FStream(new z_stream{}), FLevel(zlibLevel) {}

TBlockDeflater::~TBlockDeflater() {
  if (FReady) deflateEnd(FStream);
  delete FStream;
}

int TBlockDeflater::Compress(const uint8_t* in, int size, uint8_t* out, int capacity) {
  const int status = FReady ? deflateReset(FStream)
                            : deflateInit2(FStream, FLevel, Z_DEFLATED, kZlibWindowBits,
                                           kZlibMemLevel, Z_DEFAULT_STRATEGY);
  if (status != Z_OK) {
    if (FReady) deflateEnd(FStream);
    FReady = false;
    return -1;
  }
  FReady = true;
  FStream->next_in = const_cast<Bytef*>(in);
  FStream->avail_in = static_cast<uInt>(size);
  FStream->next_out = out;
  FStream->avail_out = static_cast<uInt>(capacity);
  const int result = deflate(FStream, Z_FINISH);
  if (result == Z_STREAM_END) return static_cast<int>(FStream->total_out);
  if (result == Z_OK || result == Z_BUF_ERROR) return 0;  // does not fit: stored raw
  return -1;
}

TBlockInflater::TBlockInflater() : FStream(new z_stream{}) {}

TBlockInflater::~TBlockInflater() {
  if (FReady) inflateEnd(FStream);
  delete FStream;
}

int TBlockInflater::Inflate(const uint8_t* in, int size, uint8_t* out, int capacity) {
  const int status = FReady ? inflateReset(FStream) : inflateInit(FStream);
  if (status != Z_OK) {
    if (FReady) inflateEnd(FStream);
    FReady = false;
    return -1;
  }
  FReady = true;
  FStream->next_in = const_cast<Bytef*>(in);
  FStream->avail_in = static_cast<uInt>(size);
  FStream->next_out = out;
  FStream->avail_out = static_cast<uInt>(capacity);
  if (inflate(FStream, Z_FINISH) != Z_STREAM_END) return -1;
  return static_cast<int>(FStream->total_out);
}

}  // namespace vaultora
