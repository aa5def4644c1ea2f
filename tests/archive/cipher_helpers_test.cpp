// Archives under the user's key and streams under a pass phrase: the IV rule, agreement with an
// independent Blowfish, and a MAC that catches any change to an enciphered archive.
#include "archive/cipher_helpers.h"

#include <gtest/gtest.h>
#include <nettle/sha2.h>
#include <nettle/umac.h>

#include "archive/cipher_test_support.h"
#include "platform/text.h"
#include "support/reference_blowfish.h"
#include "support/temp_folder.h"

namespace vaultora {
namespace {

using test::AsBytes;
using test::AsText;
using test::RandomBytes;
using test::ReadTextFile;
using test::WriteTextFile;

TEST(ArchiveIV, ProductsOfPositionAndCodeEachFollowedByTheLength) {
  // 'A' = 65, 'b' = 98: 1*65 then "2", 2*98 then "2".
  EXPECT_EQ(ArchiveIVText("Ab"),
            "652"
            "1962");
  EXPECT_EQ(ArchiveIVText(""), "");
  // Bytes above 127 count by their unsigned value.
  EXPECT_EQ(ArchiveIVText("\xE9"), "2331");
}

class ArchiveCipher : public testing::Test {
 protected:
  std::string Encrypt(const std::string& plain) {
    WriteTextFile(Folder / "a.bck", plain);
    return EncryptArchiveFile(Cipher, Key, Folder / "a.bck", Folder / "a.BFE");
  }
  std::string DecryptMac(const std::string& encrypted) {
    WriteTextFile(Folder / "t.BFE", encrypted);
    return DecryptArchiveFile(Cipher, Key, Folder / "t.BFE", Folder / "t.bck");
  }

