// Files and streams through the cipher: lengths and padding, the MAC, damaged input and the
// failures of the file routines.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "archive/blowfish.h"
#include "archive/cipher_test_support.h"
#include "support/temp_folder.h"

namespace vaultora {
namespace {

using test::RandomBytes;
using test::ReadTextFile;
using test::ThrownText;
using test::WriteTextFile;

class BlowfishFiles : public testing::Test {
 protected:
  void Key(TBlowfish& cipher, const std::string& key = "correct horse") {
    cipher.InitialiseIV("battery staple");
    cipher.InitialiseKey(key);
  }
  // Enciphers content as a file and returns the ciphertext and its MAC.
  std::pair<std::string, std::string> EncryptText(const std::string& content,
                                                  const std::string& key = "correct horse") {
    WriteTextFile(Folder / "plain", content);
    Key(FCipher, key);
    FCipher.EncryptFile(Folder / "plain", Folder / "cipher");
    return {ReadTextFile(Folder / "cipher"), FCipher.CBCMACText()};
  }
  std::string DecryptText(const std::string& cipherText, const std::string& key = "correct horse") {
    WriteTextFile(Folder / "cipher", cipherText);
    Key(FCipher, key);
    FCipher.DecryptFile(Folder / "cipher", Folder / "back");
    return ReadTextFile(Folder / "back");
  }

