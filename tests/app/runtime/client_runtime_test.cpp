#include "app/runtime/client_runtime.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "catalogue/catalogue.h"
#include "schedule/schedule_record.h"
#include "settings/registry_keys.h"
#include "support/runtime/online_test_fixture.h"

namespace vaultora {
namespace {

class ClientRuntime : public test::OnlineTest {
 protected:
  ClientRuntime() : OnlineTest(VAULTORA_SERVER_PATH) {
    SetUpProfile();
    FStore->SetFilename(keys::kBaseKey);
    FStore->WriteBool(keys::kConnection, keys::connection::kUseLANServer, true);
    runtime = std::make_unique<TClientRuntime>();
    runtime->OnOpening = [this](TWorkKind kind, bool restart) {
      opened.emplace_back(kind, restart);
    };
    runtime->OnTransferClosed = [this](TWorkKind kind, bool success) {
      closed.emplace_back(kind, success);
    };
    runtime->Host().OnLine = [this](TWorkKind, const std::string& text) { lines.push_back(text); };
  }
  ~ClientRuntime() override { runtime.reset(); }

  void RunToIdle() {
    QElapsedTimer clock;
    clock.start();
    do {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    } while (!runtime->Idle() && clock.elapsed() < 30000);
    ASSERT_TRUE(runtime->Idle()) << "the work did not end";
  }

  std::unique_ptr<TClientRuntime> runtime;
  std::vector<std::pair<TWorkKind, bool>> opened;
  std::vector<std::pair<TWorkKind, bool>> closed;
  std::vector<std::string> lines;
};

TEST_F(ClientRuntime, ACommandRunsItsTransfersThroughTheQueueToIdle) {
  const std::string entry = MakeBackup("Docs", 5000, 46010.25);
  EXPECT_TRUE(runtime->Idle());
  runtime->Queue().SendOnly();
  EXPECT_FALSE(runtime->Idle()) << "the posted work message keeps the runtime busy";
  RunToIdle();
  EXPECT_EQ(opened, (std::vector<std::pair<TWorkKind, bool>>{{wkSend, false}}));
  EXPECT_EQ(closed, (std::vector<std::pair<TWorkKind, bool>>{{wkSend, true}}));
  EXPECT_EQ(runtime->TransfersOpened(), 1);
  EXPECT_EQ(runtime->TransfersFailed(), 0);
  EXPECT_FALSE(runtime->WorkLeftArmed());
  EXPECT_FALSE(HasValue(entry, "NeedToSend"));
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Internet transfer complete"), lines.end());
}

TEST_F(ClientRuntime, AFailedTransferIsCountedAndNotRetried) {
  MakeBackup("Docs", 5000, 46011.25);
  FStore->SetFilename(keys::kBaseKey);
  FStore->WriteBool(keys::kPreferences, keys::preferences::kAutoReconnect, true);
  FServer.Kill();  // the server has gone: locating it fails and marks the error
  runtime->Queue().SendOnly();
  RunToIdle();
  EXPECT_EQ(runtime->TransfersOpened(), 1) << "a marked error bars the retry";
  EXPECT_EQ(runtime->TransfersFailed(), 1);
}

TEST_F(ClientRuntime, AfterStopAllWorkMessagesOpenNothing) {
  MakeBackup("Docs", 5000, 46012.25);
  runtime->StopAll();
  runtime->Queue().SendOnly();
  RunToIdle();
  EXPECT_TRUE(opened.empty());
  EXPECT_TRUE(runtime->Stopping());
}

TEST_F(ClientRuntime, AnAlarmRunsItsScheduleThroughTheQueueAndReloadsTheClock) {
  FStore->SetFilename(keys::kBaseKey);
  FStore->WriteBool(keys::kPreferences, keys::preferences::kEnabled, true);
  TScheduleRecord nightly;
  nightly.Name = "Nightly";
  nightly.Time = "02:00:00";
  nightly.Enabled = true;
  SaveSchedule(*FStore, nightly);
  std::vector<std::string> runs;
  runtime->Queue().OnRunBackup = [&](const std::string& name) {
    runs.push_back(name);
    return TBackupRunResult{};
  };
  runtime->LoadSchedules();
  TAlarmClock& clock = runtime->Clock();
  ASSERT_TRUE(clock.Active());
  ASSERT_EQ(clock.AlarmList().Count(), 1);
  TAlarm& alarm = clock.AlarmList()[0];
  ASSERT_TRUE(alarm.OnAlarm);
  alarm.OnAlarm(alarm, 0);
  EXPECT_TRUE(runs.empty()) << "the alarm posts the backup; it does not run inside the event";
  RunToIdle();
  EXPECT_EQ(runs, std::vector<std::string>{"Nightly"});
  EXPECT_EQ(clock.AlarmList().Count(), 1) << "loaded again after the backup";
  EXPECT_TRUE(clock.Active());
}

}  // namespace
}  // namespace vaultora
