// The cipher block by block: published vectors in every mode, the key and IV rules, the
// exceptions and the burning of the key schedule.
#include "archive/blowfish.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "archive/blowfish_vectors.h"
#include "archive/cipher_test_support.h"
#include "platform/text.h"
#include "support/reference_blowfish.h"

namespace vaultora {
namespace {

using test::FromHex;
using test::ThrownText;

std::string EncryptBlocks(TBlowfish& cipher, const std::string& data, bool encrypt = true) {
  std::memcpy(cipher.Buffer(), data.data(), data.size());
  encrypt ? cipher.EncryptBuffer(data.size()) : cipher.DecryptBuffer(data.size());
  return std::string(reinterpret_cast<char*>(cipher.Buffer()), data.size());
}

std::string Hex(const std::string& bytes) {
  return HexText(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

TEST(BlowfishVectors, EcbVectorsEncipherAndDecipher) {
  TBlowfish cipher;
  cipher.SetCipherMode(TCipherMode::ECB);
  for (const auto& v : test::kEcbVectors) {
    SCOPED_TRACE(v.Key);
    cipher.InitialiseKey(FromHex(v.Key));
    EXPECT_EQ(Hex(EncryptBlocks(cipher, FromHex(v.Plain))), v.Cipher);
    EXPECT_EQ(Hex(EncryptBlocks(cipher, FromHex(v.Cipher), false)), v.Plain);
  }
}

TEST(BlowfishVectors, KeysOfOneToTwentyFourBytes) {
  TBlowfish cipher;
  cipher.SetCipherMode(TCipherMode::ECB);
  const std::string key = FromHex(test::kSetKeyKey);
  for (size_t n = 1; n <= 24; ++n) {
    SCOPED_TRACE(n);
    cipher.InitialiseKey(key.substr(0, n));
    EXPECT_EQ(Hex(EncryptBlocks(cipher, FromHex(test::kSetKeyPlain))), test::kSetKeyCipher[n - 1]);
  }
}

TEST(BlowfishVectors, ChainingModesMatchTheExamples) {
  const std::string plain = FromHex(test::kChainPlain) + std::string(3, '\0');  // 32 bytes
  struct {
    TCipherMode Mode;
    const char* Expected;
  } cases[] = {{TCipherMode::CBC, test::kChainCbc},
               {TCipherMode::CFB, test::kChainCfb},
               {TCipherMode::OFB, test::kChainOfb}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Mode));
    TBlowfish cipher;
    cipher.SetCipherMode(c.Mode);
    cipher.InitialiseKey(FromHex(test::kChainKey));
    cipher.InitialiseIV(FromHex(test::kChainIV));
    const std::string out = EncryptBlocks(cipher, plain);
    // The stream modes' examples stop at the 29 bytes of data.
    const std::string expected = FromHex(c.Expected);
    EXPECT_EQ(Hex(out.substr(0, expected.size())), c.Expected);
    cipher.InitialiseIV(FromHex(test::kChainIV));
    EXPECT_EQ(EncryptBlocks(cipher, out, false), plain);
  }
}

TEST(BlowfishVectors, ReferenceImplementationAgreesWithTheVectors) {
  // The tests' own Blowfish proves its pi digits and rounds on the same published vectors.
  EXPECT_EQ(test::PiFractionWords(2), (std::vector<uint32_t>{0x243F6A88, 0x85A308D3}));
  for (const auto& v : test::kEcbVectors) {
    test::TReferenceBlowfish reference(FromHex(v.Key));
    const std::string plain = FromHex(v.Plain);
    uint32_t l = 0, r = 0;
    for (int i = 0; i < 4; ++i) {
      l = (l << 8) | static_cast<uint8_t>(plain[i]);
      r = (r << 8) | static_cast<uint8_t>(plain[4 + i]);
    }
    reference.EncryptBlock(l, r);
    EXPECT_EQ(Format("%08X%08X", l, r), v.Cipher);
  }
}

TEST(BlowfishKeys, LengthsOfOneAndFiftySixAreAcceptedZeroAndFiftySevenRefused) {
  TBlowfish cipher;
  EXPECT_NO_THROW(cipher.InitialiseKey("k"));
  EXPECT_NO_THROW(cipher.InitialiseKey(std::string(56, 'k')));
  for (size_t n : {size_t{0}, size_t{57}})
    EXPECT_EQ(ThrownText<EKeyError>([&] { cipher.InitialiseKey(std::string(n, 'k')); }),
              kKeyLengthError);
}

TEST(BlowfishKeys, OperationsNeedKeyAndIV) {
  TBlowfish cipher;
  std::memset(cipher.Buffer(), 0, 8);
  EXPECT_EQ(ThrownText<EKeyError>([&] { cipher.EncryptBuffer(8); }), kKeyNotSetError);
  cipher.InitialiseKey("secret");
  EXPECT_EQ(ThrownText<EKeyError>([&] { cipher.DecryptBuffer(8); }), kIVNotSetError);
  cipher.SetCipherMode(TCipherMode::ECB);  // the one mode without an IV
  EXPECT_NO_THROW(cipher.EncryptBuffer(8));
  EXPECT_THROW(cipher.EncryptBuffer(12), std::invalid_argument);
  EXPECT_THROW(cipher.EncryptBuffer(0), std::invalid_argument);
  EXPECT_EQ(ThrownText<EKeyError>([&] { (void)cipher.CBCMACText(); }), kCBCMACModeError);
}

TEST(BlowfishKeys, BurnZeroesTheScheduleAndForgetsKeyAndIV) {
  TBlowfish cipher;
  cipher.InitialiseIV("iv");
  cipher.InitialiseKey("secret");
  std::memset(cipher.Buffer(), 0x55, 16);
  cipher.EncryptBuffer(16);
  auto allZero = [](const void* p, size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    return std::all_of(b, b + n, [](uint8_t x) { return x == 0; });
  };
  ASSERT_FALSE(allZero(&cipher.Core().Context(), sizeof(blowfish_ctx)));
  cipher.Burn();
  EXPECT_TRUE(allZero(&cipher.Core().Context(), sizeof(blowfish_ctx)));
  EXPECT_TRUE(allZero(cipher.Core().Block(), kBlowfishBlockSize));
  EXPECT_TRUE(allZero(cipher.Buffer(), kCipherBufferSize));
  EXPECT_EQ(ThrownText<EKeyError>([&] { cipher.EncryptBuffer(8); }), kKeyNotSetError);
  cipher.InitialiseKey("secret");
  EXPECT_THROW(cipher.EncryptBuffer(8), EKeyError);  // the IV went with the burn
}

TEST(BlowfishIV, AnyTextFoldsIntoEightBytes) {
  TBlowfish cipher;
  cipher.InitialiseIV("");
  EXPECT_EQ(cipher.CBCMACText(), "0000000000000000");
  cipher.InitialiseIV("AB");
  EXPECT_EQ(cipher.CBCMACText(), "4142000000000000");
  // Byte 8 folds back onto byte 0: 'A' ^ 'I' = 0x08.
  cipher.InitialiseIV("ABCDEFGHI");
  EXPECT_EQ(cipher.CBCMACText(), "0842434445464748");
  // A new IV starts from zero again rather than folding into the old one.
  cipher.InitialiseIV("AB");
  EXPECT_EQ(cipher.CBCMACText(), "4142000000000000");
}

TEST(BlowfishIV, KeyingDoesNotTouchTheRegister) {
  TBlowfish cipher;
  cipher.InitialiseIV("register");
  const std::string before = cipher.CBCMACText();
  cipher.InitialiseKey("another key");
  EXPECT_EQ(cipher.CBCMACText(), before);
}

}  // namespace
}  // namespace vaultora
