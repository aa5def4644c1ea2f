#include "app/runtime/work_queue.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include "app/runtime/main_messages.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"
#include "support/test_profile.h"

namespace vaultora {
namespace {

class TFakeLine : public TWorkQueueLine {
 public:
  void Dial() override {
    ++Dials;
    FDialling = true;
  }
  bool Dialling() const override { return FDialling; }
  bool Active() const override { return FActive; }
  void HangUp() override {
    ++HangUps;
    FActive = false;
  }
  void Connect() {
    FDialling = false;
    FActive = true;
  }

  int Dials = 0;
  int HangUps = 0;

 private:
  bool FDialling = false;
  bool FActive = false;
};

class WorkQueue : public testing::Test {
 protected:
  WorkQueue() : queue(nullptr, store, restoreList, line) {
    store.SetRootKey(rtHKEY_CURRENT_USER);
    queue.OnOpenTransfer = [this](TWorkKind kind) { opened.push_back(kind); };
    queue.OnTransferRunning = [this](TWorkKind kind) { return running[kind]; };
  }

  void Root() { store.SetFilename(keys::kBaseKey); }
  void SetFlag(const char* section, const char* name) {
    Root();
    store.WriteBool(section, name, true);
  }
  void MarkError(const char* section) {
    Root();
    store.WriteBool(section, "FailedLogon", true);
  }
  bool ErrorMarked(const char* section) {
    Root();
    return store.SectionExists(section);
  }
  void AddEntry(const std::string& id, std::initializer_list<const char*> flags) {
    store.SetFilename(keys::kBackupsKey);
    store.WriteString(id, "BackupTitle", "Backup " + id);
    for (const char* flag : flags) {
      if (std::string(flag) == "ReceivePosition")
        store.WriteInteger(id, flag, 0);
      else
        store.WriteBool(id, flag, true);
    }
  }
  void RemoveValue(const std::string& id, const char* name) {
    store.SetFilename(keys::kBackupsKey);
    store.DeleteValue(id, name);
  }
  bool HasValue(const std::string& id, const char* name) {
    store.SetFilename(keys::kBackupsKey);
    return store.ValueExists(id, name);
  }
  void Pump() {
    for (int i = 0; i < 5; ++i)
      QCoreApplication::processEvents();
  }
  void UseLAN() { SetFlag(keys::kConnection, keys::connection::kUseLANServer); }
  void AutoReconnect() { SetFlag(keys::kPreferences, keys::preferences::kAutoReconnect); }
  void DisconnectWhenFinished() { SetFlag(keys::kPreferences, keys::preferences::kDisConWhenFin); }