  test::TTempFolder Folder;
  TBlowfish Cipher;
  std::string Key = "my own key \xC3\xA9";
};

TEST_F(ArchiveCipher, AnIndependentBlowfishReadsOurFilesAndWeReadItsFiles) {
  for (size_t n : {0, 5, 4096, 9001}) {
    SCOPED_TRACE(n);
    const std::string plain = RandomBytes(n, 3);
    const std::string mac = Encrypt(plain);
    const std::string sealed = ReadTextFile(Folder / "a.BFE");
    EXPECT_EQ(AsText(test::ReferenceDecryptFile(AsBytes(sealed), Key)), plain);

    const std::string theirs = AsText(test::ReferenceEncryptFile(AsBytes(plain), Key));
    EXPECT_EQ(theirs, sealed);
    EXPECT_EQ(DecryptMac(theirs), mac);
    EXPECT_EQ(ReadTextFile(Folder / "t.bck"), plain);
  }
}

TEST_F(ArchiveCipher, MacIsTheDocumentedSealedUmac) {
  // Recomputed from the layout document with the tests' own Blowfish and nettle's UMAC-64.
  const std::string mac = Encrypt(RandomBytes(70000, 9));
  const std::string sealed = ReadTextFile(Folder / "a.BFE");
  uint8_t digest[SHA256_DIGEST_SIZE];
  sha256_ctx derive;
  sha256_init(&derive);
  const std::string material = "Vaultora archive MAC" + Key;
  sha256_update(&derive, material.size(), reinterpret_cast<const uint8_t*>(material.data()));
  sha256_digest(&derive, sizeof digest, digest);
  umac64_ctx umac;
  umac64_set_key(&umac, digest);
  const uint8_t nonce[8] = {};
  umac64_set_nonce(&umac, sizeof nonce, nonce);
  umac64_update(&umac, sealed.size(), reinterpret_cast<const uint8_t*>(sealed.data()));
  uint8_t tag[8];
  umac64_digest(&umac, sizeof tag, tag);
  uint32_t l = 0, r = 0;
  for (int i = 0; i < 4; ++i) {
    l = (l << 8) | tag[i];
    r = (r << 8) | tag[4 + i];
  }
  test::TReferenceBlowfish(Key).EncryptBlock(l, r);
  EXPECT_EQ(mac, Format("%08X%08X", l, r));
}

TEST_F(ArchiveCipher, TheHelperBurnsTheCipher) {
  Encrypt("data");
  EXPECT_THROW(Cipher.EncryptBuffer(8), EKeyError);
}

TEST_F(ArchiveCipher, MacIsKeyedAndRepeatable) {
  const std::string plain = RandomBytes(3000);
  const std::string mac = Encrypt(plain);
  EXPECT_EQ(mac.size(), 16u);
  EXPECT_EQ(mac.find_first_not_of("0123456789ABCDEF"), std::string::npos);
  EXPECT_EQ(Encrypt(plain), mac);
  const std::string sealed = ReadTextFile(Folder / "a.BFE");
  EXPECT_EQ(DecryptMac(sealed), mac);
  Key = "another key";
  EXPECT_NE(DecryptMac(sealed), mac);  // a wrong key is caught
}

TEST_F(ArchiveCipher, FlippingAnyBitChangesTheMac) {
  const std::string mac = Encrypt(RandomBytes(61, 5));  // 64 enciphered bytes
  const std::string sealed = ReadTextFile(Folder / "a.BFE");
  for (size_t bit = 0; bit < sealed.size() * 8; ++bit) {
    std::string damaged = sealed;
    damaged[bit / 8] = static_cast<char>(damaged[bit / 8] ^ (1 << (bit % 8)));
    ASSERT_NE(DecryptMac(damaged), mac) << "bit " << bit;
  }
}

TEST_F(ArchiveCipher, FlippingABitInEveryByteOfAWholeArchiveChangesTheMac) {
  const std::string mac = Encrypt(RandomBytes(9000, 6));
  const std::string sealed = ReadTextFile(Folder / "a.BFE");
  for (size_t at = 0; at < sealed.size(); at += 7) {
    std::string damaged = sealed;
    damaged[at] = static_cast<char>(damaged[at] ^ (1 << (at % 8)));
    ASSERT_NE(DecryptMac(damaged), mac) << "byte " << at;
  }
}

TEST_F(ArchiveCipher, CuttingAtAnyBlockBoundaryChangesTheMac) {
  const std::string mac = Encrypt(RandomBytes(9000, 7));
  const std::string sealed = ReadTextFile(Folder / "a.BFE");
  for (size_t length = 0; length < sealed.size(); length += 8)
    ASSERT_NE(DecryptMac(sealed.substr(0, length)), mac) << "cut at " << length;
}

TEST(PassphraseStreams, RoundTripWithMacAndNothingForEmptyInput) {
  TMemoryStream plain(AsBytes("the file list\r\n"));
  TEncryptedStream sealed = EncryptWithPassphrase(&plain, kStreamPassphrase);
  ASSERT_TRUE(sealed.Stream);
  EXPECT_EQ(sealed.Stream->Position(), 0);
  EXPECT_EQ(sealed.Stream->Size(), 16);
  EXPECT_EQ(sealed.MAC.size(), 16u);

  auto back = DecryptWithPassphrase(sealed.Stream.get(), kStreamPassphrase, sealed.MAC);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->AsString(), "the file list\r\n");
  EXPECT_EQ(back->Position(), 0);
  // The wrong pass phrase gives another MAC, and with an expected MAC the result is dropped.
  EXPECT_FALSE(DecryptWithPassphrase(sealed.Stream.get(), "Palindrome", sealed.MAC));
  EXPECT_TRUE(DecryptWithPassphrase(sealed.Stream.get(), "Palindrome"));

  TMemoryStream empty;
  EXPECT_FALSE(EncryptWithPassphrase(&empty, kStreamPassphrase).Stream);
  EXPECT_FALSE(EncryptWithPassphrase(nullptr, kStreamPassphrase).Stream);
  EXPECT_FALSE(EncryptWithPassphrase(&plain, "   ").Stream);
  EXPECT_THROW(EncryptWithPassphrase(&plain, std::string(57, 'p')), EKeyError);
}

TEST(PassphraseStreams, IvAndKeyAreBothThePassphrase) {
  // What the server side must reproduce: CBC with IV = the pass phrase folded into 8 bytes.
  const std::string plain = RandomBytes(100);
  TMemoryStream in(AsBytes(plain));
  TEncryptedStream sealed = EncryptWithPassphrase(&in, "Palindrox");
  std::vector<uint8_t> data = AsBytes(plain);
  data.insert(data.end(), 4, 4);
  uint8_t iv[8] = {'P', 'a', 'l', 'i', 'n', 'd', 'r', 'o'};
  iv[0] ^= 'x';
  test::TReferenceBlowfish("Palindrox").CbcEncrypt(data, iv);
  EXPECT_EQ(AsText(data), sealed.Stream->AsString());
}

}  // namespace
}  // namespace vaultora
