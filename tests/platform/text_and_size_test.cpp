#include <gtest/gtest.h>

#include "platform/file_mask.h"
#include "platform/size_text.h"
#include "platform/text.h"

namespace vaultora {
namespace {

TEST(SizeText, KilobytesWithSeparatorsThenMegabytes) {
  EXPECT_EQ(KBSizeText(0), "0.00 KB");
  EXPECT_EQ(KBSizeText(1536), "1.50 KB");
  EXPECT_EQ(KBSizeText(1024 * 1024), "1,024.00 KB");  // exactly 1024 KB stays in KB
  EXPECT_EQ(KBSizeText(1024 * 1024 + 1024), "1.00 MB");
  EXPECT_EQ(KBSizeText(5LL * 1024 * 1024 * 1024), "5,120.00 MB");
}

TEST(SizeText, ByteVariantPicksTheUnit) {
  EXPECT_EQ(ByteSizeText(1024), "1,024.00 bytes");
  EXPECT_EQ(ByteSizeText(1025), "1.00 KB");
  EXPECT_EQ(ByteSizeText(3 * 1024 * 1024), "3.00 MB");
  EXPECT_EQ(ByteSizeText(3LL * 1024 * 1024 * 1024), "3.00 GB");
  EXPECT_EQ(FormatThousands(1234567.891), "1,234,567.89");
  EXPECT_EQ(FormatThousands(-999.5, 0), "-1,000");
}

TEST(FileMask, WildcardsIgnoreCase) {
  EXPECT_TRUE(MatchesMask("IMG.JPG", "*.jpg"));
  EXPECT_TRUE(MatchesMask("README", "*.*"));
  EXPECT_TRUE(MatchesMask("a.b.c", "*.c"));
  EXPECT_TRUE(MatchesMask("report1.doc", "report?.doc"));
  EXPECT_FALSE(MatchesMask("report12.doc", "report?.doc"));
  EXPECT_FALSE(MatchesMask("photo.jpeg", "*.jpg"));
  EXPECT_TRUE(MatchesMask("notes", "notes.*"));
  EXPECT_FALSE(MatchesMask("", "?"));
  EXPECT_TRUE(MatchesMask(std::string(10000, 'a'), "*a*a*a*b*") == false);
}

TEST(Text, CaseInsensitiveComparisonAndNumbers) {
  EXPECT_TRUE(SameText("Preferences", "PREFERENCES"));
  EXPECT_LT(CompareText("alpha", "Beta"), 0);
  long long v = 7;
  EXPECT_TRUE(TryStrToInt("-42", v));
  EXPECT_EQ(v, -42);
  EXPECT_FALSE(TryStrToInt(" 42", v));
  EXPECT_FALSE(TryStrToInt("4x", v));
  EXPECT_FALSE(TryStrToInt("99999999999999999999", v));
  EXPECT_EQ(Split("a=b=c", '='), (TStringList{"a", "b", "c"}));
  EXPECT_EQ(TrimRight("x  \t"), "x");
}

}  // namespace
}  // namespace vaultora
