#pragma once
// The ways the program enciphers things, each in CBC mode: streams under a pass phrase (file
// lists, settings images, the logon record) and whole archive files under the user's key.
// Every helper burns the key material before it returns or raises.
//
// The MAC text these helpers return is the sealed MAC: the UMAC-64 of the whole ciphertext under
// a key derived from the cipher key, enciphered as one Blowfish block under the key, as 16
// upper-case hexadecimal digits. Enciphering and deciphering the same data give the same text; a
// wrong key, or any change to the ciphertext (a flipped bit, a cut, an added block), gives another.
// The chaining register alone (TBlowfish::CBCMACText) is the last ciphertext block whatever the
// key and whatever came before it, so it would let both through. Layout: docs/encrypted_archive.md.

#include <memory>
#include <string>

#include "archive/blowfish.h"
#include "platform/streams.h"

namespace vaultora {

// The fixed pass phrase of the streams exchanged with the server.
inline constexpr const char* kStreamPassphrase = "Palindrox";

struct TEncryptedStream {
  std::unique_ptr<TMemoryStream> Stream;  // positioned at 0; null when there was nothing to do
  std::string MAC;                        // the sealed MAC of the ciphertext
};

// Enciphers stream (from its start) with IV text and key both the pass phrase. Nothing when
// stream is null or empty or the trimmed pass phrase is empty. Raises EKeyError for a pass
// phrase longer than 56 bytes.
TEncryptedStream EncryptWithPassphrase(TStream* stream, const std::string& passphrase);
// The reverse; null as above, and null when expectedMAC is not empty and differs.
std::unique_ptr<TMemoryStream> DecryptWithPassphrase(TStream* stream, const std::string& passphrase,
                                                     const std::string& expectedMAC = "");

// The IV text of archive files: for each byte of key at position i (from 1), the decimal text
// of i times its code followed by the decimal text of the key's length.
std::string ArchiveIVText(const std::string& key);

// Enciphers the archive archivePath into encryptedPath under the user's key (IV text
// ArchiveIVText(key)) and returns the sealed MAC that the catalogue records. Raises EKeyError,
// EFileError and the stream errors.
std::string EncryptArchiveFile(TBlowfish& cipher, const std::string& key,
                               const std::string& archivePath, const std::string& encryptedPath);
// Deciphers encryptedPath into archivePath and returns the sealed MAC to compare with the
// record.
std::string DecryptArchiveFile(TBlowfish& cipher, const std::string& key,
                               const std::string& encryptedPath, const std::string& archivePath);

// Enciphers an archive as it is written, so the plain archive never reaches the disk: a stream
// that takes the archive's bytes in order and writes what EncryptArchiveFile would make of them
// to encryptedPath. The file appears there only when Finish succeeds; a run that ends without
// it leaves any earlier file of that name as it was. Writing anywhere but at the end raises
// EWriteError, as do the output's write failures. The cipher is set up here and burnt when
// Finish or the destructor ends the run.
class TArchiveEncryptor : public TStream {
 public:
  TArchiveEncryptor(TBlowfish& cipher, const std::string& key, const std::string& encryptedPath);
  ~TArchiveEncryptor() override;
  TArchiveEncryptor(const TArchiveEncryptor&) = delete;
  TArchiveEncryptor& operator=(const TArchiveEncryptor&) = delete;

  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t size) override;
  int64_t Size() override { return FPlainBytes; }

  // Pads and enciphers the end, puts the file in place and returns the sealed MAC.
  std::string Finish();
  // The bytes of the plain archive taken so far.
  int64_t PlainBytes() const { return FPlainBytes; }
  // The file the ciphertext goes to until Finish, beside encryptedPath ("" once finished): an
  // archive of the folder it is in must not take it.
  std::string TemporaryPath() const;

 private:
  struct TState;
  void EncipherChunk(size_t count);
  void FlushOut();

  TBlowfish& FCipher;
  std::unique_ptr<TState> FState;
  size_t FUsed = 0;  // plain bytes waiting in the cipher's buffer
  int64_t FPlainBytes = 0;
  bool FFinished = false;
  std::string FMAC;
};

// Deciphers an enciphered archive as it is read, so that it can be checked without its plain
// text reaching the disk: a stream of the plain archive's bytes from its start to its end
// (seeking goes forward only, by reading on). Finish reads what is left and returns the sealed
// MAC that DecryptArchiveFile would have returned. Raises EFileError when the file cannot be
// opened and EReadError when it cannot be read; seeking backwards raises EReadError.
class TArchiveDecryptor : public TStream {
 public:
  TArchiveDecryptor(TBlowfish& cipher, const std::string& key, const std::string& encryptedPath);
  ~TArchiveDecryptor() override;
  TArchiveDecryptor(const TArchiveDecryptor&) = delete;
  TArchiveDecryptor& operator=(const TArchiveDecryptor&) = delete;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t size) override;
  // The plain archive's length, as its padding says.
  int64_t Size() override { return FPlainSize; }
  // False when the file's length is not a whole number of cipher blocks or its padding is not
  // one this cipher writes: a damaged file or another key.
  bool WellFormed() const { return FWellFormed; }
  std::string Finish();

 private:
  struct TState;
  bool NextChunk();

  TBlowfish& FCipher;
  std::unique_ptr<TState> FState;
  int64_t FPlainSize = 0;
  int64_t FPosition = 0;  // plain bytes handed out
  bool FWellFormed = true;
  std::string FMAC;
};

}  // namespace vaultora
