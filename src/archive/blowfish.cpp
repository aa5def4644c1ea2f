#include "archive/blowfish.h"

#include <unistd.h>

#include <nettle/cbc.h>
#include <nettle/cfb.h>
#include <nettle/memxor.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "platform/atomic_file.h"
#include "platform/folders.h"
#include "platform/text.h"

namespace vaultora {

namespace {

// nettle's chaining routines take the block function in this generic form.
void EncryptFunction(const void* context, size_t length, uint8_t* dst, const uint8_t* src) {
  blowfish_encrypt(static_cast<const blowfish_ctx*>(context), length, dst, src);
}
void DecryptFunction(const void* context, size_t length, uint8_t* dst, const uint8_t* src) {
  blowfish_decrypt(static_cast<const blowfish_ctx*>(context), length, dst, src);
}

// Reads until count bytes are in or the file ends; a failing read raises instead of passing
// for the end of the file (a short archive would otherwise be enciphered as if whole).
size_t ReadChunk(TFileStream& file, uint8_t* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    const ssize_t n = ::read(file.Handle(), buffer + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0)
      throw EReadError(
          Format("Cannot read file \"%s\". %s", file.FileName().c_str(), strerror(errno)));
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

void WriteChunk(TStream& out, const uint8_t* buffer, size_t count) {
  if (count > 0 && out.Write(buffer, static_cast<int64_t>(count)) != static_cast<int64_t>(count))
    throw EFileError(kOutputWriteError);
}

// Opens the input of a file operation by the rules of the exceptions: a name that does not
// exist is "not found"; one that exists but cannot be opened raises the stream's own error.
TFileStream OpenInput(const std::string& name) {
  if (!FileExists(name)) throw EFileError(kInputNotFoundError);
  return TFileStream(name, fmOpenRead);
}

}  // namespace

std::string HexText(const uint8_t* bytes, size_t count) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (size_t i = 0; i < count; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 15];
  }
  return text;
}

// --- core ---

void TBlowCore::SetKey(const std::string& key) {
  if (key.size() < kMinBlowfishKey || key.size() > kMaxBlowfishKey)
    throw EKeyError(kKeyLengthError);
  Burn();
  // The weak-key answer is of no use here: every key of 1 to 56 bytes is accepted.
  (void)blowfish_set_key(&FContext, key.size(), reinterpret_cast<const uint8_t*>(key.data()));
}

void TBlowCore::EncryptBlocks(uint8_t* data, size_t count) const {
  blowfish_encrypt(&FContext, count, data, data);
}

void TBlowCore::DecryptBlocks(uint8_t* data, size_t count) const {
  blowfish_decrypt(&FContext, count, data, data);
}

void TBlowCore::Burn() {
  explicit_bzero(&FContext, sizeof FContext);
  explicit_bzero(FBlock, sizeof FBlock);
}

// --- component ---

TBlowfish::TBlowfish(TComponent* owner)
    : TComponent(owner), FFileBuffer(new uint8_t[kFileBufferSize + kBlowfishBlockSize]()) {}

TBlowfish::~TBlowfish() {
  Destroying();
  Burn();
}

void TBlowfish::InitialiseKey(const std::string& key) {
  FCore.SetKey(key);
  FKeySet = true;
}

void TBlowfish::InitialiseIV(const std::string& text) {
  std::memset(FRegister, 0, sizeof FRegister);
  for (size_t k = 0; k < text.size(); ++k)
    FRegister[k % kBlowfishBlockSize] ^= static_cast<uint8_t>(text[k]);
  FIVSet = true;
}

void TBlowfish::CheckReady() const {
  if (!FKeySet) throw EKeyError(kKeyNotSetError);
  if (FCipherMode != TCipherMode::ECB && !FIVSet) throw EKeyError(kIVNotSetError);
}

void TBlowfish::Process(uint8_t* data, size_t count, bool encrypt) {
  const blowfish_ctx* context = &FCore.Context();
  switch (FCipherMode) {
    case TCipherMode::ECB:
      encrypt ? FCore.EncryptBlocks(data, count) : FCore.DecryptBlocks(data, count);
      break;
    case TCipherMode::CBC:
      encrypt
          ? cbc_encrypt(context, EncryptFunction, kBlowfishBlockSize, FRegister, count, data, data)
          : cbc_decrypt(context, DecryptFunction, kBlowfishBlockSize, FRegister, count, data, data);
      break;
    case TCipherMode::CFB:
      encrypt
          ? cfb_encrypt(context, EncryptFunction, kBlowfishBlockSize, FRegister, count, data, data)
          : cfb_decrypt(context, EncryptFunction, kBlowfishBlockSize, FRegister, count, data, data);
      break;
    case TCipherMode::OFB:  // the same in both directions
      for (size_t at = 0; at < count; at += kBlowfishBlockSize) {
        FCore.EncryptBlocks(FRegister, kBlowfishBlockSize);
        memxor(data + at, FRegister, kBlowfishBlockSize);
      }
      break;
  }
  // The core's current block is the last one processed.
  std::memcpy(FCore.Block(), data + count - kBlowfishBlockSize, kBlowfishBlockSize);
}

void TBlowfish::EncryptBuffer(size_t count) {
  CheckReady();
  if (count == 0 || count % kBlowfishBlockSize != 0 || count >= kCipherBufferSize)
    throw std::invalid_argument("Blowfish: buffer count must be a positive multiple of 8");
  Process(FBuffer, count, true);
}

void TBlowfish::DecryptBuffer(size_t count) {
  CheckReady();
  if (count == 0 || count % kBlowfishBlockSize != 0 || count >= kCipherBufferSize)
    throw std::invalid_argument("Blowfish: buffer count must be a positive multiple of 8");
  Process(FBuffer, count, false);
}

