// The file list editor and the picker walked as a user walks them: the picker lists a folder on
// its worker, "&Add" returns rules and files, the editor adds them, takes drops, saves the list
// and reads it back to the same bytes, and counts what the backup will read.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QSignalSpy>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QUrl>

#include <fstream>
#include <sstream>

#include "controls/entry_views.h"
#include "controls/text_rows_model.h"
#include "selection/file_list_format.h"
#include "selection/ui/drop_window.h"
#include "selection/ui/extensions_dialog.h"
#include "selection/ui/file_drops.h"
#include "selection/ui/picker_window.h"
#include "selection/ui/session_window.h"
#include "settings/ini_registry_editor.h"
#include "settings/preferences.h"
#include "settings/registry_keys.h"
#include "support/scripted_prompts.h"
#include "support/temp_folder.h"
#include "support/test_profile.h"

namespace vaultora::test {
namespace {

std::string Bytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

void Write(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

class FileListWindows : public testing::Test {
 protected:
  void SetUp() override {
    store.SetRootKey(rtHKEY_CURRENT_USER);
    store.SetFilename(keys::kBaseKey);
    std::filesystem::create_directories(files / "docs/old");
    Write(files / "a.txt", "alpha");
    Write(files / "b.dat", "bravo!");
    Write(files / "docs/c.txt", "charlie");
    Write(files / "docs/old/d.txt", "delta");
  }
  std::unique_ptr<TfrmPicker> ListedPicker(const std::string& folder) {
    auto picker = std::make_unique<TfrmPicker>(folder);
    QSignalSpy listed(picker.get(), &TfrmPicker::Listed);
    if (picker->Listing()) {
      EXPECT_TRUE(listed.wait(10000));
    }
    return picker;
  }
  static int RowOf(TfrmPicker& picker, const QString& name) {
    for (int i = 0; i < picker.Rows().Count(); ++i)
      if (picker.Rows().Row(i).Columns[0] == name) return i;
    return -1;
  }
  static void Select(TfrmPicker& picker, std::initializer_list<QString> names) {
    auto& selection = picker.Views().Selection();
    for (const QString& name : names)
      selection.select(picker.Rows().index(RowOf(picker, name), 0),
                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  static void WaitForTally(TfrmSession& editor) {
    QSignalSpy shown(&editor, &TfrmSession::TallyShown);
    if (editor.Counting()) {
      ASSERT_TRUE(shown.wait(10000));
    }
  }
  std::string StoredSession() {
    store.SetFilename(keys::kBaseKey);
    return store.ReadString(keys::kBackupWizard, keys::wizard::kSession, "");
  }

  TTestProfile profile;
  TIniRegistryEditor store;
  TScriptedPrompts prompts;
  TTempFolder files;
};

TEST_F(FileListWindows, PickerListsFoldersFirstAndReturnsRulesAndFiles) {
  auto picker = ListedPicker(files.Path());
  EXPECT_EQ(picker->windowTitle(), "Select Files");
  ASSERT_EQ(picker->Rows().Count(), 3);
  EXPECT_EQ(picker->Rows().Row(0).Columns[0], "docs");  // folders first
  EXPECT_EQ(picker->Rows().Row(1).Columns[0], "a.txt");
  EXPECT_EQ(picker->Rows().Row(2).Columns[0], "b.dat");

  // A folder with a mask and its subfolders, monitored: one rule per mask.
  picker->findChild<QLineEdit*>("edMask")->setText("*.txt;*.md");
  Select(*picker, {"docs"});
  picker->Add();
  EXPECT_EQ(picker->result(), QDialog::Accepted);
  EXPECT_EQ(picker->Result().Selected, TStringList({RuleText(files / "docs/", true, "*.txt"),
                                                    RuleText(files / "docs/", true, "*.md")}));

  // Files chosen from the listing come back by path; unmonitored, the shown folder comes
  // back once per mask.
  auto again = ListedPicker(files.Path());
  Select(*again, {"a.txt", "b.dat"});
  again->Add();
  EXPECT_EQ(again->Result().Selected, TStringList({files / "a.txt", files / "b.dat"}));
  auto plain = ListedPicker(files.Path());
  plain->findChild<QCheckBox*>("cbMonitor")->setChecked(false);
  plain->findChild<QLineEdit*>("edMask")->setText("*.txt *.dat");
  plain->Add();
  EXPECT_EQ(plain->Result().Selected, TStringList({files.Path(), files.Path()}));
}

TEST_F(FileListWindows, PickerOffersTheMountedVolumesCyclesViewsAndSaysWhenItCannotList) {
  bool rootOffered = false;
  for (const TVolume& volume : MountedVolumes())
    rootOffered = rootOffered || volume.Root == "/";
  EXPECT_TRUE(rootOffered);
  auto picker = ListedPicker(files.Path());
  EXPECT_GE(picker->findChild<QComboBox*>("cbDrives")->count(), 1);
  EXPECT_EQ(picker->ViewStyle(), vsDetails);
  picker->findChild<QToolButton*>("btnView")->click();
  EXPECT_EQ(picker->ViewStyle(), vsLargeIcons);

  QSignalSpy listed(picker.get(), &TfrmPicker::Listed);
  picker->ListFolder(files / "no such folder");
  ASSERT_TRUE(!picker->Listing() || listed.wait(10000));
  EXPECT_EQ(picker->Rows().Count(), 0);
  EXPECT_TRUE(
      picker->findChild<QLabel*>("lblCount")->text().startsWith("The folder cannot be listed"))
      << picker->findChild<QLabel*>("lblCount")->text().toStdString();
  picker->Add();  // nothing to add from an empty folder
  EXPECT_NE(picker->result(), QDialog::Accepted);
}

TEST_F(FileListWindows, ExtensionsDialogBuildsTheMaskAndUpLeavesTheFolder) {
  auto picker = ListedPicker(files.Path());
  picker->findChild<QLineEdit*>("edMask")->setText("*.txt");
  QStringList startedSelected;
  picker->OnModalDialog = [&](QDialog& dialog) {
    auto& extensions = static_cast<TfrmExtensions&>(dialog);
    for (const std::string& e : extensions.Selected())
      startedSelected << QString::fromStdString(e);
    extensions.MoveAll(true);
    extensions.accept();
  };
  picker->OpenExtensions();
  EXPECT_EQ(startedSelected, QStringList({".txt"}));
  EXPECT_EQ(picker->findChild<QLineEdit*>("edMask")->text(), "*.dat *.txt");

  QSignalSpy listed(picker.get(), &TfrmPicker::Listed);
  picker->ListFolder(files / "docs");
  ASSERT_TRUE(!picker->Listing() || listed.wait(10000));
  picker->Up();
  ASSERT_TRUE(!picker->Listing() || listed.wait(10000));
  EXPECT_EQ(picker->Folder(), files.Path());
}

TEST_F(FileListWindows, EditorSavesFilesFoldersAndRulesAndReloadsThemToTheSameBytes) {
  std::string saved;
  {
    TfrmSession editor(store, smWizard, WizardSessionSource(), true);
    editor.OnPick = [&](const std::string&, TPickerResult& result) {
      result.Selected = {files / "a.txt", files / "docs/",
                         RuleText(files / "docs/old/", false, "*.txt")};
      result.MaskText = "*.txt";
      result.IncludeSubFolders = false;
      return true;
    };
    editor.AddCommand();
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{});  // not shown: no return question
    EXPECT_TRUE(editor.Action("actApply")->isEnabled());
    WaitForTally(editor);
    // a.txt, docs/c.txt and the rule's d.txt.
    EXPECT_EQ(editor.Tally().Total.Files, 3);
    EXPECT_EQ(editor.Tally().Total.Bytes, 5 + 7 + 5);
    editor.ApplyCommand();
    EXPECT_EQ(editor.result(), QDialog::Accepted);
    saved = StoredSession();
    ASSERT_FALSE(saved.empty());
  }
  const std::string first = Bytes(saved);
  EXPECT_NE(first.find(files / "docs/old/"), std::string::npos);
  EXPECT_NE(first.find("/\b*.txt"), std::string::npos);

  TfrmSession editor(store, smWizard, WizardSessionSource());
  EXPECT_EQ(editor.Edit().List().Count(), 3u);
  ASSERT_TRUE(editor.SelectFolder(files / "docs/old/"));
  ASSERT_EQ(editor.Rows().Count(), 1);
  EXPECT_EQ(editor.Rows().Row(0).Columns[0], "<Monitoring for new files, folder mask=\"*.txt\">");
  editor.Edit().List().SetModified(true);
  editor.ApplyCommand();
  EXPECT_EQ(Bytes(saved), first);
}

TEST_F(FileListWindows, EditorKeepsARecordedStateAndRemovesAfterAsking) {
  const std::string list = profile.Home() + "kept.bfl";
  const std::string content = files.Path() + "\r\na.txt\t46000.5=5\r\nb.dat\r\n";
  Write(list, content);
  store.WriteString(keys::kBackupWizard, keys::wizard::kSession, list);
  TfrmSession editor(store, smWizard, WizardSessionSource());
  editor.Edit().List().SetModified(true);
  editor.ApplyCommand();
  EXPECT_EQ(Bytes(list), content);

  TfrmSession remover(store, smWizard, WizardSessionSource());
  ASSERT_TRUE(remover.SelectFolder(files.Path()));
  remover.Entries().Current().setFocus();
  remover.Entries().Selection().select(remover.Rows().index(1, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
  prompts.Answer(false);
  remover.RemoveCommand();
  EXPECT_EQ(remover.Edit().List().Count(), 2u);
  prompts.Answer(true);
  remover.RemoveCommand();
  EXPECT_EQ(prompts.Texts().back(),
            "Are you sure you want to remove the selected file(s) from this file list");
  EXPECT_EQ(remover.Edit().List().Count(), 1u);
  // Closing a changed list asks to save it.
  prompts.Answer(true);
  remover.reject();
  EXPECT_EQ(prompts.Texts().back(), "Save the current file list before continuing ?");
  EXPECT_EQ(Bytes(list), files.Path() + "\r\na.txt\t46000.5=5\r\n");
}

TEST_F(FileListWindows, DroppedFileUrlsAreAddedAndTheirFolderShown) {
  TfrmSession editor(store, smSchedule, ScheduleSessionSource("Nightly"), true);
  editor.PickOnShow = false;
  editor.show();
  QMimeData payload;
  payload.setUrls({QUrl::fromLocalFile(QString::fromStdString(files / "b.dat")),
                   QUrl::fromLocalFile(QString::fromStdString(files / "docs")),
                   QUrl("https://example.org/not-a-file")});
  // What the window's drop handler does with a drop's payload (a synthetic drop event does not
  // reach a widget without a drag in progress).
  editor.DropPaths(DroppedPaths(payload));
  // b.dat, and the folder searched with its subfolders: c.txt and d.txt.
  EXPECT_EQ(editor.Edit().List().Count(), 3u);
  EXPECT_EQ(editor.ShownFolder(), files.Path());
  editor.ApplyCommand();
  TIniRegistryEditor check;
  check.SetRootKey(rtHKEY_CURRENT_USER);
  check.SetFilename(keys::kScheduleKey);
  EXPECT_FALSE(check.ReadString("Nightly", "DefaultSession", "").empty());
}

TEST_F(FileListWindows, TheFirstAddOfAShowingOffersToReturnToTheWizard) {
  TfrmSession editor(store, smWizard, WizardSessionSource(), true);
  editor.PickOnShow = false;
  editor.OnPick = [&](const std::string&, TPickerResult& result) {
    result.Selected = {files / "a.txt"};
    return true;
  };
  editor.show();
  prompts.Answer(true);
  editor.AddCommand();
  ASSERT_FALSE(prompts.Texts().empty());
  EXPECT_EQ(prompts.Texts().back(),
            "Would you like to save this session, and return to the wizard?");
  EXPECT_EQ(editor.result(), QDialog::Accepted);
  EXPECT_EQ(Bytes(StoredSession()), files.Path() + "\r\na.txt\r\n");
}

TEST_F(FileListWindows, TheDropWindowTakesDropsAndItsApplySavesTheList) {
  TfrmSession editor(store, smWizard, WizardSessionSource(), true);
  bool picked = false;
  editor.OnPick = [&](const std::string&, TPickerResult&) { return picked = true, false; };
  editor.OnDropWindow = [&](QDialog& window) {
    EXPECT_EQ(window.windowTitle(), "Backup File(s)");
    static_cast<TfrmDropWindow&>(window).OnDrop({files / "a.txt"});
    return static_cast<int>(drApply);
  };
  editor.ShrinkCommand();
  EXPECT_FALSE(picked);
  EXPECT_EQ(editor.result(), QDialog::Accepted);
  EXPECT_EQ(Bytes(StoredSession()), files.Path() + "\r\na.txt\r\n");

  // Back with nothing listed opens the picker again.
  TfrmSession empty(store, smWizard, WizardSessionSource(), true);
  empty.OnPick = [&](const std::string&, TPickerResult&) { return picked = true, false; };
  empty.OnDropWindow = [](QDialog&) { return static_cast<int>(drBack); };
  empty.ShrinkCommand();
  EXPECT_TRUE(picked);
}

}  // namespace
}  // namespace vaultora::test
