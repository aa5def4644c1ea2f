#include "archive/cipher_helpers.h"

#include <nettle/sha2.h>
#include <nettle/umac.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/folders.h"
#include "platform/text.h"

namespace vaultora {

namespace {

bool NothingToDo(TStream* stream, const std::string& passphrase) {
  return stream == nullptr || stream->Size() == 0 || Trim(passphrase).empty();
}

// The sealed MAC of a ciphertext: UMAC-64 under a key derived from the cipher key, with a fixed
// nonce, enciphered as one Blowfish block under the cipher key. The nonce may stay fixed because
// no hash value is ever shown: only its Blowfish encipherment is.
class TSealedMAC {
 public:
  explicit TSealedMAC(const std::string& key) {
    FCore.SetKey(key);
    sha256_ctx derive;
    sha256_init(&derive);
    const std::string label = kMACKeyLabel;
    sha256_update(&derive, label.size(), reinterpret_cast<const uint8_t*>(label.data()));
    sha256_update(&derive, key.size(), reinterpret_cast<const uint8_t*>(key.data()));
    uint8_t digest[SHA256_DIGEST_SIZE];
    sha256_digest(&derive, sizeof digest, digest);
    umac64_set_key(&FHash, digest);  // the first UMAC_KEY_SIZE bytes
    const uint8_t nonce[kBlowfishBlockSize] = {};
    umac64_set_nonce(&FHash, sizeof nonce, nonce);
    explicit_bzero(digest, sizeof digest);
  }
  ~TSealedMAC() {
    FCore.Burn();
    explicit_bzero(&FHash, sizeof FHash);
  }
  TSealedMAC(const TSealedMAC&) = delete;
  TSealedMAC& operator=(const TSealedMAC&) = delete;

  void Update(const uint8_t* data, size_t count) { umac64_update(&FHash, count, data); }
  std::string Text() {
    uint8_t mac[UMAC64_DIGEST_SIZE];
    umac64_digest(&FHash, sizeof mac, mac);
    FCore.EncryptBlocks(mac, sizeof mac);
    return HexText(mac, sizeof mac);
  }

 private:
  static constexpr const char* kMACKeyLabel = "Vaultora archive MAC";
  TBlowCore FCore;
  umac64_ctx FHash;
};

// Cipher set up in CBC with the given IV text and key, and the sealed MAC of what it enciphers
// or deciphers; the cipher is burnt however the run ends.
class TSealedRun {
 public:
  TSealedRun(TBlowfish& cipher, const std::string& ivText, const std::string& key)
      : FCipher(cipher), FMAC(key) {
    cipher.SetCipherMode(TCipherMode::CBC);
    cipher.SetStringMode(TStringMode::smEncode);
    cipher.InitialiseIV(ivText);
    cipher.InitialiseKey(key);
    cipher.SetCipherTextSink(
        [this](const uint8_t* data, size_t count) { FMAC.Update(data, count); });
  }
  ~TSealedRun() {
    FCipher.SetCipherTextSink(nullptr);
    FCipher.Burn();
  }
  TSealedRun(const TSealedRun&) = delete;
  TSealedRun& operator=(const TSealedRun&) = delete;

  TSealedMAC& MAC() { return FMAC; }

 private:
  TBlowfish& FCipher;
  TSealedMAC FMAC;
};

// Runs one operation of the cipher under a sealed run; returns the sealed MAC.
template <class Operation>
std::string RunSealed(TBlowfish& cipher, const std::string& ivText, const std::string& key,
                      Operation operation) {
  TSealedRun run(cipher, ivText, key);
  operation();
  return run.MAC().Text();
}

}  // namespace

TEncryptedStream EncryptWithPassphrase(TStream* stream, const std::string& passphrase) {
  TEncryptedStream result;
  if (NothingToDo(stream, passphrase)) return result;
  TBlowfish cipher;
  auto out = std::make_unique<TMemoryStream>();
  result.MAC =
      RunSealed(cipher, passphrase, passphrase, [&] { cipher.EncryptStream(*stream, *out); });
  out->SetPosition(0);
  result.Stream = std::move(out);
  return result;
}

std::unique_ptr<TMemoryStream> DecryptWithPassphrase(TStream* stream, const std::string& passphrase,
                                                     const std::string& expectedMAC) {
  if (NothingToDo(stream, passphrase)) return nullptr;
  TBlowfish cipher;
  auto out = std::make_unique<TMemoryStream>();
  const std::string mac =
      RunSealed(cipher, passphrase, passphrase, [&] { cipher.DecryptStream(*stream, *out); });
  if (!expectedMAC.empty() && expectedMAC != mac) return nullptr;
  out->SetPosition(0);
  return out;
}

std::string ArchiveIVText(const std::string& key) {
  const std::string length = IntToStr(static_cast<long long>(key.size()));
  std::string text;
  for (size_t i = 0; i < key.size(); ++i)
    text += IntToStr(static_cast<long long>(i + 1) * static_cast<unsigned char>(key[i])) + length;
  return text;
}

std::string EncryptArchiveFile(TBlowfish& cipher, const std::string& key,
                               const std::string& archivePath, const std::string& encryptedPath) {
  return RunSealed(cipher, ArchiveIVText(key), key,
                   [&] { cipher.EncryptFile(archivePath, encryptedPath); });
}

std::string DecryptArchiveFile(TBlowfish& cipher, const std::string& key,
                               const std::string& encryptedPath, const std::string& archivePath) {
  return RunSealed(cipher, ArchiveIVText(key), key,
                   [&] { cipher.DecryptFile(encryptedPath, archivePath); });
}

}  // namespace vaultora

