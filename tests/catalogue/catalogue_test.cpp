// The catalogue: states and views from the flags and the local archive, the incremental chain,
// the file naming rule, the working folder and the derived tests.
#include "catalogue/catalogue.h"

#include <gtest/gtest.h>

#include "platform/folders.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"
#include "support/temp_folder.h"
#include "support/test_profile.h"

namespace vaultora {
namespace {

namespace c = catalogue;

class Catalogue : public testing::Test {
 protected:
  Catalogue() : Store(nullptr, Profile.Home() + "registry.db"), Backups(Store) {
    Store.SetRootKey(rtHKEY_CURRENT_USER);  // the catalogue never moves its caller's key
  }

  // An entry as the builder leaves it, then flags added or removed by hand.
  void Built(const std::string& id, const std::string& incremental = "") {
    TBackupRecord record;
    record.FinishDateTime = 45000.75;
    record.Session = Backups.FileListPath(id);
    record.Size = 1234;
    record.User = "ann";
    record.MAC = "0123456789ABCDEF";
    record.BackupTitle = "Backup " + id;
    record.Incremental = incremental;
    Backups.RecordBackup(id, record);
  }
  void Set(const std::string& id, const char* name) {
    Store.SetFilename(keys::kBackupsKey);
    Store.WriteBool(id, name, true);
  }
  void Unset(const std::string& id, const char* name) {
    Store.SetFilename(keys::kBackupsKey);
    Store.DeleteValue(id, name);
  }
  void Cached(const std::string& id) { test::WriteTextFile(Backups.ArchivePath(id), "sealed"); }
  std::vector<TCatalogueView> ViewsOf(const std::string& id) {
    std::vector<TCatalogueView> views;
    const TCatalogueEntry e = Backups.Entry(id);
    for (TCatalogueView v : kCatalogueViews)
      if (e.InView(v)) views.push_back(v);
    return views;
  }

