// The "Schedules" wizard walked as a user walks it: a new schedule through every page with the
// file list editor opened on the way, the time-conflict question, rename, delete, and a schedule
// created but never applied leaving nothing behind.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>

#include "schedule/schedule_record.h"
#include "schedule/ui/schedule_wizard_dialog.h"
#include "selection/ui/session_window.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"
#include "support/scripted_prompts.h"
#include "support/temp_folder.h"
#include "support/test_profile.h"
#include "support/widget_lookup.h"

namespace vaultora::test {
namespace {

class ScheduleWizard : public testing::Test {
 protected:
  void SetUp() override {
    store.SetRootKey(rtHKEY_CURRENT_USER);
    store.SetFilename(keys::kBaseKey);
    std::ofstream(files / "a.txt") << "alpha";
  }
  void Stored(const std::string& name, const char* time) {
    TScheduleRecord record;
    record.Name = name;
    record.BackupType = stDaily;
    record.Time = time;
    record.BackupTitle = "Stored";
    record.Enabled = true;
    SaveSchedule(store, record);
  }
  // The file list editor, as a user fills it: one file, then Apply.
  void FillFileLists(TfrmSchedules& wizard) {
    wizard.OnModalDialog = [this](QDialog& dialog) {
      auto& editor = static_cast<TfrmSession&>(dialog);
      editor.Edit().AddSelected({files / "a.txt"}, "*.*", false);
      editor.ApplyCommand();
      ListsMade.push_back(editor.Edit().FileName());
    };
  }
  // Cover, name, details (with the file list), daily.
  void WalkToDailyTime(TfrmSchedules& wizard, const char* name) {
    Click(wizard, "btnNext");
    ASSERT_EQ(wizard.Page(), spName);
    Find<QLineEdit>(wizard, "edScheduleName").setText(name);
    Click(wizard, "btnNext");
    ASSERT_EQ(wizard.Page(), spDetails);
    Find<QLineEdit>(wizard, "edBackupTitle").setText("Documents");
    Click(wizard, "btnNext");
    ASSERT_EQ(wizard.Page(), spType);
    Click(wizard, "btnNext");
    ASSERT_EQ(wizard.Page(), spDaily);
  }
  TStringList Names() { return ScheduleNames(store); }

  TTestProfile profile;
  TIniRegistryEditor store;
  TScriptedPrompts prompts;
  TTempFolder files;
  TStringList ListsMade;
};

TEST_F(ScheduleWizard, ATimeWithinFiveMinutesOfAnotherAsksAndNoKeepsThePage) {
  Stored("Nightly", "02:00:00");
  TfrmSchedules wizard(store);
  EXPECT_EQ(wizard.windowTitle(), "Schedules");
  FillFileLists(wizard);
  WalkToDailyTime(wizard, "Morning");
  ASSERT_EQ(ListsMade.size(), 1u);

  auto& time = Find<QTimeEdit>(wizard, "teDailyTime");
  time.setTime(QTime(2, 3));
  const size_t before = prompts.Texts().size();
  prompts.Answer(false);
  Click(wizard, "btnNext");
  ASSERT_EQ(prompts.Texts().size(), before + 1);
  EXPECT_NE(
      prompts.Texts().back().find("The \"Nightly\" Schedule has been set to run at 02:00:00."),
      std::string::npos);
  EXPECT_EQ(wizard.Page(), spDaily);

  time.setTime(QTime(2, 6));
  Click(wizard, "btnNext");
  EXPECT_EQ(prompts.Texts().size(), before + 1);  // no question this time
  ASSERT_EQ(wizard.Page(), spFinished);
  EXPECT_EQ(Find<QPushButton>(wizard, "btnNext").text(), "&Apply");
  Click(wizard, "btnNext");
  EXPECT_EQ(wizard.result(), QDialog::Accepted);
  const TScheduleRecord saved = LoadSchedule(store, "Morning");
  EXPECT_EQ(saved.Time, "02:06:00");
  EXPECT_EQ(saved.BackupTitle, "Documents");
  EXPECT_EQ(saved.DefaultSession, ListsMade[0]);
  EXPECT_TRUE(saved.Enabled);
}

TEST_F(ScheduleWizard, ClosingBeforeApplyLeavesNoKeyAndNoListFile) {
  {
    TfrmSchedules wizard(store);
    FillFileLists(wizard);
    WalkToDailyTime(wizard, "Forgotten");
    ASSERT_EQ(ListsMade.size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(ListsMade[0]));
    Click(wizard, "btnClose");
  }
  EXPECT_EQ(Names(), TStringList{});
  EXPECT_FALSE(std::filesystem::exists(ListsMade[0]));
}

TEST_F(ScheduleWizard, RenameToAnotherCaseAndDelete) {
  Stored("nightly", "02:00:00");
  Stored("Weekend", "09:00:00");
  {
    TfrmSchedules wizard(store);
    Click(wizard, "rbModifySchedule");
    Click(wizard, "btnNext");
    ASSERT_EQ(wizard.Page(), spExisting);
    auto& list = Find<QTreeWidget>(wizard, "lvSchedules");
    ASSERT_EQ(list.topLevelItemCount(), 2);
    list.setCurrentItem(list.topLevelItem(0));
    Click(wizard, "btnRename");
    ASSERT_EQ(wizard.Page(), spName);
    Find<QLineEdit>(wizard, "edScheduleName").setText("Nightly");
    Click(wizard, "btnNext");
    EXPECT_EQ(wizard.Page(), spExisting);
    EXPECT_EQ(list.topLevelItem(0)->text(1), "Nightly");
  }
  EXPECT_EQ(Names(), TStringList({"Nightly", "Weekend"}));

  TfrmSchedules wizard(store);
  Click(wizard, "rbModifySchedule");
  Click(wizard, "btnNext");
  auto& list = Find<QTreeWidget>(wizard, "lvSchedules");
  list.setCurrentItem(list.topLevelItem(1));
  prompts.Answer(true);
  Click(wizard, "btnDelete");
  EXPECT_EQ(prompts.Texts().back(), "Are you sure you want to remove this schedule ?");
  ASSERT_EQ(wizard.Page(), spFinished);
  Click(wizard, "btnNext");
  EXPECT_EQ(Names(), TStringList({"Nightly"}));
}

TEST_F(ScheduleWizard, NamesAndTitlesAreRequired) {
  Stored("Nightly", "02:00:00");
  TfrmSchedules wizard(store);
  Click(wizard, "btnNext");
  Click(wizard, "btnNext");
  EXPECT_EQ(prompts.Texts().back(), "A schedule name has not been specified.");
  Find<QLineEdit>(wizard, "edScheduleName").setText("NIGHTLY");
  Click(wizard, "btnNext");
  EXPECT_EQ(prompts.Texts().back(),
            "A schedule with this name already exists.\rUse the \"modify option\" to change "
            "\"NIGHTLY\"");
  EXPECT_EQ(wizard.Page(), spName);
  Find<QLineEdit>(wizard, "edScheduleName").setText("Other");
  Click(wizard, "btnNext");
  ASSERT_EQ(wizard.Page(), spDetails);
  Click(wizard, "btnNext");
  EXPECT_EQ(prompts.Texts().back(), "A backup title has not been specified.");
  EXPECT_EQ(wizard.Page(), spDetails);
}

}  // namespace
}  // namespace vaultora::test
