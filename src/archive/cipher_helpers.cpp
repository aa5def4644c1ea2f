#include "archive/cipher_helpers.h"

#include <nettle/sha2.h>

#include <cstring>

#include "platform/text.h"

namespace vaultora {

namespace {

bool NothingToDo(TStream* stream, const std::string& passphrase) {
  return stream == nullptr || stream->Size() == 0 || Trim(passphrase).empty();
}

std::string SealedMACText(sha256_ctx& digest, const std::string& key) {
  uint8_t hash[SHA256_DIGEST_SIZE];
  sha256_digest(&digest, sizeof hash, hash);
  uint8_t mac[kBlowfishBlockSize];
  std::memcpy(mac, hash, sizeof mac);
  TBlowCore core;
  core.SetKey(key);
  core.EncryptBlocks(mac, sizeof mac);
  core.Burn();
  return HexText(mac, sizeof mac);
}

// Runs one operation of cipher set up in CBC with the given IV text and key, with the
// ciphertext digested; returns the sealed MAC. The cipher is burnt however the run ends.
template <class Operation>
std::string RunSealed(TBlowfish& cipher, const std::string& ivText, const std::string& key,
                      Operation operation) {
  struct TCleanUp {
    TBlowfish& Cipher;
    ~TCleanUp() {
      Cipher.SetCipherTextSink(nullptr);
      Cipher.Burn();
    }
  } cleanUp{cipher};
  cipher.SetCipherMode(TCipherMode::CBC);
  cipher.SetStringMode(TStringMode::smEncode);
  cipher.InitialiseIV(ivText);
  cipher.InitialiseKey(key);
  sha256_ctx digest;
  sha256_init(&digest);
  cipher.SetCipherTextSink(
      [&digest](const uint8_t* data, size_t count) { sha256_update(&digest, count, data); });
  operation();
  return SealedMACText(digest, key);
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