namespace vaultora {

struct TArchiveEncryptor::TState {
  TState(TBlowfish& cipher, const std::string& key, const std::string& encryptedPath)
      : Run(cipher, ArchiveIVText(key), key), Output(encryptedPath) {
    Out.reserve(kFileBufferSize);
  }
  TSealedRun Run;
  TAtomicFile Output;
  std::vector<uint8_t> Out;  // ciphertext not yet written
};

TArchiveEncryptor::TArchiveEncryptor(TBlowfish& cipher, const std::string& key,
                                     const std::string& encryptedPath)
    : FCipher(cipher), FState(std::make_unique<TState>(cipher, key, encryptedPath)) {}

// Without Finish the output is dropped; either way the state's run burns the cipher.
TArchiveEncryptor::~TArchiveEncryptor() = default;

void TArchiveEncryptor::EncipherChunk(size_t count) {
  FCipher.EncryptBuffer(count);
  const uint8_t* data = FCipher.Buffer();
  FState->Run.MAC().Update(data, count);
  FState->Out.insert(FState->Out.end(), data, data + count);
  if (FState->Out.size() >= kFileBufferSize) FlushOut();
}

void TArchiveEncryptor::FlushOut() {
  TFileStream& file = FState->Output.Stream();
  try {
    file.WriteBuffer(FState->Out.data(), static_cast<int64_t>(FState->Out.size()));
  } catch (const EWriteError&) {
    const std::string text =
        FileErrorText(file.LastError(), "write the archive in", ExtractFilePath(file.FileName()));
    if (text.empty()) throw;
    throw EFileWriteError(text);
  }
  FState->Out.clear();
}

int64_t TArchiveEncryptor::Write(const void* buffer, int64_t count) {
  if (FFinished || count <= 0) return 0;
  const auto* in = static_cast<const uint8_t*>(buffer);
  for (int64_t left = count; left > 0;) {
    const size_t n = std::min<size_t>(kCipherChunkSize - FUsed, static_cast<size_t>(left));
    std::memcpy(FCipher.Buffer() + FUsed, in, n);
    FUsed += n;
    in += n;
    left -= static_cast<int64_t>(n);
    if (FUsed == kCipherChunkSize) {
      EncipherChunk(kCipherChunkSize);
      FUsed = 0;
    }
  }
  FPlainBytes += count;
  return count;
}

int64_t TArchiveEncryptor::Seek(int64_t offset, TSeekOrigin origin) {
  if (offset != 0 || origin == TSeekOrigin::soBeginning)
    throw EWriteError("The enciphered archive is written from its start to its end");
  return FPlainBytes;
}

void TArchiveEncryptor::SetSize(int64_t size) {
  if (size != FPlainBytes)
    throw EWriteError("The enciphered archive is written from its start to its end");
}

std::string TArchiveEncryptor::TemporaryPath() const {
  return FState ? FState->Output.TempPath() : std::string();
}

std::string TArchiveEncryptor::Finish() {
  if (FFinished) return FMAC;
  // The padding of the file routines: 1 to 8 bytes of value n, a whole block of 8s when the
  // length is a multiple of 8.
  const size_t n = kBlowfishBlockSize - FUsed % kBlowfishBlockSize;
  std::memset(FCipher.Buffer() + FUsed, static_cast<int>(n), n);
  EncipherChunk(FUsed + n);
  FUsed = 0;
  FlushOut();
  FState->Output.Commit();
  FMAC = FState->Run.MAC().Text();
  FFinished = true;
  FState.reset();  // burns the cipher
  return FMAC;
}

}  // namespace vaultora