  test::TTempFolder Folder;
  TBlowfish FCipher;
};

TEST_F(BlowfishFiles, LengthsRoundUpToTheNextBlockAndComeBack) {
  // Files move in pieces of 64 KiB: lengths around those matter as much as the 4096 chunks.
  for (size_t n :
       {0, 1, 7, 8, 9, 4088, 4095, 4096, 4097, 8191, 8192, 10000, 65528, 65536, 65537, 140000}) {
    SCOPED_TRACE(n);
    const std::string plain = RandomBytes(n, static_cast<uint32_t>(n));
    const auto [cipherText, mac] = EncryptText(plain);
    EXPECT_EQ(cipherText.size(), n / 8 * 8 + 8);
    EXPECT_EQ(DecryptText(cipherText), plain);
    // Decryption leaves the same register as encryption: the last ciphertext block.
    EXPECT_EQ(FCipher.CBCMACText(), mac);
  }
}

TEST_F(BlowfishFiles, ProgressReachesTheInputSize) {
  std::vector<std::pair<int64_t, int64_t>> seen;
  FCipher.OnProgress = [&](int64_t done, int64_t total) { seen.emplace_back(done, total); };
  EncryptText(RandomBytes(150000));
  const std::vector<std::pair<int64_t, int64_t>> expected{
      {65536, 150000}, {131072, 150000}, {150000, 150000}};
  EXPECT_EQ(seen, expected);
}

TEST_F(BlowfishFiles, AWholeChunkGainsAPaddingBlockAndEmptyInputIsOneBlock) {
  EXPECT_EQ(EncryptText(RandomBytes(4096)).first.size(), 4104u);
  EXPECT_EQ(DecryptText(EncryptText(RandomBytes(4096)).first), RandomBytes(4096));
  const std::string empty = EncryptText("").first;
  EXPECT_EQ(empty.size(), 8u);
  EXPECT_EQ(DecryptText(empty), "");
}

TEST_F(BlowfishFiles, MacIsTheSameForTheSameKeyAndDiffersForAnother) {
  const std::string plain = RandomBytes(5000);
  const std::string first = EncryptText(plain).second;
  EXPECT_EQ(EncryptText(plain).second, first);
  EXPECT_NE(EncryptText(plain, "another key").second, first);
}

TEST_F(BlowfishFiles, BadPaddingNeverDropsMoreThanTheLastChunkHolds) {
  // Build ciphertexts whose deciphered last byte is any value, the way a wrong key or damage
  // makes them, and check what is left.
  for (int last : {0, 1, 8, 9, 200, 255}) {
    for (size_t length : {8, 16, 4096, 4104, 65536, 65544}) {
      SCOPED_TRACE(testing::Message() << last << " in " << length);
      std::string plain = RandomBytes(length);
      plain.back() = static_cast<char>(last);
      Key(FCipher);
      std::string cipherText;
      for (size_t at = 0; at < length; at += 4096) {
        const std::string chunk = plain.substr(at, 4096);
        std::memcpy(FCipher.Buffer(), chunk.data(), chunk.size());
        FCipher.EncryptBuffer(chunk.size());
        cipherText.append(reinterpret_cast<char*>(FCipher.Buffer()), chunk.size());
      }
      const std::string back = DecryptText(cipherText);
      const size_t finalChunk = length % 4096 ? length % 4096 : 4096;
      const size_t dropped = std::min<size_t>(last, finalChunk);
      EXPECT_EQ(back, plain.substr(0, length - dropped));
    }
  }
}

TEST_F(BlowfishFiles, BrokenLastBlockIsDecipheredWithoutReadingPastTheData) {
  const auto [cipherText, mac] = EncryptText(RandomBytes(100));
  for (const std::string& damaged :
       {cipherText.substr(0, cipherText.size() - 3), cipherText + "xyz"}) {
    const std::string back = DecryptText(damaged);
    EXPECT_LE(back.size(), damaged.size() + 7);
    EXPECT_NE(FCipher.CBCMACText(), mac);
  }
}

TEST_F(BlowfishFiles, EncipheringInPlaceKeepsTheData) {
  const std::string plain = RandomBytes(9000);
  WriteTextFile(Folder / "same", plain);
  Key(FCipher);
  FCipher.EncryptFile(Folder / "same", Folder / "same");
  EXPECT_EQ(ReadTextFile(Folder / "same").size(), 9008u);
  Key(FCipher);
  FCipher.DecryptFile(Folder / "same", Folder / "same");
  EXPECT_EQ(ReadTextFile(Folder / "same"), plain);
}

TEST_F(BlowfishFiles, FailuresRaiseTheirTextsAndLeaveTheOutputAlone) {
  WriteTextFile(Folder / "out", "earlier");
  Key(FCipher);
  EXPECT_EQ(
      ThrownText<EFileError>([&] { FCipher.EncryptFile(Folder / "missing", Folder / "out"); }),
      kInputNotFoundError);
  WriteTextFile(Folder / "plain", "data");
  EXPECT_EQ(ThrownText<EFileError>(
                [&] { FCipher.DecryptFile(Folder / "plain", Folder / "no-such-folder/out"); }),
            kOutputOpenError);
  // An input that exists but cannot be opened raises the stream's own error.
  chmod((Folder / "plain").c_str(), 0);
  if (access((Folder / "plain").c_str(), R_OK) != 0) {  // root reads it anyway
    EXPECT_THROW(FCipher.EncryptFile(Folder / "plain", Folder / "out"), EFOpenError);
  }
  FCipher.Burn();
  EXPECT_THROW(FCipher.EncryptFile(Folder / "plain", Folder / "out"), EKeyError);
  EXPECT_EQ(ReadTextFile(Folder / "out"), "earlier");
}

TEST(BlowfishStreams, EmptyStreamGivesEmptyStream) {
  TBlowfish cipher;
  cipher.InitialiseIV("iv");
  cipher.InitialiseKey("key");
  TMemoryStream in, out(test::AsBytes("stale"));
  cipher.EncryptStream(in, out);
  EXPECT_EQ(out.Size(), 0);
  cipher.DecryptStream(in, out);
  EXPECT_EQ(out.Size(), 0);
}

TEST(BlowfishStreams, LengthsRoundUpAndComeBackAlsoAtWholeChunks) {
  // 4088 and 8184 bytes encipher to exact multiples of 4096: the padding then sits in the last
  // whole chunk and must still be dropped, with nothing written after it.
  for (size_t n : {1, 8, 4088, 4095, 4096, 4097, 8184, 8192, 12000}) {
    SCOPED_TRACE(n);
    TBlowfish cipher;
    cipher.InitialiseIV("iv");
    cipher.InitialiseKey("key");
    TMemoryStream plain(test::AsBytes(RandomBytes(n))), sealed, back;
    plain.SetPosition(7);  // streams are taken from their start
    cipher.EncryptStream(plain, sealed);
    const std::string mac = cipher.CBCMACText();
    EXPECT_EQ(sealed.Size(), static_cast<int64_t>(n / 8 * 8 + 8));
    cipher.InitialiseIV("iv");
    cipher.DecryptStream(sealed, back);
    EXPECT_EQ(back.AsString(), RandomBytes(n));
    EXPECT_EQ(cipher.CBCMACText(), mac);
  }
}

TEST(BlowfishStreams, FilesAndStreamsAgreeOnTheLayout) {
  test::TTempFolder folder;
  const std::string plain = RandomBytes(6000);
  WriteTextFile(folder / "plain", plain);
  TBlowfish cipher;
  cipher.InitialiseIV("iv");
  cipher.InitialiseKey("key");
  cipher.EncryptFile(folder / "plain", folder / "cipher");
  cipher.InitialiseIV("iv");
  TMemoryStream in(test::AsBytes(plain)), out;
  cipher.EncryptStream(in, out);
  EXPECT_EQ(out.AsString(), ReadTextFile(folder / "cipher"));
}

}  // namespace
}  // namespace vaultora
