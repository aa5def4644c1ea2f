// The schedule wizard's file list when appending to a backup: the chosen backup's list replaces
// the schedule's, "[None]" puts the schedule's own back, and closing without applying leaves the
// schedule's list as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "catalogue/catalogue.h"
#include "schedule/schedule_record.h"
#include "schedule/schedule_wizard.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"
#include "support/scripted_prompts.h"
#include "support/test_profile.h"

namespace vaultora::test {
namespace {

std::string Text(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

class ScheduleWizardModel : public testing::Test {
 protected:
  void SetUp() override {
    store.SetRootKey(rtHKEY_CURRENT_USER);
    store.SetFilename(keys::kBaseKey);
    work = profile.Home() + "work/";
    std::filesystem::create_directories(work);
    store.WriteString(keys::kPreferences, keys::preferences::kWorkingZipFolder, work);
    own = work + "own.bfl";
    std::ofstream(own, std::ios::binary) << "/home/u/\r\nmine.txt\r\n";
    backupList = work + "backup.bfl";
    std::ofstream(backupList, std::ios::binary) << "/srv/\r\ntheirs.txt\r\n";
    TBackupRecord backup;
    backup.FinishDateTime = 46000.5;
    backup.Session = backupList;
    backup.BackupTitle = "Weekly";
    TCatalogue(store).RecordBackup("46000.25", backup);
    TScheduleRecord record;
    record.Name = "Nightly";
    record.Time = "02:00:00";
    record.BackupTitle = "Nightly";
    record.DefaultSession = own;
    record.Enabled = true;
    SaveSchedule(store, record);
  }
  size_t ListFiles() {
    size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(work))
      count += entry.path().extension() == ".bfl";
    return count;
  }
  void Open(TScheduleWizard& wizard) {
    wizard.CreateNew = false;
    ASSERT_EQ(wizard.Next(spCover), spExisting);
    wizard.Select(0);
    ASSERT_EQ(wizard.Next(spExisting), spDetails);
    ASSERT_EQ(wizard.AppendChoices().size(), 1u);
  }

  TTestProfile profile;
  TIniRegistryEditor store;
  TScriptedPrompts prompts;
  std::string work, own, backupList;
};

TEST_F(ScheduleWizardModel, NoneAgainAndClosingPutTheSchedulesListBack) {
  {
    TScheduleWizard wizard(store);
    Open(wizard);
    wizard.ChooseAppend(1);
    EXPECT_EQ(Text(own), "/srv/\r\ntheirs.txt\r\n");
    wizard.ChooseAppend(0);
    EXPECT_EQ(Text(own), "/home/u/\r\nmine.txt\r\n");
    wizard.ChooseAppend(1);
    wizard.Discard();  // closed without applying
  }
  EXPECT_EQ(Text(own), "/home/u/\r\nmine.txt\r\n");
  EXPECT_EQ(ListFiles(), 2u);  // no saved copy left behind
}

TEST_F(ScheduleWizardModel, ApplyingAnAppendKeepsTheBackupsListAndTheTarget) {
  {
    TScheduleWizard wizard(store);
    Open(wizard);
    wizard.ChooseAppend(1);
    EXPECT_FALSE(wizard.ExpiryAvailable());
    wizard.Apply();
  }
  EXPECT_EQ(Text(own), "/srv/\r\ntheirs.txt\r\n");
  EXPECT_EQ(ListFiles(), 2u);
  const TScheduleRecord saved = LoadSchedule(store, "Nightly");
  EXPECT_EQ(saved.AppendBackup, "46000.25");
  EXPECT_EQ(saved.DefaultSession, own);
}

}  // namespace
}  // namespace vaultora::test
