#include "archive/cipher_helpers.h"

#include <nettle/sha2.h>
#include <nettle/umac.h>

#include <cstring>

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
  TSealedMAC mac(key);
  cipher.SetCipherTextSink([&mac](const uint8_t* data, size_t count) { mac.Update(data, count); });
  operation();
  return mac.Text();
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
