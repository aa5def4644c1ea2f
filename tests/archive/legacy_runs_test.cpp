// Legacy "ECS" block runs coded with LZRW1-KH: literal, copy and run items, control words
// reloaded every 16 items, stored blocks, and damaged blocks.
#include <gtest/gtest.h>

#include "archive/lzrw1kh.h"
#include "archive_test_util.h"
#include "independent_archive.h"

namespace vaultora::test {
namespace {

namespace ind = independent;

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values)
    s.push_back(static_cast<char>(v));
  return s;
}

std::string Decode(const std::string& block, int capacity = 32768) {
  std::string out(static_cast<size_t>(capacity), '\0');
  const int n =
      DecodeLzrw1kh(reinterpret_cast<const uint8_t*>(block.data()), static_cast<int>(block.size()),
                    reinterpret_cast<uint8_t*>(out.data()), capacity);
  if (n < 0) return "<damaged>";
  out.resize(static_cast<size_t>(n));
  return out;
}

// Literals a b c, a copy of 6 from 3 back, a run of 20 'X', a literal Z: bits 000110.
const std::string kItems =
    Bytes({64, 0x18, 0x00, 'a', 'b', 'c', 0x00, 0x33, 0x00, 0x00, 0x04, 'X', 'Z'});
const std::string kItemsDecoded = "abcabcabc" + std::string(20, 'X') + "Z";

TEST(Lzrw1kh, LiteralCopyAndRunItems) {
  EXPECT_EQ(Decode(kItems), kItemsDecoded);
  // A copy that overlaps its own output repeats the last byte.
  EXPECT_EQ(Decode(Bytes({64, 0x40, 0x00, 'a', 0x00, 0x12})), "aaaaaa");
  // A run's count uses the low 4 bits of its second byte: 1*256 + 0 + 16.
  EXPECT_EQ(Decode(Bytes({64, 0x80, 0x00, 0x00, 0x01, 0x00, 'r'})), std::string(272, 'r'));
}

TEST(Lzrw1kh, ANewControlWordFollowsEverySixteenItems) {
  std::string block = Bytes({64, 0x00, 0x00});
  std::string expected;
  for (int i = 0; i < 16; ++i) {
    block.push_back(static_cast<char>('a' + i));
    expected.push_back(static_cast<char>('a' + i));
  }
  block += Bytes({0x80, 0x00, 0x00, 0x20});  // next word: a copy of 3 from 2 back
  expected += expected.substr(14, 2) + expected.substr(14, 1);
  EXPECT_EQ(Decode(block), expected);
}

TEST(Lzrw1kh, StoredBlocksAndDamage) {
  EXPECT_EQ(Decode(Bytes({128, 'r', 'a', 'w'})), "raw");
  EXPECT_EQ(Decode(Bytes({64, 0x80, 0x00, 0x00, 0x50})), "<damaged>");  // copy before the start
  EXPECT_EQ(Decode(Bytes({64, 0x80, 0x00, 0x00})), "<damaged>");        // item cut short
  EXPECT_EQ(Decode(kItems, 10), "<damaged>");                           // beyond the capacity
  EXPECT_EQ(Decode(""), "<damaged>");
}

// An archive of one record whose data is a legacy run of the given blocks.
std::string LegacyArchive(const std::string& name, const std::vector<std::string>& blocks) {
  std::string out;
  ind::PutInt(out, 3);
  out += "Old";
  ind::PutInt(out, 1000);
  ind::PutInt(out, 1);
  ind::PutInt(out, static_cast<int32_t>(name.size()));
  out += name;
  ind::PutInt(out, kOldDate);
  out.append("ECS\0", 4);
  int32_t length = 0;
  for (const std::string& b : blocks)
    length += static_cast<int32_t>(b.size()) + 4;
  ind::PutInt(out, length);
  for (const std::string& b : blocks) {
    ind::PutInt(out, static_cast<int32_t>(b.size()));
    out += b;
  }
  ind::PutInt(out, 0);
  return out;
}

TEST(LegacyRuns, HandMadeArchivesExtractToTheExpectedBytes) {
  TTempFolder folder;
  WriteTextFile(folder / "old.bck",
                LegacyArchive(folder / "doc.txt", {kItems, Bytes({128, 'e', 'n', 'd'})}));
  TRecordingBackup backup;
  ASSERT_TRUE(backup.ExtractArchive(folder / "old.bck", folder / "out"));
  EXPECT_EQ(ReadTextFile(folder / "out/doc.txt"), kItemsDecoded + "end");
  EXPECT_EQ(FileAge(folder / "out/doc.txt"), kOldDate);

  // Skipped legacy runs are passed over; a damaged block is a decompression error.
  WriteTextFile(folder / "bad.bck",
                LegacyArchive(folder / "doc.txt", {Bytes({64, 0x80, 0x00, 0x00, 0x50})}));
  EXPECT_FALSE(backup.ExtractArchive(folder / "bad.bck", folder / "out"));
  EXPECT_EQ(backup.Errors, std::vector<int32_t>{6});
  EXPECT_EQ(ReadTextFile(folder / "out/doc.txt"), kItemsDecoded + "end");
  backup.SetRestoreMode(rmNoOverwrite);
  EXPECT_TRUE(backup.ExtractArchive(folder / "bad.bck", folder / "out"));
}

}  // namespace
}  // namespace vaultora::test
