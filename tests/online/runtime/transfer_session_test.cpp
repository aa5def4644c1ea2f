#include "online/runtime/transfer_session.h"

#include "online/runtime/transfer_binding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

#include "platform/folders.h"
#include "platform/log_file.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"
#include "support/temp_folder.h"
#include "support/test_profile.h"

namespace vaultora {
namespace {

class TransferSessionTest : public testing::Test {
 protected:
  TransferSessionTest() {
    FStore.SetRootKey(rtHKEY_CURRENT_USER);
    FStore.SetLazyWrite(true);
  }
  TTransferSession& Session(TTransferKind kind) {
    FSession = std::make_unique<TTransferSession>(kind, FStore, [this] { return FClock; });
    FSession->Begin();
    return *FSession;
  }
  bool Marked(const char* section, const char* name) {
    FStore.SetFilename(keys::kBaseKey);
    return FStore.ValueExists(section, name);
  }
  void KeepLogs() {
    FStore.SetFilename(keys::kBaseKey);
    FStore.WriteBool(keys::kPreferences, keys::preferences::kKeepLogFiles, true);
  }

  test::TTestProfile FProfile;
  TIniRegistryEditor FStore;
  TDateTime FClock = 46000.5;
  std::unique_ptr<TTransferSession> FSession;
};

TEST_F(TransferSessionTest, UploadRunGivesItsLinesAndClosesByItself) {
  TTransferSession& s = Session(tkUpload);
  s.Status("Locating Vaultora server ");
  s.ConnectionStateChange(vcsConnected, "Connected to Vaultora [127.0.0.1]");
  s.Logon(true);
  s.InitBackup("Documents");
  std::vector<std::pair<double, double>> reports;  // what a terminal's meter is given
  s.OnProgress = [&reports](double done, double total) { reports.emplace_back(done, total); };
  s.TransferProgress("Documents", 2, 1, 50, 3072, 1536);
  s.TransferProgress("Documents", 2, 1, NAN, 3072, 1536);  // a broken report draws nothing
  EXPECT_EQ(reports, (std::vector<std::pair<double, double>>{{1536, 3072}}));
  s.TransferProgress("Documents", 2, 1, 50, 3072, 1536);
  EXPECT_EQ(s.StatusLabel(), "Documents");
  EXPECT_EQ(s.CountLabel(), "1 / 2");
  EXPECT_EQ(s.PercentLabel(), "1.50 KB ( 50.00 % ) of 3.00 KB");
  EXPECT_EQ(s.ProgressPosition(), 50);
  EXPECT_TRUE(s.Animating());
  s.Succeeded();
  EXPECT_EQ(s.PercentLabel(), "100 %");
  FClock += 65.0 / 86400;
  EXPECT_FALSE(s.Closed());
  EXPECT_FALSE(s.Animating());
  EXPECT_EQ(s.Lines(),
            (TStringList{"Locating Vaultora server ", "Connected to Vaultora [127.0.0.1]",
                         "Logon accepted", "Transfering Documents", "Internet transfer complete",
                         "Documents's progress 100 %", "Online Backup time [ 00:01:05 ]",
                         "Online backup closed"}));
  EXPECT_FALSE(FileExists(LogFilePath("InternetBackup.log")));  // logging is off
}

struct TEventCase {
  TTransferKind kind;
  std::function<void(TTransferSession&)> event;
  const char* line;  // nullptr: no line
  const char* mark;  // nullptr: no mark
};

TEST_F(TransferSessionTest, EveryReportGivesItsLineAndMark) {
  const TEventCase cases[] = {
      {tkUpload, [](TTransferSession& s) { s.ConnectionStateChange(vcsFailed, "refused"); },
       nullptr, "FailedToLoacteServer"},
      {tkUpload, [](TTransferSession& s) { s.Logon(false); },
       "Logon failed, Please check your logon details or contact Vaultora's helpdesk",
       "FailedLogon"},
      {tkUpload, [](TTransferSession& s) { s.FileNotFound("/w/a.BFE"); },
       "/w/a.BFE Cannot be found, Backup failed", "BackupFileNotFound"},
      {tkUpload, [](TTransferSession& s) { s.BackupNotRegistered("46000.5"); },
       "46000.5 cannot be sent as it is not Registered", "BackupNotRegistered"},
      {tkUpload, [](TTransferSession& s) { s.NoBackupsToSend(); },
       "There are no new backups to send", "NoBackupsToSend"},
      {tkUpload, [](TTransferSession& s) { s.Failed(); },
       "Online backup failed to transfer the backup(s)", nullptr},
      {tkUpload, [](TTransferSession& s) { s.Status("Transfer interrupted"); },
       "Transfer interrupted", nullptr},
      {tkDownload, [](TTransferSession& s) { s.InitRestore("Docs"); }, "Retrieving Docs", nullptr},
      {tkDownload, [](TTransferSession& s) { s.BackupInStorage("Docs"); },
       "\"Docs\" has been put in storage,a request for this backup has been logged for you",
       "BackupInStorage"},
      {tkDownload, [](TTransferSession& s) { s.BackupNotOnServer("Docs"); },
       "\"Docs\" could not be downloaded from the server", "BackupNotOnServer"},
      {tkDownload, [](TTransferSession& s) { s.BackupNotRegistered("46000.5"); },
       "\"46000.5\" is not registered on this machine, try updating the registered backup list",
       "BackupNotRegisterd"},
      {tkDownload, [](TTransferSession& s) { s.NoBackupSpecified(); },
       "A backup has not been selected to restore", "NoRestoresSelected"},
      {tkDownload, [](TTransferSession& s) { s.Succeeded(); }, "Backup retrieved from server",
       nullptr},
      {tkDownload, [](TTransferSession& s) { s.Failed(); },
       "Online retrieval failed to restore the requested Backup(s)", nullptr},
      {tkDelete, [](TTransferSession& s) { s.NoBackupsToDelete(); },
       "No backups were specified to delete", "NoBackupsToDelete"},
      {tkDelete, [](TTransferSession& s) { s.Succeeded(); }, "Internet delete complete", nullptr},
      {tkDelete, [](TTransferSession& s) { s.Failed(); },
       "Online delete failed to delete the backup(s)", nullptr},
      {tkRegistryUpdate,
       [](TTransferSession& s) {
         s.BackupNotRegistered("There are no backups available on the server");
       },
       "There are no backups available on the server", "NoItemsOnServer"},
      {tkRegistryUpdate, [](TTransferSession& s) { s.Succeeded(); },
       "Internet Avaiable backup download completed", nullptr},
      {tkRegistryUpdate, [](TTransferSession& s) { s.Failed(); },
       "Online backup download failed to download the available backups", nullptr},
      {tkRegistryUpdate, [](TTransferSession& s) { s.Logon(false); },
       "Logon failed, Please check your logon details or contact Vaultora's helpdesk",
       "FailedLogon"},
  };
  for (const TEventCase& c : cases) {
    TTransferSession& s = Session(c.kind);
    const char* section = s.Texts().ErrorsKey;
    FStore.SetFilename(keys::kBaseKey);
    FStore.EraseSection(section);
    c.event(s);
    SCOPED_TRACE(c.line ? c.line : c.mark);
    EXPECT_EQ(s.Lines(), c.line ? TStringList{c.line} : TStringList{});
    EXPECT_EQ(s.HasErrors(), c.mark != nullptr);
    EXPECT_TRUE(c.mark == nullptr || Marked(section, c.mark));
  }
}

TEST_F(TransferSessionTest, AvailableBackupsFailureIsSilentWhenTheServerHeldNone) {
  TTransferSession& s = Session(tkRegistryUpdate);
  s.BackupNotRegistered("There are no backups available on the server");
  s.Failed();
  EXPECT_EQ(s.Lines().size(), 1u);
}

TEST_F(TransferSessionTest, ComponentErrorStopsOnceAndStaysOpen) {
  TTransferSession& s = Session(tkDelete);
  int stops = 0;
  s.OnStopRequested = [&] { ++stops; };
  s.ComponentError("Unable to create delete thread");
  s.UserStop();
  EXPECT_EQ(stops, 1);
  EXPECT_TRUE(s.Stopping());
  EXPECT_EQ(s.Lines(), TStringList{"Connection error : Unable to create delete thread"});
  EXPECT_TRUE(Marked(keys::kDeleteErrors, "UserStoppedDeleteBackup"));
  EXPECT_TRUE(s.Closed());
  EXPECT_EQ(s.Lines().back(), "Online Deletion closed");
  EXPECT_EQ(s.Lines()[1], "Online Deletion time [ 00:00:00 ]");  // no progress line for delete
}

TEST_F(TransferSessionTest, AStoppedTransferSaysTheNextRunResumesAndACompletedOneDoesNot) {
  TTransferSession& upload = Session(tkUpload);
  upload.TransferProgress("Documents", 1, 1, 40, 1000, 400);
  upload.UserStop();
  EXPECT_TRUE(upload.Closed());
  EXPECT_EQ(upload.Lines().back(), kResumeSendLine);
  TTransferSession& download = Session(tkDownload);
  download.UserStop();
  download.Closed();
  EXPECT_EQ(download.Lines().back(), kResumeReceiveLine);
  TTransferSession& done = Session(tkUpload);
  done.Succeeded();
  done.UserStop();  // pressed after the last byte: nothing is left to resume
  done.Closed();
  EXPECT_EQ(done.Lines().back(), "Online backup closed");
  TTransferSession& deletion = Session(tkDelete);
  deletion.UserStop();
  deletion.Closed();
  EXPECT_EQ(deletion.Lines().back(), "Online Deletion closed");
}

TEST_F(TransferSessionTest, ListIsClearedBeforeALineAfterFiftyOne) {
  TTransferSession& s = Session(tkDownload);
  for (int i = 0; i < 52; ++i)
    s.Status("line " + std::to_string(i));
  EXPECT_EQ(s.Lines().size(), 52u);
  s.Status("next");
  EXPECT_EQ(s.Lines(), TStringList{"next"});
}

TEST_F(TransferSessionTest, KeptLinesGoToTheKindsLogFileWhenTheRunCloses) {
  KeepLogs();
  TTransferSession& s = Session(tkDownload);
  s.InitRestore("Docs");
  s.TransferProgress("Docs", 1, 1, 100, 2048, 2048);
  s.Succeeded();
  s.Closed();
  EXPECT_TRUE(s.KeptLines().empty());
  EXPECT_EQ(test::ReadTextFile(LogFilePath("InternetRestore.log")),
            LogHeaderLine(FClock) +
                "\r\nRetrieving Docs\r\nBackup retrieved from server\r\nDocs's progress 100 "
                "%\r\nOnline Restore time [ 00:00:00 ]\r\nOnline retrieval closed\r\n");
  // A restarted window shows the lines kept since; none are left once written.
  s.Begin();
  EXPECT_TRUE(s.Lines().empty());
}

TEST_F(TransferSessionTest, DeletionListShowsTheMarkedEntries) {
  TTransferSession& s = Session(tkDelete);
  FStore.SetFilename(keys::kBackupsKey);
  FStore.WriteString("46000.5", "BackupTitle", "Old");
  FStore.WriteString("46000.5", "Session", "/w/46000_5.bfl");
  FStore.WriteBool("46000.5", "Deleted", true);
  FStore.WriteString("46001.5", "BackupTitle", "Kept");
  EXPECT_EQ(s.DeletionList(), TStringList{"Old [ /w/46000_5.bfl ]"});
}

TEST_F(TransferSessionTest, ConnectionNameFollowsTheLanSetting) {
  TTransferSession& s = Session(tkUpload);
  FStore.SetFilename(keys::kBaseKey);
  FStore.WriteString(keys::kConnection, keys::connection::kConnection, "Office dial-up");
  FStore.WriteString(keys::kConnection, keys::connection::kHost, "10.0.0.2");
  EXPECT_EQ(s.ConnectionName(), "Office dial-up");
  FStore.WriteBool(keys::kConnection, keys::connection::kUseLANServer, true);
  EXPECT_EQ(s.ConnectionName(), " LAN Server : 10.0.0.2");
}

TEST_F(TransferSessionTest, BindingLendsTheEventsAndGivesThemBack) {
  TTransferSession& s = Session(tkUpload);
  TOnLineBackup upload;
  std::string own;
  upload.OnStatus = [&](TComponent*, const std::string& text) { own = text; };
  {
    TTransferBinding binding(upload, s);
    upload.OnStatus(&upload, "Deleting");
    upload.OnFileNotFound(&upload, "/w/a.BFE");
    upload.OnBackupOk(&upload);
    EXPECT_TRUE(s.Success());
  }
  EXPECT_EQ(s.Lines(), (TStringList{"Deleting", "/w/a.BFE Cannot be found, Backup failed",
                                    "Internet transfer complete"}));
  upload.OnStatus(&upload, "mine again");
  EXPECT_EQ(own, "mine again");
  EXPECT_FALSE(upload.OnBackupOk);
  EXPECT_FALSE(s.OnStopRequested);
}

}  // namespace
}  // namespace vaultora
