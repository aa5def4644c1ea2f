// The "Restore" window over backups made by the builder: a chain listed newest first, restores
// of all, filtered and chosen rows under each overwrite rule, a wrong key, and "&Stop".
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTreeWidget>

#include "archive/ui/restore_window_fixture.h"
#include "platform/folders.h"
#include "settings/registry_keys.h"

namespace vaultora::test {
namespace {

using TTree = std::map<std::string, std::string>;

class RestoreWindowChain : public RestoreWindowTest {
 protected:
  // A full backup and an incremental one on it: a.txt changed, sub/c.txt added.
  void BuildChain() {
    WriteSource("a.txt", "a first", 2020);
    WriteSource("sub/b.txt", "b first", 2020);
    Full = Backup("--title Full --full");
    WriteSource("a.txt", "a changed", 2021);
    WriteSource("sub/c.txt", "c added", 2021);
    Inc = Backup("--title Inc --base " + Full);
  }
  std::string Full, Inc;
};

TEST_F(RestoreWindowChain, ListsTheChainAndRestoresAllFilesWithFolderNamesThenCachesIt) {
  ASSERT_NO_FATAL_FAILURE(BuildChain());
  MarkSent(Full);
  MarkSent(Inc);
  {
    auto window = Open(Inc);
    EXPECT_EQ(window->windowTitle(), "Restore \"Inc\"");
    ASSERT_EQ(window->Model().Count(), 3);
    // The merge takes the newest backup first: its copy of a.txt is listed (2021).
    QStringList names;
    for (int row = 0; row < 3; ++row)
      names << window->Model().index(row, 0).data().toString();
    names.sort();
    EXPECT_EQ(names, QStringList({"a.txt", "b.txt", "c.txt"}));
    const QStringList log = Log(*window);
    EXPECT_TRUE(log.contains("Appending incremental archives")) << log.join("\n").toStdString();
    EXPECT_TRUE(log.contains("Append completed"));
    EXPECT_EQ(log.filter("Archive : ").size(), 1);
    EXPECT_EQ(Find<QLabel>(*window, "lblStatus").text(), "Viewing 3 files");
    EXPECT_TRUE(Action(*window, "actRestoreFiles").isEnabled());
    EXPECT_FALSE(Action(*window, "actStop").isEnabled());
    // The folder tree starts at the folder the files share.
    auto& folders = Find<QTreeWidget>(*window, "tvFolders");
    ASSERT_EQ(folders.topLevelItemCount(), 1);
    EXPECT_EQ(folders.topLevelItem(0)->text(0).toStdString(), Source.Path());
    EXPECT_EQ(folders.topLevelItem(0)->child(0)->text(0), "sub");

    ASSERT_TRUE(Extract(*window, [this](TfrmRestoreOptions& dialog) {
      OtherPath(dialog, Target.Path(), true);
      Find<QRadioButton>(dialog, "rbAllFiles").setChecked(true);
    }));
    EXPECT_TRUE(Log(*window).contains("Restore completed, 3 file(s) unpacked"));
    EXPECT_EQ(Find<QLabel>(*window, "lblStatus").text(), "Ready");
    EXPECT_TRUE(Prompts.Shown().empty()) << "nothing at another folder is replaced";
  }
  EXPECT_EQ(ReadTree(Below(Target)),
            (TTree{{"a.txt", "a changed"}, {"sub/b.txt", "b first"}, {"sub/c.txt", "c added"}}));
  // Closed: both archives of the chain are recorded as a cache, the plain ones are gone.
  for (const std::string& id : {Full, Inc}) {
    EXPECT_EQ(Profile.Store.ReadString(keys::kDelCache, id, ""), Profile.FileOf(id, ".BFE"));
    EXPECT_FALSE(FileExists(Profile.FileOf(id, ".bck")));
  }
  EXPECT_NE(ReadTextFile(AppDataFolder() + "Restore.log").find("Restore completed, 3 file(s)"),
            std::string::npos);
}

TEST_F(RestoreWindowChain, TheFilterAndTheFolderTreeFindRowsAndOnlyTheChosenAreRestored) {
  ASSERT_NO_FATAL_FAILURE(BuildChain());
  auto window = Open(Inc);
  auto& filter = Find<QLineEdit>(*window, "edFilter");
  filter.setText("C.T");  // either case
  ASSERT_EQ(window->Model().Count(), 1);
  EXPECT_EQ(window->Model().index(0, 0).data().toString(), "c.txt");
  EXPECT_EQ(Find<QLabel>(*window, "lblShown").text(), "1 of 3 shown");
  filter.setText("sub");  // the folder's name matches too
  EXPECT_EQ(window->Model().Count(), 2);
  filter.clear();
  EXPECT_EQ(window->Model().Count(), 3);
  // The "sub" folder of the tree shows its files alone.
  auto& folders = Find<QTreeWidget>(*window, "tvFolders");
  folders.topLevelItem(0)->child(0)->setSelected(true);
  EXPECT_EQ(window->Model().Count(), 2);
  filter.setText("b.");
  ASSERT_EQ(window->Model().Count(), 1);

  Click(*window, "btnSelectShown");
  ASSERT_EQ(window->SelectedRows().size(), 1u);
  ASSERT_TRUE(Extract(*window, [this](TfrmRestoreOptions& dialog) {
    EXPECT_TRUE(Find<QRadioButton>(dialog, "rbSelectedFiles").isEnabled());
    EXPECT_TRUE(Find<QRadioButton>(dialog, "rbSelectedFiles").isChecked());
    OtherPath(dialog, Target.Path(), false);
  }));
  EXPECT_EQ(ReadTree(Target.Path()), (TTree{{"b.txt", "b first"}}));
  EXPECT_TRUE(Log(*window).contains("Restore completed, 1 file(s) unpacked"));
}

TEST_F(RestoreWindowChain, AnotherPathWithoutAFolderIsRefusedAndTheDialogStaysOpen) {
  ASSERT_NO_FATAL_FAILURE(BuildChain());
  auto window = Open(Inc);
  bool stayed = false;
  window->OnOptionsDialog = [&stayed](TfrmRestoreOptions& dialog) {
    EXPECT_FALSE(Find<QRadioButton>(dialog, "rbSelectedFiles").isEnabled()) << "no row chosen";
    EXPECT_TRUE(Find<QRadioButton>(dialog, "rbAllFiles").isChecked());
    EXPECT_FALSE(Find<QCheckBox>(dialog, "cbUseFolderNames").isEnabled());
    OtherPath(dialog, "  ", true);
    EXPECT_TRUE(Find<QCheckBox>(dialog, "cbUseFolderNames").isEnabled());
    Click(dialog, "btnExtract");
    stayed = dialog.result() != QDialog::Accepted;
    Click(dialog, "btnCancel");
  };
  Action(*window, "actRestoreFiles").trigger();
  EXPECT_TRUE(stayed);
  ASSERT_FALSE(Prompts.Texts().empty());
  EXPECT_EQ(Prompts.Texts().back(), "Invalid folder name");
  EXPECT_TRUE(ReadTree(Target.Path()).empty());
}

// Each overwrite rule at the files' own place, against a file older than the stored one, a newer
// one and a missing one; the question says how many will be replaced first.
TEST_F(RestoreWindowTest, EachRestoreModeAtTheOriginalPlaceAgainstOlderAndNewerFiles) {
  WriteSource("older.txt", "stored", 2020);
  WriteSource("newer.txt", "stored", 2020);
  WriteSource("missing.txt", "stored", 2020);
  const std::string id = Backup("--title Modes --full");
  struct TCase {
    const char* Radio;
    TTree Expected;
    int Replaced;  // what the question announces; 0: no question
  };
  const TCase cases[] = {
      {"rbOverwriteAll",
       {{"older.txt", "stored"}, {"newer.txt", "stored"}, {"missing.txt", "stored"}},
       2},
      {"rbNoOverwrite",
       {{"older.txt", "mine"}, {"newer.txt", "mine"}, {"missing.txt", "stored"}},
       0},
      {"rbOverwriteOlder",
       {{"older.txt", "stored"}, {"newer.txt", "mine"}, {"missing.txt", "stored"}},
       1},
      {"rbOverwriteExisting", {{"older.txt", "stored"}, {"newer.txt", "stored"}}, 2},
      {"rbOverwriteExistingOlder", {{"older.txt", "stored"}, {"newer.txt", "mine"}}, 1},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Radio);
    WriteSource("older.txt", "mine", 2019);
    WriteSource("newer.txt", "mine", 2022);
    DeleteFile(Source / "missing.txt");
    const size_t asked = Prompts.Shown().size();
    auto window = Open(id);
    ASSERT_TRUE(Extract(*window, [&c](TfrmRestoreOptions& dialog) {
      EXPECT_TRUE(Find<QRadioButton>(dialog, "rbOriginalPath").isChecked());
      Find<QRadioButton>(dialog, c.Radio).setChecked(true);
    }));
    EXPECT_EQ(ReadTree(Source.Path()), c.Expected);
    if (c.Replaced == 0) {
      EXPECT_EQ(Prompts.Shown().size(), asked);
    } else {
      ASSERT_EQ(Prompts.Shown().size(), asked + 1);
      EXPECT_EQ(Prompts.Shown().back().Text.substr(0, 20),
                std::to_string(c.Replaced) + " existing file(s) a");
    }
  }
  // Answered No, the question leaves every file as it was.
  WriteSource("older.txt", "mine", 2019);
  Prompts.Answer(false);
  auto window = Open(id);
  Extract(*window, [](TfrmRestoreOptions& dialog) {
    Find<QRadioButton>(dialog, "rbOverwriteAll").setChecked(true);
  });
  EXPECT_EQ(ReadTextFile(Source / "older.txt"), "mine");
}

TEST_F(RestoreWindowChain, AWrongKeyEndsWithTheMacMessageAndListsNothing) {
  ASSERT_NO_FATAL_FAILURE(BuildChain());
  Profile.SetKey("somebody else's key");
  auto window = Open(Inc);
  const QStringList log = Log(*window);
  EXPECT_TRUE(log.contains("Decryption failed, MAC mismatch")) << log.join("\n").toStdString();
  EXPECT_EQ(window->Model().Count(), 0);
  EXPECT_FALSE(Action(*window, "actRestoreFiles").isEnabled());
  for (const std::string& id : {Full, Inc})
    EXPECT_FALSE(FileExists(Profile.FileOf(id, ".bck")));
}

// "&Stop" pressed while the chain is deciphered: No lets the work go on; Yes stops it and removes
// the received archives, but never the one of a backup that was not sent yet.
TEST_F(RestoreWindowChain, StopAnsweredNoGoesOnAndYesKeepsTheUnsentBase) {
  WriteSource("big.bin", std::string(300000, 'x') + "end", 2020);
  ASSERT_NO_FATAL_FAILURE(BuildChain());
  MarkSent(Inc);  // the base still waits in the Outbox
  int stops = 0;
  BeforeShow = [&stops](TfrmRestore& window) {
    auto progress = window.Session().OnProgress;
    window.Session().OnProgress = [&window, &stops, progress](const std::string& f, int p) {
      progress(f, p);
      if (stops++ == 0) window.findChild<QAction*>("actStop")->trigger();
    };
  };
  Prompts.Answer(false);
  {
    auto window = Open(Inc);
    EXPECT_EQ(Prompts.Texts().back(), "Are you sure you want to abort the current process?");
    EXPECT_EQ(window->Model().Count(), 4) << "No: the work went on";
  }
  stops = 0;
  Prompts.Answer(true);
  {
    auto window = Open(Inc);
    ASSERT_EQ(stops > 0, true);
    EXPECT_EQ(window->Model().Count(), 0);
    EXPECT_FALSE(Action(*window, "actRestoreFiles").isEnabled());
    EXPECT_FALSE(Log(*window).contains("Append completed"));
  }
  EXPECT_TRUE(FileExists(Profile.FileOf(Full, ".BFE"))) << "the only copy of the unsent base";
  EXPECT_FALSE(FileExists(Profile.FileOf(Inc, ".BFE")));
  for (const std::string& id : {Full, Inc})
    EXPECT_FALSE(FileExists(Profile.FileOf(id, ".bck")));
  EXPECT_FALSE(Profile.Store.ValueExists(keys::kDelCache, Full)) << "unsent: not a cache";
}

TEST_F(RestoreWindowChain, ClosingWhileBusyAsksAndNoKeepsTheWindowOpen) {
  WriteSource("big.bin", std::string(300000, 'x'), 2020);
  ASSERT_NO_FATAL_FAILURE(BuildChain());
  bool asked = false;
  BeforeShow = [&asked](TfrmRestore& window) {
    auto progress = window.Session().OnProgress;
    window.Session().OnProgress = [&window, &asked, progress](const std::string& f, int p) {
      progress(f, p);
      if (asked) return;
      asked = true;
      window.reject();  // the close box
    };
  };
  Prompts.Answer(false);
  auto window = Open(Inc);
  EXPECT_TRUE(asked);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->Model().Count(), 4);
}