  test::TTestProfile Profile;
  TIniRegistryEditor Store;
  TCatalogue Backups;
};

TEST_F(Catalogue, RecordedBackupHasItsValuesInOrderAndIsToSend) {
  Built("45000.5", "44999.25");
  Store.SetFilename(keys::kBackupsKey);
  Store.ReadValueNames("45000.5");
  EXPECT_EQ(Store.Data(), (TStringList{c::kFinishDateTime, c::kSession, c::kSize, c::kUser, c::kMAC,
                                       c::kBackupTitle, c::kNeedToSend, c::kIncremental}));
  const TCatalogueEntry e = Backups.Entry("45000.5");
  EXPECT_EQ(e.FinishDateTime, "45000.75");
  EXPECT_EQ(e.Size, "1234");
  EXPECT_EQ(e.Session, Profile.Home() + "45000_5.bfl");
  EXPECT_EQ(e.Incremental, "44999.25");
  EXPECT_EQ(e.State(), bsToSend);
}

TEST_F(Catalogue, StatesAndViewsFollowTheFlagsAndTheLocalArchive) {
  Built("1.5");  // to send
  Cached("1.5");
  Built("2.5");  // partly sent
  Cached("2.5");
  Backups.WriteSendPosition("2.5", 4096);
  Built("3.5");  // sent, not cached: its archive went with the upload
  Backups.MarkSent("3.5");
  Built("4.5");  // sent, cached
  Backups.MarkSent("4.5");
  Cached("4.5");
  Built("5.5");  // to receive
  Backups.MarkSent("5.5");
  EXPECT_TRUE(Backups.MarkForFetching("5.5"));
  Built("6.5");  // to send and deleted: only "Deleted", never uploaded
  Cached("6.5");
  Backups.MarkDeleted("6.5");

  const struct {
    const char* Id;
    TBackupState State;
    std::vector<TCatalogueView> Views;
  } expected[] = {
      {"1.5", bsToSend, {cvOutbox}},
      {"2.5", bsPartlySent, {cvOutbox}},
      {"3.5", bsSentNotCached, {cvSentItems}},
      {"4.5", bsSentCached, {cvInbox}},
      {"5.5", bsReceiving, {cvReceivingItems}},
      {"6.5", bsDeleted, {cvDeleted}},
  };
  for (const auto& x : expected) {
    SCOPED_TRACE(x.Id);
    EXPECT_EQ(Backups.Entry(x.Id).State(), x.State);
    EXPECT_EQ(ViewsOf(x.Id), x.Views);
  }
  auto ids = [](const std::vector<TCatalogueEntry>& entries) {
    TStringList out;
    for (const auto& e : entries)
      out.push_back(e.Id);
    return out;
  };
  EXPECT_EQ(ids(Backups.EntriesToSend()), (TStringList{"1.5", "2.5"}));
  EXPECT_EQ(ids(Backups.EntriesToReceive()), TStringList{"5.5"});
  EXPECT_EQ(ids(Backups.EntriesToDelete()), TStringList{"6.5"});
  EXPECT_EQ(ids(Backups.EntriesInView(cvOutbox)), (TStringList{"1.5", "2.5"}));
}

TEST_F(Catalogue, ArchiveRemovedByHandShowsAsSentItems) {
  Built("7.25");
  Backups.MarkSent("7.25");
  Cached("7.25");
  EXPECT_EQ(ViewsOf("7.25"), std::vector<TCatalogueView>{cvInbox});
  DeleteFile(Backups.ArchivePath("7.25"));
  EXPECT_EQ(ViewsOf("7.25"), std::vector<TCatalogueView>{cvSentItems});
}

TEST_F(Catalogue, FetchingAndDeletionMarksRespectEachOther) {
  Built("9.5");
  Backups.MarkSent("9.5");
  Backups.MarkDeleted("9.5");
  EXPECT_FALSE(Backups.MarkForFetching("9.5"));  // deleted entries are not fetched
  EXPECT_TRUE(Backups.Entry("9.5").ReachedServer());
  Backups.UndoDelete("9.5");
  EXPECT_TRUE(Backups.MarkForFetching("9.5"));
  Backups.WriteReceivePosition("9.5", 2048);
  EXPECT_FALSE(Backups.MarkForFetching("9.5"));  // keeps the position reached
  EXPECT_EQ(Backups.Entry("9.5").ReceivePosition, 2048);
  Backups.ClearReceivePosition("9.5");
  EXPECT_EQ(Backups.Entry("9.5").State(), bsSentNotCached);

  Built("10.5");
  EXPECT_FALSE(Backups.Entry("10.5").ReachedServer());  // never sent: removed at once
  Backups.WriteSendPosition("10.5", 8);
  EXPECT_TRUE(Backups.Entry("10.5").ReachedServer());
  Backups.Erase("10.5");
  EXPECT_FALSE(Backups.Exists("10.5"));
}

TEST_F(Catalogue, ChainRunsBackToTheFullBackupAndEndsAtAMissingLink) {
  Built("1.5");
  Built("2.5", "1.5");
  Built("3.5", "2.5");
  EXPECT_EQ(Backups.RestoreChain("3.5"), (TStringList{"2.5", "1.5", "3.5"}));
  EXPECT_EQ(Backups.RestoreChain("1.5"), TStringList{"1.5"});
  Backups.Erase("2.5");
  EXPECT_EQ(Backups.RestoreChain("3.5"), TStringList{"3.5"});
}

TEST_F(Catalogue, ChainTakesEachIdOnce) {
  Built("1.5", "2.5");
  Built("2.5", "1.5");
  EXPECT_EQ(Backups.RestoreChain("1.5"), (TStringList{"2.5", "1.5"}));
  Built("3.5", "3.5");
  EXPECT_EQ(Backups.RestoreChain("3.5"), TStringList{"3.5"});
}

TEST_F(Catalogue, ChainGapsNameEachBackupThatIsNotHereAndWhy) {
  using TGap = TCatalogue::TChainGap;
  auto kinds = [&](const std::string& id) {
    std::vector<std::pair<int, std::string>> found;
    for (const TGap& gap : Backups.ChainGaps(id))
      found.emplace_back(gap.Kind, gap.Id);
    return found;
  };
  Built("1.5");
  Built("2.5", "1.5");
  Built("3.5", "2.5");
  for (const char* id : {"1.5", "2.5", "3.5"})
    Cached(id);
  EXPECT_TRUE(Backups.ChainGaps("3.5").empty());

  DeleteFile(Backups.ArchivePath("1.5"));  // never sent: no copy anywhere
  Backups.MarkSent("2.5");
  DeleteFile(Backups.ArchivePath("2.5"));  // on the server only
  Backups.WriteReceivePosition("3.5", 100);
  EXPECT_EQ(
      kinds("3.5"),
      (std::vector<std::pair<int, std::string>>{
          {TGap::cgOnServer, "2.5"}, {TGap::cgLost, "1.5"}, {TGap::cgPartlyReceived, "3.5"}}));

  Built("4.5", "0.5");  // appended to a backup the catalogue never held
  Cached("4.5");
  EXPECT_EQ(kinds("4.5"),
            (std::vector<std::pair<int, std::string>>{{TGap::cgNotCatalogued, "0.5"}}));
}

TEST_F(Catalogue, DerivedTestsReadTheFlags) {
  EXPECT_FALSE(Backups.AnythingToSend());
  Built("1.5");
  EXPECT_TRUE(Backups.AnythingToSend());
  EXPECT_FALSE(Backups.AnythingToReceive());
  EXPECT_FALSE(Backups.AnythingToDelete());
  Backups.MarkSent("1.5");
  Backups.MarkForFetching("1.5");
  Backups.MarkDeleted("1.5");
  EXPECT_FALSE(Backups.AnythingToSend());
  EXPECT_TRUE(Backups.AnythingToReceive());
  EXPECT_TRUE(Backups.AnythingToDelete());
}

TEST_F(Catalogue, FileNamesComeFromTheIdAndGoBack) {
  EXPECT_EQ(BackupFileBase("45123.5678"), "45123_5678");
  EXPECT_EQ(BackupIdFromFileName("/w/45123_5678.BFE"), "45123.5678");
  EXPECT_EQ(BackupIdFromFileName("45123_5678.bfl"), "45123.5678");
  const std::string home = Profile.Home();
  EXPECT_EQ(Backups.ArchivePath("1.5"), home + "1_5.BFE");
  EXPECT_EQ(Backups.FileListPath("1.5"), home + "1_5.bfl");
  EXPECT_EQ(Backups.PlainArchivePath("1.5"), home + "1_5.bck");
  EXPECT_EQ(Backups.MergedArchivePath("1.5"), home + "1_5abf");
  EXPECT_EQ(Backups.ZipCompanionPath("1.5"), home + "1_5.Zip");
  TDateTime started = 0;
  ASSERT_TRUE(BackupIdTime(BackupIdOf(45123.5678), started));
  EXPECT_DOUBLE_EQ(started, 45123.5678);
}

TEST_F(Catalogue, WorkingFolderComesFromThePreferencesWithATrailingSlash) {
  EXPECT_EQ(Backups.WorkingFolder(), AppDataFolder());
  Store.SetFilename(keys::kBaseKey);
  Store.WriteString(keys::kPreferences, keys::preferences::kWorkingZipFolder, "/srv/backups");
  EXPECT_EQ(Backups.WorkingFolder(), "/srv/backups/");
  EXPECT_EQ(Backups.ArchivePath("2.5"), "/srv/backups/2_5.BFE");
  Store.WriteString(keys::kPreferences, keys::preferences::kWorkingZipFolder, "");
  EXPECT_EQ(Backups.WorkingFolder(), AppDataFolder());
}

TEST_F(Catalogue, DelCacheHoldsRestoredArchivesUntilErased) {
  Backups.AddToDelCache("1.5", "/w/1_5.BFE");
  Backups.AddToDelCache("2.5", "/w/2_5.BFE");
  const std::vector<std::pair<std::string, std::string>> expected{{"1.5", "/w/1_5.BFE"},
                                                                  {"2.5", "/w/2_5.BFE"}};
  EXPECT_EQ(Backups.DelCacheEntries(), expected);
  Backups.EraseDelCache();
  EXPECT_TRUE(Backups.DelCacheEntries().empty());
}

}  // namespace
}  // namespace vaultora