  test::TTestProfile profile;
  TIniRegistryEditor store;
  TStringList restoreList;
  TFakeLine line;
  TWorkQueue queue;
  std::vector<TWorkKind> opened;
  bool running[4] = {false, false, false, false};
};

TEST_F(WorkQueue, SendAndReceiveWithNothingToDoOnlyClearsTheErrorMarkers) {
  for (const char* section : {keys::kBackupErrors, keys::kRestoreErrors, keys::kDeleteErrors,
                              keys::kRegUpdateErrors, keys::kRasErrors})
    MarkError(section);
  int checks = 0;
  queue.OnCheckSetup = [&] { ++checks; };
  queue.SendAndReceive();
  Pump();
  EXPECT_EQ(checks, 1);
  for (const char* section : {keys::kBackupErrors, keys::kRestoreErrors, keys::kDeleteErrors,
                              keys::kRegUpdateErrors, keys::kRasErrors})
    EXPECT_FALSE(ErrorMarked(section)) << section;
  EXPECT_EQ(line.Dials, 0);
  EXPECT_TRUE(opened.empty());
}

TEST_F(WorkQueue, OverTheLANWorkIsPostedAtOnceInTheOrderDeleteSendReceive) {
  UseLAN();
  AddEntry("46000.5", {"ReceivePosition"});
  AddEntry("46001.5", {"NeedToSend"});
  AddEntry("46002.5", {"Deleted"});
  queue.SendAndReceive();
  EXPECT_TRUE(opened.empty()) << "work messages are posted, not handled at once";
  Pump();
  EXPECT_EQ(opened, (std::vector<TWorkKind>{wkDelete, wkSend, wkReceive}));
  EXPECT_EQ(line.Dials, 0);
  for (TWorkKind kind : {wkDelete, wkSend, wkReceive, wkRegistryUpdate})
    EXPECT_FALSE(queue.Entry(kind).Enabled) << "a posted entry is disarmed";
  EXPECT_EQ(restoreList, TStringList{"46000.5"});
}

TEST_F(WorkQueue, DialUpWorkWaitsForTheLineAndDialsOnlyOnce) {
  AddEntry("46001.5", {"NeedToSend"});
  queue.SendOnly();
  queue.SendOnly();
  Pump();
  EXPECT_EQ(line.Dials, 1);
  EXPECT_TRUE(opened.empty());
  EXPECT_FALSE(queue.CanStart());
  line.Connect();
  queue.LineConnected();
  Pump();
  EXPECT_TRUE(queue.CanStart());
  EXPECT_EQ(opened, std::vector<TWorkKind>{wkSend});
}

TEST_F(WorkQueue, OnlyCommandsClearTheirOwnMarkerAndSkipWhenNothingWaits) {
  UseLAN();
  MarkError(keys::kBackupErrors);
  MarkError(keys::kDeleteErrors);
  queue.SendOnly();  // nothing to send
  queue.ReceiveOnly();
  Pump();
  EXPECT_FALSE(ErrorMarked(keys::kBackupErrors));
  EXPECT_TRUE(ErrorMarked(keys::kDeleteErrors));
  EXPECT_TRUE(opened.empty());
  queue.DownloadSettings();  // always goes to the server
  Pump();
  EXPECT_EQ(opened, std::vector<TWorkKind>{wkRegistryUpdate});
}

TEST_F(WorkQueue, AWorkMessageWithNothingLeftOpensNoTransfer) {
  UseLAN();
  AddEntry("46001.5", {"NeedToSend"});
  queue.SendOnly();
  RemoveValue("46001.5", "NeedToSend");  // sent meanwhile by another run
  Pump();
  EXPECT_TRUE(opened.empty());
}

TEST_F(WorkQueue, AFailedUploadIsNotRetriedAndTheLineIsHungUp) {
  AutoReconnect();
  DisconnectWhenFinished();
  AddEntry("46001.5", {"NeedToSend"});
  MarkError(keys::kBackupErrors);
  int refreshed = 0;
  queue.OnRefreshList = [&] { ++refreshed; };
  queue.TransferDone(wkSend);
  Pump();
  EXPECT_TRUE(opened.empty());
  EXPECT_EQ(line.Dials, 0);
  EXPECT_EQ(line.HangUps, 1);
  EXPECT_EQ(refreshed, 1);
}

TEST_F(WorkQueue, TheLineStaysUpWhileOtherWorkWaitsOrWithoutDisconnectWhenFinished) {
  AutoReconnect();
  AddEntry("46002.5", {"Deleted"});
  queue.TransferDone(wkSend);  // DisConWhenFin off
  EXPECT_EQ(line.HangUps, 0);
  DisconnectWhenFinished();
  queue.TransferDone(wkSend);  // a delete still waits
  EXPECT_EQ(line.HangUps, 0);
  queue.TransferDone(wkDelete);  // nothing of the other kinds: the delete's own work is no bar
  EXPECT_EQ(line.HangUps, 0) << "AutoReconnect retries the delete instead";
  MarkError(keys::kDeleteErrors);
  queue.TransferDone(wkDelete);
  EXPECT_EQ(line.HangUps, 1);
}

TEST_F(WorkQueue, WorkLeftAfterAnUploadIsRetriedAtOnceOverTheLAN) {
  UseLAN();
  AutoReconnect();
  AddEntry("46001.5", {"NeedToSend"});
  queue.TransferDone(wkSend);
  Pump();
  EXPECT_EQ(opened, std::vector<TWorkKind>{wkSend});
}

TEST_F(WorkQueue, WithoutTheLANARetryRedialsUnlessOtherWorkIsArmed) {
  AutoReconnect();
  AddEntry("46001.5", {"NeedToSend"});
  queue.TransferDone(wkSend);
  EXPECT_EQ(line.Dials, 1);
  EXPECT_TRUE(queue.Entry(wkSend).Enabled);

  TFakeLine otherLine;
  TWorkQueue other(nullptr, store, restoreList, otherLine);
  other.Entry(wkDelete).Enabled = true;
  other.TransferDone(wkSend);
  EXPECT_TRUE(other.Entry(wkSend).Enabled);
  EXPECT_EQ(otherLine.Dials, 0) << "the armed entries will be posted together";
}

TEST_F(WorkQueue, ADownloadThatEndedDropsReceivedEntriesFromTheRestoreList) {
  AddEntry("46000.5", {"ReceivePosition"});
  AddEntry("46003.5", {"ReceivePosition"});
  restoreList = {"46000.5", "46003.5"};
  RemoveValue("46000.5", "ReceivePosition");  // confirmed by the server
  queue.TransferDone(wkReceive);
  EXPECT_EQ(restoreList, TStringList{"46003.5"});
}

TEST_F(WorkQueue, ADroppedLineStartsSendAndReceiveOnlyWhenNothingBarsIt) {
  AutoReconnect();
  AddEntry("46001.5", {"NeedToSend"});
  running[wkSend] = true;
  queue.LineDropped();
  Pump();
  EXPECT_EQ(line.Dials, 0);

  running[wkSend] = false;
  MarkError(keys::kRasErrors);
  queue.LineDropped();
  Pump();
  EXPECT_EQ(line.Dials, 0);

  Root();
  store.EraseSection(keys::kRasErrors);
  queue.LineDropped();
  Pump();
  EXPECT_EQ(line.Dials, 1) << "the posted Send & Receive dials again";
}

TEST_F(WorkQueue, TheAvailableBackupsDownloadNeverRetries) {
  AutoReconnect();
  DisconnectWhenFinished();
  queue.TransferDone(wkRegistryUpdate);
  Pump();
  EXPECT_TRUE(opened.empty());
  EXPECT_EQ(line.HangUps, 1);
  AddEntry("46000.5", {"ReceivePosition"});
  queue.TransferDone(wkRegistryUpdate);
  EXPECT_EQ(line.HangUps, 1) << "work of any kind keeps the line";
}

TEST_F(WorkQueue, ABackupRunSendsWhenItsBoxIsTicked) {
  UseLAN();
  std::vector<std::string> runs;
  TBackupRunResult result;
  queue.OnRunBackup = [&](const std::string& name) {
    runs.push_back(name);
    AddEntry("46005.5", {"NeedToSend"});
    return result;
  };
  int loads = 0;
  queue.OnLoadSchedules = [&] { ++loads; };

  result = {true, false};
  queue.RunBackup("");
  Pump();
  EXPECT_TRUE(opened.empty());

  result = {false, true};  // cancelled, but something waited to be sent before
  store.SetFilename(keys::kScheduleKey);
  store.WriteString("Nightly", "Time", "02:00");
  queue.ScheduledBackup("  Nightly ");
  Pump();
  EXPECT_EQ(opened, std::vector<TWorkKind>{wkSend});
  EXPECT_EQ(runs, (std::vector<std::string>{"", "Nightly"}));
  EXPECT_EQ(loads, 1);
}

TEST_F(WorkQueue, TheScheduledBackupMessageNamesTheScheduleByItsPlace) {
  store.SetFilename(keys::kScheduleKey);
  store.WriteString("Daily", "Time", "23:00");
  store.WriteString("Weekly", "Time", "22:00");
  std::vector<std::string> runs;
  queue.OnRunBackup = [&](const std::string& name) {
    runs.push_back(name);
    return TBackupRunResult{};
  };
  queue.Receiver().Post(WM_USER + messages::TWM_DOSCHEDULEDBACKUP, 1);
  queue.Receiver().Post(WM_USER + messages::TWM_BACKUPSENDDONE);
  Pump();
  EXPECT_EQ(runs, std::vector<std::string>{"Weekly"});
}

TEST_F(WorkQueue, RetriesStopAfterTheCapUntilACommandAsksAgain) {
  UseLAN();
  AutoReconnect();
  AddEntry("46001.5", {"NeedToSend"});  // a run that never takes it away
  std::vector<std::string> stopped;
  queue.OnRetriesStopped = [&](TWorkKind kind, const std::string& text) {
    EXPECT_EQ(kind, wkSend);
    stopped.push_back(text);
  };
  queue.SendOnly();
  Pump();
  for (int done = 1; done < TWorkQueue::kMaxOpensOfKind; ++done) {
    queue.TransferDone(wkSend);
    Pump();
  }
  EXPECT_EQ(opened.size(), static_cast<size_t>(TWorkQueue::kMaxOpensOfKind));
  EXPECT_TRUE(stopped.empty());
  queue.TransferDone(wkSend);
  Pump();
  EXPECT_EQ(opened.size(), static_cast<size_t>(TWorkQueue::kMaxOpensOfKind)) << "no fifth open";
  EXPECT_EQ(stopped,
            std::vector<std::string>{"The upload run was tried 4 times; stopped retrying"});

  // The dropped line's Send & Receive goes on with the same count; a command starts afresh.
  queue.Receiver().Post(WM_USER + messages::TWM_DOSENDRECEIVE);
  Pump();
  queue.TransferDone(wkSend);
  Pump();
  EXPECT_EQ(opened.size(), static_cast<size_t>(TWorkQueue::kMaxOpensOfKind) + 1);
  EXPECT_EQ(stopped.size(), 2u);
  queue.SendOnly();
  Pump();
  queue.TransferDone(wkSend);
  Pump();
  EXPECT_EQ(opened.size(), static_cast<size_t>(TWorkQueue::kMaxOpensOfKind) + 3);
  EXPECT_EQ(stopped.size(), 2u);
}

}  // namespace
}  // namespace vaultora
