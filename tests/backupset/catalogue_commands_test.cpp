#include "backupset/catalogue_commands.h"

#include <gtest/gtest.h>

#include "backupset/catalogue_views.h"
#include "platform/folders.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"
#include "support/scripted_prompts.h"
#include "support/temp_folder.h"
#include "support/test_profile.h"

namespace vaultora {
namespace {

// A catalogue in a fresh profile whose working folder is a temporary folder.
class CatalogueCommands : public testing::Test {
 protected:
  CatalogueCommands() : commands(store, restoreList) {
    store.SetRootKey(rtHKEY_CURRENT_USER);
    store.SetFilename(keys::kBaseKey);
    store.WriteString(keys::kPreferences, keys::preferences::kWorkingZipFolder, work.Path());
  }

  // An entry as the builder writes it, with the given flags; `archive` makes its ".BFE".
  void AddEntry(const std::string& id, std::initializer_list<const char*> flags,
                bool archive = false, const std::string& incremental = "") {
    store.SetFilename(keys::kBackupsKey);
    store.WriteString(id, "FinishDateTime", "46000.75");
    store.WriteString(id, "Session", "/lists/" + id + ".bfl");
    store.WriteString(id, "Size", "2048");
    store.WriteString(id, "BackupTitle", "Title " + id);
    for (const char* flag : flags) {
      if (std::string(flag) == "SendPosition" || std::string(flag) == "ReceivePosition")
        store.WriteInteger(id, flag, 1536);
      else
        store.WriteBool(id, flag, true);
    }
    if (!incremental.empty()) store.WriteString(id, "Incremental", incremental);
    if (archive) test::WriteTextFile(ArchiveOf(id), "archive " + id);
  }
  std::string ArchiveOf(const std::string& id) {
    return work.Path() + ReplaceAll(id, ".", "_") + ".BFE";
  }
  bool HasValue(const std::string& id, const char* name) {
    store.SetFilename(keys::kBackupsKey);
    return store.ValueExists(id, name);
  }
  bool EntryExists(const std::string& id) {
    store.SetFilename(keys::kBackupsKey);
    return store.SectionExists(id);
  }
  std::vector<std::string> Keys(TCatalogueView view) {
    std::vector<std::string> keys;
    for (const TCatalogueRow& row : ViewRows(store, view, restoreList))
      keys.push_back(row.Id.Key);
    return keys;
  }
  void Cache(const std::string& name, const std::string& path) {
    store.SetFilename(keys::kBaseKey);
    store.WriteString(keys::kDelCache, name, path);
  }
  bool CacheListed() {
    store.SetFilename(keys::kBaseKey);
    return store.SectionExists(keys::kDelCache);
  }