namespace vaultora {

struct TArchiveDecryptor::TState {
  TState(TBlowfish& cipher, const std::string& key, const std::string& encryptedPath)
      : Run(cipher, ArchiveIVText(key), key), File(OpenEncrypted(encryptedPath)) {}
  static TFileStream OpenEncrypted(const std::string& path) {
    if (!FileExists(path)) throw EFileError(kInputNotFoundError);
    return TFileStream(path, fmOpenRead);
  }
  TSealedRun Run;
  TFileStream File;
  int64_t CipherLeft = 0;  // ciphertext bytes not yet read
  size_t ChunkUsed = 0;    // plain bytes of the current chunk handed out
  size_t ChunkSize = 0;    // plain bytes in the cipher's buffer
};

TArchiveDecryptor::TArchiveDecryptor(TBlowfish& cipher, const std::string& key,
                                     const std::string& encryptedPath)
    : FCipher(cipher), FState(std::make_unique<TState>(cipher, key, encryptedPath)) {
  const int64_t size = FState->File.Size();
  FState->CipherLeft = size;
  if (size == 0 || size % static_cast<int64_t>(kBlowfishBlockSize) != 0) {
    FWellFormed = false;
    FPlainSize = size;
    return;
  }
  // The padding is in the last block: that block deciphered, chained to the one before it (or
  // to the initialisation vector when it is the only one).
  uint8_t last[2 * kBlowfishBlockSize] = {};
  const bool single = size == static_cast<int64_t>(kBlowfishBlockSize);
  FState->File.SetPosition(size - (single ? 8 : 16));
  FState->File.ReadBuffer(last, single ? 8 : 16);
  FState->File.SetPosition(0);
  uint8_t chain[kBlowfishBlockSize] = {};
  uint8_t* block = last;
  if (single) {
    const std::string iv = ArchiveIVText(key);
    for (size_t k = 0; k < iv.size(); ++k)
      chain[k % kBlowfishBlockSize] ^= static_cast<uint8_t>(iv[k]);
  } else {
    std::memcpy(chain, last, kBlowfishBlockSize);
    block = last + kBlowfishBlockSize;
  }
  TBlowCore core;
  core.SetKey(key);
  core.DecryptBlocks(block, kBlowfishBlockSize);
  core.Burn();
  const uint8_t pad = block[kBlowfishBlockSize - 1] ^ chain[kBlowfishBlockSize - 1];
  explicit_bzero(last, sizeof last);
  if (pad < 1 || pad > kBlowfishBlockSize) {
    FWellFormed = false;
    FPlainSize = size;
  } else {
    FPlainSize = size - pad;
  }
}

TArchiveDecryptor::~TArchiveDecryptor() = default;

bool TArchiveDecryptor::NextChunk() {
  if (!FState || FState->CipherLeft <= 0) return false;
  const size_t count = static_cast<size_t>(std::min<int64_t>(FState->CipherLeft, kCipherChunkSize));
  uint8_t* data = FCipher.Buffer();
  FState->File.ReadBuffer(data, static_cast<int64_t>(count));
  FState->CipherLeft -= static_cast<int64_t>(count);
  FState->Run.MAC().Update(data, count);
  const size_t blocks = count / kBlowfishBlockSize * kBlowfishBlockSize;
  if (blocks > 0) FCipher.DecryptBuffer(blocks);
  FState->ChunkSize = count;
  FState->ChunkUsed = 0;
  return true;
}

int64_t TArchiveDecryptor::Read(void* buffer, int64_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count && FPosition < FPlainSize) {
    if (!FState || FState->ChunkUsed == FState->ChunkSize) {
      if (!NextChunk()) break;
    }
    const size_t n = static_cast<size_t>(std::min<int64_t>(
        {count - done, static_cast<int64_t>(FState->ChunkSize - FState->ChunkUsed),
         FPlainSize - FPosition}));
    std::memcpy(out + done, FCipher.Buffer() + FState->ChunkUsed, n);
    FState->ChunkUsed += n;
    FPosition += static_cast<int64_t>(n);
    done += static_cast<int64_t>(n);
  }
  return done;
}

int64_t TArchiveDecryptor::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t target = offset;
  if (origin == TSeekOrigin::soCurrent) target = FPosition + offset;
  if (origin == TSeekOrigin::soEnd) target = FPlainSize + offset;
  if (target < FPosition)
    throw EReadError("The enciphered archive is read from its start to its end");
  uint8_t scratch[kCipherChunkSize];
  while (FPosition < target && FPosition < FPlainSize) {
    const int64_t got = Read(scratch, std::min<int64_t>(target - FPosition, sizeof scratch));
    if (got <= 0) break;
  }
  return FPosition;
}

void TArchiveDecryptor::SetSize(int64_t) {
  throw EWriteError("The enciphered archive is only read");
}

std::string TArchiveDecryptor::Finish() {
  if (!FState) return FMAC;
  while (FState->CipherLeft > 0)
    NextChunk();
  FMAC = FState->Run.MAC().Text();
  FState.reset();  // burns the cipher
  return FMAC;
}

}  // namespace vaultora
