// Online work started by the main window's other paths: a scheduled alarm that builds a backup
// and sends it, and a dial-up line dialled before the work and hung up after it.
#include <QCheckBox>
#include <QPushButton>

#include "app/ui/online_windows.h"
#include "backupset/ui/creating_backup_window.h"
#include "catalogue/catalogue.h"
#include "connect/simulated_ras_adapter.h"
#include "online/ui/transfer_window_fixture.h"
#include "platform/folders.h"
#include "schedule/runtime/alarm_clock.h"
#include "schedule/schedule_record.h"
#include "support/catalogued_backup.h"

namespace vaultora::test {
namespace {

TEST_F(TransferWindowsTest, AScheduledAlarmBuildsTheBackupInItsWindowAndThenSendsIt) {
  UseLAN();
  StoreUserKey(*FStore, "the user's own key");
  TTempFolder source;
  WriteTextFile(source / "notes.txt", std::string(30000, 'n'));
  const std::string list = FProfile->Home() + "nightly.bfl";
  WriteTextFile(list, source.Path() + "\r\nnotes.txt\r\n");
  TScheduleRecord nightly;
  nightly.Name = "Nightly";
  nightly.Time = "02:00:00";
  nightly.BackupTitle = "Nightly notes";
  nightly.DefaultSession = list;
  nightly.Enabled = true;
  SaveSchedule(*FStore, nightly);
  SetFlag(keys::preferences::kEnabled);
  Open();
  bool built = false;
  Window->OnCreatingBackupShown = [&built](QWidget& shown) {
    auto& window = static_cast<TfrmCreatingBackup&>(shown);
    window.findChild<QCheckBox*>("cbSendWhenCompleted")->setChecked(true);
    QObject::connect(&window, &TfrmCreatingBackup::RunFinished, &window,
                     [&built, &window](bool succeeded) {
                       built = succeeded;
                       window.findChild<QPushButton*>("btnOk")->click();
                     });
  };
  TAlarmClock& clock = Window->Clock();
  ASSERT_TRUE(clock.Active());
  ASSERT_EQ(clock.AlarmList().Count(), 1);
  // The clock reaching 02:00 raises the alarm's event.
  TAlarm& alarm = clock.AlarmList()[0];
  alarm.OnAlarm(alarm, 0);
  ASSERT_TRUE(RunUntil([this] { return !Opened.empty(); }));
  ASSERT_TRUE(RunToIdle());
  EXPECT_TRUE(built);
  EXPECT_EQ(Opened, std::vector<TWorkKind>{wkSend});
  const std::vector<TCatalogueEntry> entries = TCatalogue(*FStore).Entries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].BackupTitle, "Nightly notes");
  EXPECT_FALSE(entries[0].NeedToSend) << "the scheduled backup was sent";
  EXPECT_EQ(clock.AlarmList().Count(), 1) << "the alarms are loaded again";
}

TEST_F(TransferWindowsTest, TheLineIsDialledBeforeTheWorkAndHungUpWhenNothingIsLeft) {
  TSimulatedRasAdapter dialup;
  dialup.AddEntry("Office", "ann", "line secret");
  UseLAN(false);
  FStore->SetFilename(keys::kBaseKey);
  FStore->WriteString(keys::kConnection, keys::connection::kConnection, "Office");
  SetFlag(keys::preferences::kDisConWhenFin);
  const std::string entry = MakeBackup("Over the line", 4000, 46030.25);
  Open(&dialup);
  Trigger(mcSendOnly);
  ASSERT_TRUE(RunToIdle());
  EXPECT_EQ(Opened, std::vector<TWorkKind>{wkSend});
  EXPECT_FALSE(TCatalogue(*FStore).Entry(entry).NeedToSend);
  EXPECT_EQ(dialup.Calls(), (TStringList{"dial Office ann", "hangup Office"}));
  EXPECT_EQ(Window->Online().DialupWindow(), nullptr) << "the dial-up window went with its dial";
  EXPECT_FALSE(Window->Runtime().Line().Active());
}

TEST_F(TransferWindowsTest, ADialRefusedForItsLogonIsRecordedAndStartsNoWork) {
  TSimulatedRasAdapter dialup;
  dialup.AddEntry("Office", "ann", "wrong");
  dialup.AddCourse({0, {{0, 0}, {1, 0}, {5, 691}}});
  UseLAN(false);
  FStore->SetFilename(keys::kBaseKey);
  FStore->WriteString(keys::kConnection, keys::connection::kConnection, "Office");
  MakeBackup("Waiting", 4000, 46031.25);
  Open(&dialup);
  Trigger(mcSendOnly);
  ASSERT_TRUE(RunToIdle());
  EXPECT_TRUE(Opened.empty()) << "no transfer without a line";
  EXPECT_TRUE(Marked(keys::kRasErrors, keys::errors::kFailedLogon));
  EXPECT_EQ(Window->Online().DialupWindow(), nullptr);
}

}  // namespace
}  // namespace vaultora::test