  test::TTestProfile profile;
  test::TTempFolder work;
  TIniRegistryEditor store;
  TStringList restoreList;
  TCatalogueCommands commands;
};

TEST_F(CatalogueCommands, EachStateIsListedInItsView) {
  AddEntry("46001.1", {"NeedToSend"}, true);
  AddEntry("46001.2", {"NeedToSend", "SendPosition"}, true);
  AddEntry("46001.3", {}, false);
  AddEntry("46001.4", {}, true);
  AddEntry("46001.5", {"ReceivePosition"}, false);
  AddEntry("46001.6", {"NeedToSend", "Deleted"}, true);
  EXPECT_EQ(Keys(cvOutbox), (std::vector<std::string>{"46001.1", "46001.2"}));
  EXPECT_EQ(Keys(cvSentItems), std::vector<std::string>{"46001.3"});
  EXPECT_EQ(Keys(cvInbox), std::vector<std::string>{"46001.4"});
  EXPECT_EQ(Keys(cvReceivingItems), std::vector<std::string>{"46001.5"});
  EXPECT_EQ(Keys(cvDeleted), std::vector<std::string>{"46001.6"});
}

TEST_F(CatalogueCommands, RowsCarryTheColumnsTextsAndMarks) {
  AddEntry("46001.5", {"NeedToSend", "SendPosition"}, true);
  AddEntry("46002.5", {"ReceivePosition"});
  store.SetFilename(keys::kBackupsKey);
  store.WriteString("46002.5", "Size", "3145728");
  store.DeleteValue("46002.5", "FinishDateTime");

  const auto outbox = ViewRows(store, cvOutbox, restoreList);
  ASSERT_EQ(outbox.size(), 1u);
  EXPECT_EQ(outbox[0].Name, "Title 46001.5");
  EXPECT_EQ(outbox[0].Id.Session, "/lists/46001.5.bfl");
  EXPECT_EQ(outbox[0].Started, DateTimeText(46001.5));
  EXPECT_EQ(outbox[0].Finished, DateTimeText(46000.75));
  EXPECT_EQ(outbox[0].Size, "2.00 KB");
  EXPECT_EQ(outbox[0].Transferred, "1.50 KB");
  EXPECT_EQ(outbox[0].Mark, mkWaiting);

  const auto receiving = ViewRows(store, cvReceivingItems, restoreList);
  ASSERT_EQ(receiving.size(), 1u);
  EXPECT_EQ(receiving[0].Finished, "Failed Backup");
  EXPECT_EQ(receiving[0].Size, "3.00 MB");
  EXPECT_EQ(receiving[0].Mark, mkDone);

  EXPECT_EQ(ViewColumns(cvOutbox).back().Caption, "Transfered");
  EXPECT_EQ(ViewColumns(cvReceivingItems).back().Caption, "Received");
  EXPECT_EQ(ViewColumns(cvSentItems).front().Caption, "Restore");
  EXPECT_EQ(ViewColumns(cvInbox).size(), 4u);
  EXPECT_EQ(ViewStatusText(cvOutbox, 2), "2 item(s) to be sent.");
  EXPECT_EQ(ViewStatusText(cvInbox, 0), "0 item(s) in the inbox.");
  EXPECT_EQ(ViewStatusText(cvSentItems, 3), "3 item(s) on the server.");
  EXPECT_EQ(ViewStatusText(cvReceivingItems, 1), "1 item(s) requested.");
  EXPECT_EQ(ViewStatusText(cvDeleted, 4), "4 item(s) to delete.");
  EXPECT_EQ(RequestedStatusText(5), "5 item(s) requested.");
}

TEST_F(CatalogueCommands, DeletingAnEntryOnTheServerOnlyMarksIt) {
  AddEntry("46001.5", {}, true);
  AddEntry("46002.5", {"NeedToSend", "SendPosition"}, true);
  test::TScriptedPrompts prompts;
  EXPECT_EQ(commands.Delete("46001.5"), drMarked);
  EXPECT_EQ(commands.Delete("46002.5"), drMarked);
  EXPECT_TRUE(prompts.Shown().empty());
  EXPECT_TRUE(HasValue("46001.5", "Deleted"));
  EXPECT_TRUE(FileExists(ArchiveOf("46002.5")));
  EXPECT_EQ(Keys(cvDeleted), (std::vector<std::string>{"46001.5", "46002.5"}));

  commands.Undo("46002.5");
  EXPECT_FALSE(HasValue("46002.5", "Deleted"));
  EXPECT_EQ(EntryMark(TCatalogue(store).Entry("46002.5")), mkWaiting);
  EXPECT_EQ(Keys(cvOutbox), std::vector<std::string>{"46002.5"});
}

TEST_F(CatalogueCommands, DeletingAnUnsentEntryAsksAndRemovesItOnlyOnYes) {
  AddEntry("46001.5", {"NeedToSend"}, true);
  test::WriteTextFile(ChangeFileExt(ArchiveOf("46001.5"), ".Zip"), "companion");
  test::TScriptedPrompts prompts;
  prompts.Answer(false);
  EXPECT_EQ(commands.Delete("46001.5"), drKept);
  EXPECT_TRUE(EntryExists("46001.5"));
  EXPECT_TRUE(FileExists(ArchiveOf("46001.5")));

  prompts.Answer(true);
  EXPECT_EQ(commands.Delete("46001.5"), drRemoved);
  ASSERT_EQ(prompts.Shown().size(), 2u);
  EXPECT_EQ(prompts.Shown()[0].Kind, TPromptKind::pkQuestion);
  EXPECT_EQ(prompts.Shown()[0].Text,
            "This backup has not been sent to the backup server,\rare you sure you want to "
            "remove the this backup from your system ?");
  EXPECT_FALSE(EntryExists("46001.5"));
  EXPECT_FALSE(FileExists(ArchiveOf("46001.5")));
  EXPECT_FALSE(FileExists(ChangeFileExt(ArchiveOf("46001.5"), ".Zip")));
}

TEST_F(CatalogueCommands, MovingToSentItemsForgetsTheLocalCopy) {
  AddEntry("46001.5", {"ReceivePosition"}, true);
  restoreList = {"46001.5"};
  commands.MoveToSentItems("46001.5");
  EXPECT_FALSE(FileExists(ArchiveOf("46001.5")));
  EXPECT_FALSE(HasValue("46001.5", "ReceivePosition"));
  EXPECT_TRUE(restoreList.empty());
  EXPECT_EQ(Keys(cvSentItems), std::vector<std::string>{"46001.5"});
}

TEST_F(CatalogueCommands, TickingAnIncrementalRequestsTheWholeChainAndUntickingDropsIt) {
  AddEntry("46001.5", {});
  AddEntry("46002.5", {}, false, "46001.5");
  AddEntry("46003.5", {}, false, "46002.5");
  AddEntry("46004.5", {});
  restoreList = {"46004.5"};
  const TStringList ticked = commands.ToggleRestoreRequest("46003.5", true);
  EXPECT_EQ(ticked.size(), 3u);
  EXPECT_EQ(restoreList.size(), 4u);
  for (const char* id : {"46001.5", "46002.5", "46003.5"})
    EXPECT_NE(std::find(restoreList.begin(), restoreList.end(), id), restoreList.end()) << id;
  commands.ToggleRestoreRequest("46002.5", true);
  EXPECT_EQ(restoreList.size(), 4u) << "no duplicates";
  for (const TCatalogueRow& row : ViewRows(store, cvSentItems, restoreList))
    EXPECT_TRUE(row.Checked) << row.Id.Key;

  commands.ToggleRestoreRequest("46003.5", false);
  EXPECT_EQ(restoreList, TStringList{"46004.5"});
}

TEST_F(CatalogueCommands, PreparingTheRestoreListMarksRequestsAndDropsWhatCannotBeFetched) {
  AddEntry("46000.5", {"ReceivePosition"});   // half-received, not yet listed
  AddEntry("46001.5", {});                    // requested from "Sent Items"
  AddEntry("46002.5", {"Deleted"});           // requested, then deleted
  AddEntry("46003.5", {"NeedToSend"}, true);  // a base never sent, reached through the chain
  restoreList = {"46001.5", "46002.5", "46003.5", "46009.5"};
  commands.PrepareRestoreList();
  EXPECT_EQ(restoreList, (TStringList{"46001.5", "46009.5", "46000.5"}));
  store.SetFilename(keys::kBackupsKey);
  EXPECT_EQ(store.ReadInteger("46001.5", "ReceivePosition", -1), 0);
  EXPECT_EQ(store.ReadInteger("46000.5", "ReceivePosition", -1), 1536) << "kept as it was";
  EXPECT_FALSE(HasValue("46003.5", "ReceivePosition"));
  EXPECT_FALSE(store.SectionExists("46009.5")) << "no entry is made for an unknown name";
  EXPECT_EQ(Keys(cvReceivingItems), (std::vector<std::string>{"46000.5", "46001.5"}));
}

TEST_F(CatalogueCommands, ClearingTheCacheAsksOnceAndKeepsEverythingOnNo) {
  test::WriteTextFile(work / "a.BFE", "a");
  test::WriteTextFile(work / "b.BFE", "b");
  Cache("46000.5", work / "gone.BFE");
  Cache("46001.5", work / "a.BFE");
  Cache("46002.5", work / "b.BFE");
  test::TScriptedPrompts prompts;
  prompts.Answer(false);
  EXPECT_FALSE(commands.ClearCache());
  EXPECT_TRUE(FileExists(work / "a.BFE"));
  EXPECT_TRUE(CacheListed());

  prompts.Answer(true);
  EXPECT_TRUE(commands.ClearCache());
  EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{kClearCacheQuestion, kClearCacheQuestion}));
  EXPECT_FALSE(FileExists(work / "a.BFE"));
  EXPECT_FALSE(FileExists(work / "b.BFE"));
  EXPECT_FALSE(CacheListed());
}

TEST_F(CatalogueCommands, ACacheOfMissingFilesIsForgottenWithoutAQuestion) {
  Cache("46000.5", work / "gone.BFE");
  test::TScriptedPrompts prompts;
  EXPECT_TRUE(commands.ClearCache());
  EXPECT_TRUE(prompts.Shown().empty());
  EXPECT_FALSE(CacheListed());
}

}  // namespace
}  // namespace vaultora
