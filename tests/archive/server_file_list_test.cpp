#include "archive/server_file_list.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "archive/cipher_helpers.h"

namespace vaultora {
namespace {

const std::string kList = "/home/ann/\r\nletter.txt\t46000.5=120\r\n/home/ann/photos/\r\n";

TMemoryStream ListStream(const std::string& text) {
  return TMemoryStream(std::vector<uint8_t>(text.begin(), text.end()));
}

std::string Text(const TMemoryStream& stream) {
  return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

// What a client that follows the protocol makes of the bytes: the fixed pass phrase.
std::string AsAPeerReadsIt(const std::vector<uint8_t>& bytes) {
  TMemoryStream sealed(bytes);
  std::unique_ptr<TMemoryStream> plain = DecryptWithPassphrase(&sealed, kStreamPassphrase);
  return plain ? Text(*plain) : "";
}

TEST(ServerFileList, ThePublicFormIsTheProtocolsAndOpensWithAnyKey) {
  TMemoryStream list = ListStream(kList);
  const std::vector<uint8_t> bytes = SealServerFileList(list, "");
  EXPECT_EQ(AsAPeerReadsIt(bytes), kList);
  for (const std::string key : {"", "my own key", "another"}) {
    TOpenedFileList opened = OpenServerFileList(bytes, key);
    ASSERT_TRUE(opened.List) << key;
    EXPECT_EQ(Text(*opened.List), kList);
    EXPECT_FALSE(opened.Private);
  }
}

TEST(ServerFileList, APrivateListOpensOnlyWithItsKeyAndAPeerSeesNoName) {
  TMemoryStream list = ListStream(kList);
  const std::vector<uint8_t> bytes = SealServerFileList(list, "my own key");
  const std::string peer = AsAPeerReadsIt(bytes);
  EXPECT_EQ(peer.find("letter"), std::string::npos);
  EXPECT_EQ(peer.find("/home/ann/"), std::string::npos);

  TOpenedFileList opened = OpenServerFileList(bytes, "my own key");
  ASSERT_TRUE(opened.List);
  EXPECT_EQ(Text(*opened.List), kList);  // the marker line is not part of the list
  EXPECT_TRUE(opened.Private);
  EXPECT_FALSE(OpenServerFileList(bytes, "my own kez").List);
  EXPECT_FALSE(OpenServerFileList(bytes, "").List);
}

TEST(ServerFileList, AnEmptyListTravelsEmptyAndComesBackEmpty) {
  TMemoryStream empty;
  EXPECT_TRUE(SealServerFileList(empty, "my own key").empty());
  TOpenedFileList opened = OpenServerFileList({}, "my own key");
  ASSERT_TRUE(opened.List);
  EXPECT_EQ(opened.List->Size(), 0);
}

TEST(ServerFileList, NoiseOfAnyLengthIsNeverTakenForAList) {
  std::mt19937 noise(20261209);
  for (size_t length : {1, 2, 7, 8, 9, 31, 64, 100, 333, 1000, 4096}) {
    for (int round = 0; round < 40; ++round) {
      std::vector<uint8_t> bytes(length);
      for (uint8_t& b : bytes)
        b = static_cast<uint8_t>(noise());
      EXPECT_FALSE(OpenServerFileList(bytes, "my own key").List) << length;
    }
  }
}

TEST(ServerFileList, APublicListThatIsNoListIsRefused) {
  // A peer's item that deciphers to text without a folder line or with bare line feeds.
  for (const std::string text : {"letter.txt\r\n", "/home/ann/\nletter.txt\r\n", "/home/ann/"}) {
    TMemoryStream list = ListStream(text);
    EXPECT_FALSE(OpenServerFileList(SealServerFileList(list, ""), "").List) << text;
  }
}

}  // namespace
}  // namespace vaultora