size_t TBlowfish::PadChunk(uint8_t* data, size_t count) {
  // 1 to 8 bytes of value n; a whole block of 8s when the length is a multiple of 8.
  const size_t n = kBlowfishBlockSize - count % kBlowfishBlockSize;
  std::memset(data + count, static_cast<int>(n), n);
  return count + n;
}

size_t TBlowfish::DecryptChunk(uint8_t* data, size_t count, bool final) {
  // A length that is not a whole number of blocks cannot have come from this cipher; the
  // broken block is deciphered with zero fill, which changes the MAC and so is caught.
  const size_t blocks = (count + kBlowfishBlockSize - 1) / kBlowfishBlockSize * kBlowfishBlockSize;
  if (blocks == 0) return 0;
  std::memset(data + count, 0, blocks - count);
  CheckReady();
  Process(data, blocks, false);
  if (!final) return blocks;
  // A padding value outside 1 to 8 (wrong key, damaged file) never drops more than the
  // 4096-byte chunk in which the data ends holds.
  const size_t lastChunk = (blocks - 1) % kCipherChunkSize + 1;
  return blocks - std::min<size_t>(data[blocks - 1], lastChunk);
}

std::unique_ptr<TAtomicFile> TBlowfish::OpenOutput(const std::string& outName) {
  try {
    return std::make_unique<TAtomicFile>(outName);
  } catch (const EStreamError&) {
    throw EFileError(kOutputOpenError);
  }
}

// Files are read and written in pieces of kFileBufferSize, a whole number of 4096-byte chunks,
// so the layout is the one the chunks give; the larger piece only saves system calls. The end
// counts as reached when the size found at the start has been read, or earlier when the file
// is cut short while it is read.
void TBlowfish::CipherFile(const std::string& inName, const std::string& outName, bool encrypt) {
  CheckReady();
  TFileStream in = OpenInput(inName);
  std::unique_ptr<TAtomicFile> out = OpenOutput(outName);
  uint8_t* data = FFileBuffer.get();
  const int64_t total = in.Size();
  int64_t left = total;
  for (bool final = false; !final;) {
    size_t count = ReadChunk(in, data, kFileBufferSize);
    left -= static_cast<int64_t>(count);
    final = count < kFileBufferSize || left <= 0;
    if (encrypt) {
      if (final) count = PadChunk(data, count);
      Process(data, count, true);
      if (FCipherTextSink) FCipherTextSink(data, count);
    } else {
      if (FCipherTextSink) FCipherTextSink(data, count);
      count = DecryptChunk(data, count, final);
    }
    WriteChunk(out->Stream(), data, count);
    Fire(OnProgress, total - std::max<int64_t>(left, 0), total);
  }
  out->Commit();
}

void TBlowfish::EncryptFile(const std::string& inName, const std::string& outName) {
  CipherFile(inName, outName, true);
}

void TBlowfish::DecryptFile(const std::string& inName, const std::string& outName) {
  CipherFile(inName, outName, false);
}

void TBlowfish::EncryptStream(TStream& in, TStream& out) {
  CheckReady();
  in.SetPosition(0);
  out.SetPosition(0);
  int64_t left = in.Size();
  if (left > 0) {
    // Whole chunks go as they are; the remainder (0 to 4095 bytes) is padded.
    for (; left >= static_cast<int64_t>(kCipherChunkSize); left -= kCipherChunkSize) {
      in.ReadBuffer(FBuffer, kCipherChunkSize);
      EncryptBuffer(kCipherChunkSize);
      if (FCipherTextSink) FCipherTextSink(FBuffer, kCipherChunkSize);
      WriteChunk(out, FBuffer, kCipherChunkSize);
    }
    in.ReadBuffer(FBuffer, left);
    const size_t count = PadChunk(FBuffer, static_cast<size_t>(left));
    EncryptBuffer(count);
    if (FCipherTextSink) FCipherTextSink(FBuffer, count);
    WriteChunk(out, FBuffer, count);
  }
  out.SetSize(out.Position());
}

void TBlowfish::DecryptStream(TStream& in, TStream& out) {
  CheckReady();
  in.SetPosition(0);
  out.SetPosition(0);
  int64_t left = in.Size();
  // The last chunk read holds the padding, also when it is a whole chunk: a length that is a
  // multiple of 4096 leaves no empty remainder to decipher.
  while (left > 0) {
    const size_t count = static_cast<size_t>(std::min<int64_t>(left, kCipherChunkSize));
    in.ReadBuffer(FBuffer, static_cast<int64_t>(count));
    left -= static_cast<int64_t>(count);
    if (FCipherTextSink) FCipherTextSink(FBuffer, count);
    WriteChunk(out, FBuffer, DecryptChunk(FBuffer, count, left == 0));
  }
  out.SetSize(out.Position());
}

const uint8_t* TBlowfish::CBCMAC() const {
  if (FCipherMode != TCipherMode::CBC) throw EKeyError(kCBCMACModeError);
  return FRegister;
}

std::string TBlowfish::CBCMACText() const {
  return HexText(CBCMAC(), kBlowfishBlockSize);
}

void TBlowfish::Burn() {
  FCore.Burn();
  explicit_bzero(FRegister, sizeof FRegister);
  explicit_bzero(FBuffer, sizeof FBuffer);
  explicit_bzero(FFileBuffer.get(), kFileBufferSize + kBlowfishBlockSize);
  FKeySet = false;
  FIVSet = false;
}

}  // namespace vaultora
