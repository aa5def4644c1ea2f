// The batch line format of Data: ApplyData, WriteSectionData and SplitData.
#include <gtest/gtest.h>

#include "store_fixture.h"

namespace vaultora::test {
namespace {

using BatchLines = StoreTest;

TEST_F(BatchLines, KindsEqualsSignsAndBareLines) {
  FStore->SetData({"[Preferences]", "2~Enabled=1", "ShellCommand=run a=b --x=y", "bare line",
                   "3~TrxOutBufferSize=2048", "WorkingZipFolder=   ", "second bare"});
  FStore->ApplyData();

  EXPECT_EQ(FStore->ReadString("Preferences", "Enabled", ""), "1");
  EXPECT_EQ(FStore->ReadString("Preferences", "ShellCommand", ""), "run a=b --x=y");
  EXPECT_EQ(FStore->ReadString("Preferences", "1", ""), "bare line");
  EXPECT_EQ(FStore->ReadString("Preferences", "2", ""), "second bare");
  EXPECT_EQ(FStore->ReadValue("Preferences", "TrxOutBufferSize")->Type, rdDword);
  EXPECT_EQ(FStore->ReadInteger("Preferences", "TrxOutBufferSize", 0), 2048);
  // Trailing blanks are stripped, so the value is empty (and present).
  EXPECT_TRUE(FStore->ValueExists("Preferences", "WorkingZipFolder"));
  EXPECT_EQ(FStore->ReadString("Preferences", "WorkingZipFolder", "x"), "");
  FStore->ReadValueNames("Preferences");
  EXPECT_EQ(FStore->Data(), TStringList({"Enabled", "ShellCommand", "1", "TrxOutBufferSize",
                                         "WorkingZipFolder", "2"}));
}

TEST_F(BatchLines, IgnoredAndDeletingLines) {
  FStore->WriteString("Page", "Old", "stays unless named");
  FStore->WriteString("Page", "Gone", "deleted by kind 9");
  FStore->SetData({"Before=any section", "[Page]", "0~Zero=x", "x~Letter=x",
                   "9~Gone=", "8~Absent=1", "[Other]", "first", "[Page]", "again"});
  FStore->ApplyData();

  EXPECT_FALSE(FStore->ValueExists("", "Before"));
  EXPECT_FALSE(FStore->ValueExists("Page", "Zero"));
  EXPECT_FALSE(FStore->ValueExists("Page", "Letter"));
  EXPECT_FALSE(FStore->ValueExists("Page", "Gone"));
  EXPECT_FALSE(FStore->ValueExists("Page", "Absent"));
  EXPECT_TRUE(FStore->ValueExists("Page", "Old"));
  // The counter starts again at every section line.
  EXPECT_EQ(FStore->ReadString("Other", "1", ""), "first");
  EXPECT_EQ(FStore->ReadString("Page", "1", ""), "again");
}

TEST_F(BatchLines, SavingAPageDropsSwitchedOffFlags) {
  FStore->SetData({"[Preferences]", "2~Enabled=1", "2~KeepLogFiles=1", "3~DialRetry=5"});
  FStore->ApplyData();

  // The dialog's way: clear the section, then one line per setting to keep.
  FStore->ClearSection("Preferences");
  FStore->Data().clear();
  FStore->Data().push_back("2~Enabled=1");
  FStore->Data().push_back("3~DialRetry=3");
  FStore->WriteSectionData("Preferences");

  EXPECT_TRUE(FStore->ValueExists("Preferences", "Enabled"));
  EXPECT_FALSE(FStore->ValueExists("Preferences", "KeepLogFiles"));
  EXPECT_EQ(FStore->ReadInteger("Preferences", "DialRetry", 0), 3);
  EXPECT_EQ(FStore->Data().front(), "[Preferences]");

  const TStringList none;
  FStore->WriteSectionData("Empty", &none);  // nothing to write: no section line either
  EXPECT_TRUE(FStore->Data().empty());
}

TEST_F(BatchLines, ABadLineLeavesTheStoreAsItWas) {
  FStore->WriteInteger("Page", "Count", 1);
  FStore->SetData({"[Page]", "3~Count=2", "3~Broken=not a number"});
  EXPECT_THROW(FStore->ApplyData(), EVariantError);
  EXPECT_EQ(FStore->ReadInteger("Page", "Count", 0), 1);
  EXPECT_FALSE(FStore->ValueExists("Page", "Broken"));
}

TEST_F(BatchLines, SplitDataCutsAtTheFirstOccurrence) {
  FStore->SetData({"name=value=more", "plain", "=lead"});
  FStore->SplitData('=', true);
  EXPECT_EQ(FStore->Data(), TStringList({"value=more", "plain", "lead"}));
  FStore->SetData({"name=value=more", "plain", "=lead"});
  FStore->SplitData('=', false);
  EXPECT_EQ(FStore->Data(), TStringList({"name", "plain", ""}));
}

}  // namespace
}  // namespace vaultora::test
