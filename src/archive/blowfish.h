#pragma once
// TBlowfish: the published Blowfish block cipher (64-bit block, 16 rounds, key of 1 to 56 bytes)
// with chaining modes, an initialisation vector, padding, file and stream routines and a CBC-MAC.
// The enciphered layout is written down in docs/encrypted_archive.md.
//
// An instance holds key and chaining state: it belongs to one thread, and every use sets IV and
// key afresh and burns them afterwards. Errors raise EKeyError and EFileError with the texts
// below; a file that cannot be opened or read raises the stream errors of platform/streams.h.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include <nettle/blowfish.h>

#include "platform/component.h"
#include "platform/streams.h"

namespace vaultora {

class TAtomicFile;

class EKeyError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
class EFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr const char* kKeyLengthError = "Blowfish: Key must be between 1 and 56 bytes";
inline constexpr const char* kKeyNotSetError = "Blowfish: Key not set";
inline constexpr const char* kIVNotSetError = "Blowfish: IV not set";
inline constexpr const char* kCBCMACModeError = "Blowfish: Mode must be CBC for CBCMAC";
inline constexpr const char* kInputNotFoundError = "Blowfish: Input file not found";
inline constexpr const char* kOutputOpenError = "Blowfish: Could not open output file";
inline constexpr const char* kOutputWriteError = "Blowfish: Error writing output file";

inline constexpr size_t kBlowfishBlockSize = 8;
inline constexpr size_t kMinBlowfishKey = 1;
inline constexpr size_t kMaxBlowfishKey = 56;
// Files and streams move through this buffer; the room after it takes one padding block.
inline constexpr size_t kCipherChunkSize = 4096;
inline constexpr size_t kCipherBufferSize = kCipherChunkSize + 9;
// Files are read and written in pieces of this many whole chunks' bytes.
inline constexpr size_t kFileBufferSize = 16 * kCipherChunkSize;

enum class TCipherMode { ECB = 0, CBC = 1, CFB = 2, OFB = 3 };
enum class TStringMode { smEncode = 0, smNormal = 1 };  // stored only

using TCipherBlock = uint8_t[kBlowfishBlockSize];

// Bytes as upper-case hexadecimal digits, first byte first.
std::string HexText(const uint8_t* bytes, size_t count);

// The key schedule (P-array and S-boxes, from nettle) and the current block.
class TBlowCore {
 public:
  void SetKey(const std::string& key);                    // 1 to 56 bytes, else EKeyError
  void EncryptBlocks(uint8_t* data, size_t count) const;  // ECB, in place
  void DecryptBlocks(uint8_t* data, size_t count) const;
  const blowfish_ctx& Context() const { return FContext; }
  const uint8_t* Block() const { return FBlock; }
  uint8_t* Block() { return FBlock; }
  // Overwrites the schedule and the block with zeros in a way the compiler may not drop.
  void Burn();

 private:
  blowfish_ctx FContext{};
  TCipherBlock FBlock{};
};

class TBlowfish : public TComponent {
 public:
  // Every use in the program is CBC with smEncode, so an instance starts so.
  explicit TBlowfish(TComponent* owner = nullptr);
  ~TBlowfish() override;  // burns

  TCipherMode CipherMode() const { return FCipherMode; }
  void SetCipherMode(TCipherMode mode) { FCipherMode = mode; }
  TStringMode StringMode() const { return FStringMode; }
  void SetStringMode(TStringMode mode) { FStringMode = mode; }

  // Clears the core and runs the key schedule over the key bytes; 1 to 56 bytes.
  void InitialiseKey(const std::string& key);
  // Register := 8 zero bytes, then byte k of text is XOR-ed into register byte k mod 8.
  void InitialiseIV(const std::string& text);

  // The work buffer (kCipherBufferSize bytes) and its in-place processing: count is a positive
  // multiple of 8 of at most kCipherBufferSize - 1 (std::invalid_argument otherwise).
  uint8_t* Buffer() { return FBuffer; }
  void EncryptBuffer(size_t count);
  void DecryptBuffer(size_t count);

  // The output file is written under a temporary name beside it and renamed into place when
  // complete, so a failure leaves any earlier file of that name as it was.
  void EncryptFile(const std::string& inName, const std::string& outName);
  void DecryptFile(const std::string& inName, const std::string& outName);
  // From the start of in to the start of out; out ends where the output ends.
  void EncryptStream(TStream& in, TStream& out);
  void DecryptStream(TStream& in, TStream& out);

  // The chaining register: after a whole file or stream in CBC it is the last ciphertext block.
  const uint8_t* CBCMAC() const;
  std::string CBCMACText() const;  // 16 upper-case hexadecimal digits, first byte first

  // When set, every ciphertext byte that the file and stream routines write or read is also
  // handed to sink, so that a MAC can cover the whole ciphertext (cipher_helpers.h).
  using TCipherTextSink = std::function<void(const uint8_t* data, size_t count)>;
  void SetCipherTextSink(TCipherTextSink sink) { FCipherTextSink = std::move(sink); }

  // Fired after every 64 KiB piece of EncryptFile and DecryptFile with the input bytes done so
  // far and the input's size, so that a window can show progress (and process its messages).
  std::function<void(int64_t done, int64_t total)> OnProgress;

  // Zeroes the core and the buffers and clears key-set and IV-set.
  void Burn();
  const TBlowCore& Core() const { return FCore; }

 private:
  void CheckReady() const;
  void Process(uint8_t* data, size_t count, bool encrypt);
  // Deciphers count bytes of the buffer (rounded up to whole blocks with zero fill) and returns
  // how many remain when the padding named by the last byte is dropped from the final chunk.
  size_t DecryptChunk(uint8_t* data, size_t count, bool final);
  size_t PadChunk(uint8_t* data, size_t count);
  void CipherFile(const std::string& inName, const std::string& outName, bool encrypt);
  static std::unique_ptr<TAtomicFile> OpenOutput(const std::string& outName);

  TCipherMode FCipherMode = TCipherMode::CBC;
  TStringMode FStringMode = TStringMode::smEncode;
  bool FKeySet = false;
  bool FIVSet = false;
  TBlowCore FCore;
  TCipherBlock FRegister{};
  TCipherTextSink FCipherTextSink;
  alignas(16) uint8_t FBuffer[kCipherBufferSize]{};
  std::unique_ptr<uint8_t[]> FFileBuffer;  // kFileBufferSize and one padding block
};

}  // namespace vaultora