// A file deleted before the newest backup is listed (from the older backup) but left out of
// "All Files"; chosen by the user, it is restored.
TEST_F(RestoreWindowTest, AFileDeletedBeforeTheBackupIsRestoredWhenChosen) {
  WriteSource("kept.txt", "kept", 2020);
  WriteSource("gone.txt", "gone", 2020);
  const std::string full = Backup("--title Full --full");
  DeleteFile(Source / "gone.txt");
  WriteSource("kept.txt", "kept changed", 2021);
  const std::string inc = Backup("--title Inc --base " + full);
  auto window = Open(inc);
  ASSERT_EQ(window->Model().Count(), 2);
  ASSERT_TRUE(Extract(
      *window, [this](TfrmRestoreOptions& dialog) { OtherPath(dialog, Target.Path(), false); }));
  EXPECT_EQ(ReadTree(Target.Path()), (TTree{{"kept.txt", "kept changed"}}));
  Find<QLineEdit>(*window, "edFilter").setText("gone");
  Click(*window, "btnSelectShown");
  TTempFolder chosen;
  ASSERT_TRUE(Extract(
      *window, [&chosen](TfrmRestoreOptions& dialog) { OtherPath(dialog, chosen.Path(), false); }));
  EXPECT_EQ(ReadTree(chosen.Path()), (TTree{{"gone.txt", "gone"}}));
}

}  // namespace
}  // namespace vaultora::test
