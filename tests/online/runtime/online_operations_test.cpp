#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <thread>

#include "archive/blowfish.h"
#include "archive/cipher_helpers.h"
#include "backupset/available_backup.h"
#include "online/runtime/online_backup.h"
#include "online/runtime/online_delete.h"
#include "online/runtime/online_registry_update.h"
#include "online/runtime/online_restore.h"
#include "online/runtime/online_thread.h"
#include "platform/folders.h"
#include "platform/runtime/message_receiver.h"
#include "settings/registry_keys.h"
#include "support/runtime/online_test_fixture.h"

namespace vaultora::test {
namespace {

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// A peer that lets the client locate and connect, reads its logon request, runs duringLogon on
// the test's thread while the client waits for the answer, and then hangs up without one.
class THangUpAtLogon {
 public:
  explicit THangUpAtLogon(std::function<void()> duringLogon)
      : FDuringLogon(std::move(duringLogon)) {
    FListen = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(FListen, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(FListen, 4);
    socklen_t length = sizeof address;
    ::getsockname(FListen, reinterpret_cast<sockaddr*>(&address), &length);
    FPort = ntohs(address.sin_port);
    FThread = std::thread([this] { Serve(); });
  }
  ~THangUpAtLogon() {
    FThread.join();
    ::close(FListen);
  }
  int Port() const { return FPort; }

 private:
  void Serve() {
    ::close(::accept(FListen, nullptr, nullptr));  // the client locating the server
    const int peer = ::accept(FListen, nullptr, nullptr);
    uint8_t announce[5];
    if (::recv(peer, announce, sizeof announce, MSG_WAITALL) == 5) {
      const uint32_t length = announce[1] | announce[2] << 8 | announce[3] << 16 |
                              static_cast<uint32_t>(announce[4]) << 24;
      ::send(peer, "d", 1, MSG_NOSIGNAL);
      std::vector<uint8_t> message(length);
      ::recv(peer, message.data(), length, MSG_WAITALL);
      QMetaObject::invokeMethod(qApp, FDuringLogon, Qt::BlockingQueuedConnection);
    }
    ::close(peer);
  }

  std::function<void()> FDuringLogon;
  int FListen = -1;
  int FPort = 0;
  std::thread FThread;
};

class OnlineOperationsTest : public OnlineTest {
 protected:
  OnlineOperationsTest() : OnlineTest(VAULTORA_SERVER_PATH) { SetUpProfile(); }

  // Runs an upload; true when it fired OnBackupOk.
  bool Upload(const std::function<void(TOnLineBackup&)>& setUp = {}) {
    TOnLineBackup upload;
    Record(upload);
    bool ok = false;
    upload.OnBackupOk = [&](TComponent*) { ok = true; };
    if (setUp) setUp(upload);
    RunToClose(upload);
    return ok;
  }
  bool Download(const TStringList& entries) {
    TOnLineRestore restore;
    Record(restore);
    bool ok = false;
    restore.OnRestoreOk = [&](TComponent*) { ok = true; };
    restore.SetRestoreList(entries);
    RunToClose(restore);
    return ok;
  }
  void SetPreference(const char* name, int32_t value) {
    FStore->SetFilename(keys::kBaseKey);
    FStore->WriteInteger(keys::kPreferences, name, value);
  }
};

TEST_F(OnlineOperationsTest, UploadSendsWhatIsToBeSentAndMarksItSent) {
  const std::string sent = MakeBackup("Documents", 300000, 46000.25);
  const std::string deleted = MakeBackup("Dropped", 1000, 46000.5);
  FStore->SetFilename(keys::kBackupsKey);
  FStore->WriteBool(deleted, "Deleted", true);
  std::vector<std::string> inits;
  double lastWritten = 0;
  ASSERT_TRUE(Upload([&](TOnLineBackup& upload) {
    upload.OnInitBackup = [&](TComponent*, const std::string& title) { inits.push_back(title); };
    upload.OnTransferProgress = [&](TComponent*, const std::string&, const std::string&, int, int,
                                    double, double, double written) { lastWritten = written; };
  }));
  EXPECT_EQ(inits, std::vector<std::string>{"Documents"});
  EXPECT_EQ(lastWritten, 300000);
  EXPECT_FALSE(HasValue(sent, "NeedToSend"));
  EXPECT_FALSE(HasValue(sent, "SendPosition"));
  EXPECT_FALSE(FileExists(ArchiveOf(sent)));
  // Marked for deletion: neither sent nor touched.
  EXPECT_TRUE(HasValue(deleted, "NeedToSend"));
  EXPECT_TRUE(FileExists(ArchiveOf(deleted)));
  EXPECT_TRUE(Contains(FEvents, "logon 1"));
  EXPECT_TRUE(Contains(FEvents, "state 1: Connected to Vaultora [127.0.0.1]"));
  EXPECT_TRUE(Contains(FEvents, "state 0: Closed connection to Vaultora server"));

  // Nothing left: OnNoBackupsToSend, then success.
  bool none = false;
  EXPECT_TRUE(
      Upload([&](TOnLineBackup& u) { u.OnNoBackupsToSend = [&](TComponent*) { none = true; }; }));
  EXPECT_TRUE(none);
}

TEST_F(OnlineOperationsTest, UploadCutOffIsResumedFromTheServersSize) {
  const int64_t size = 24 << 20;
  const std::string entry = MakeBackup("Large", size, 46001.75);
  const std::vector<uint8_t> original = Bytes(ArchiveOf(entry));
  SetPreference(keys::preferences::kTrxOutBufferSize, 128);
  bool failed = false;
  EXPECT_FALSE(Upload([&](TOnLineBackup& upload) {
    upload.OnBackupFailed = [&](TComponent*) { failed = true; };
    upload.OnTransferProgress = [&](TComponent*, const std::string&, const std::string&, int, int,
                                    double, double, double written) {
      if (written > (4 << 20)) FServer.Kill();
    };
  }));
  EXPECT_TRUE(failed);
  EXPECT_TRUE(Contains(FEvents, "Transfer interrupted") ||
              Contains(FEvents, "Socket transfere interrupted"));
  ASSERT_TRUE(HasValue(entry, "NeedToSend"));
  ASSERT_TRUE(HasValue(entry, "SendPosition"));
  FStore->SetFilename(keys::kBackupsKey);
  const int32_t position = FStore->ReadInteger(entry, "SendPosition", 0);
  EXPECT_GT(position, 0);
  EXPECT_LT(position, size);

  FServer.Start();
  SetPreference(keys::preferences::kTrxOutBufferSize, 4096);
  int64_t firstReport = -1;
  ASSERT_TRUE(Upload([&](TOnLineBackup& upload) {
    upload.OnTransferProgress = [&](TComponent*, const std::string&, const std::string&, int, int,
                                    double, double, double written) {
      if (firstReport < 0 && written > 0) firstReport = static_cast<int64_t>(written);
    };
  }));
  EXPECT_FALSE(HasValue(entry, "NeedToSend"));
  // The second run began where the server's copy ended, not at the start.
  EXPECT_GT(firstReport, 4096);

  // What the server holds is the archive itself.
  FStore->SetFilename(keys::kBackupsKey);
  FStore->WriteInteger(entry, "ReceivePosition", 0);
  ASSERT_TRUE(Download({entry}));
  EXPECT_TRUE(Bytes(ArchiveOf(entry)) == original);
}

TEST_F(OnlineOperationsTest, StopDuringAnUploadKeepsItToBeSentAtItsLastChunk) {
  const int64_t size = 24 << 20;
  const std::string entry = MakeBackup("Stopped", size, 46014.5);
  SetPreference(keys::preferences::kTrxOutBufferSize, 128);
  double lastReported = 0;
  EXPECT_FALSE(Upload([&](TOnLineBackup& upload) {
    upload.OnTransferProgress = [&](TComponent*, const std::string&, const std::string&, int, int,
                                    double, double, double written) {
      lastReported = written;
      if (written > 0) upload.Stop();
    };
  }));
  EXPECT_TRUE(Contains(FEvents, "Stopping transfer"));
  EXPECT_TRUE(Contains(FEvents, "Socket transfere interrupted"));
  ASSERT_TRUE(HasValue(entry, "NeedToSend"));
  FStore->SetFilename(keys::kBackupsKey);
  const int32_t position = FStore->ReadInteger(entry, "SendPosition", -1);
  EXPECT_GT(position, 0);
  EXPECT_LT(position, size);
  EXPECT_GE(position, lastReported);
  EXPECT_TRUE(FileExists(ArchiveOf(entry)));
}

TEST_F(OnlineOperationsTest, DownloadContinuesAPartialFileAndRefusesALongerOne) {
  const std::string entry = MakeBackup("Photos", 200000, 46002.5);
  const std::vector<uint8_t> original = Bytes(ArchiveOf(entry));
  ASSERT_TRUE(Upload());
  // A partial local copy: the download appends the rest.
  TMemoryStream(std::vector<uint8_t>(original.begin(), original.begin() + 70001))
      .SaveToFile(ArchiveOf(entry));
  SetPreference(keys::preferences::kTrxInBufferSize, 1024);
  std::vector<std::string> inits;
  {
    TOnLineRestore restore;
    Record(restore);
    bool ok = false;
    restore.OnRestoreOk = [&](TComponent*) { ok = true; };
    restore.OnInitRestore = [&](TComponent*, const std::string& t) { inits.push_back(t); };
    restore.SetRestoreList({entry});
    RunToClose(restore);
    EXPECT_TRUE(ok);
  }
  EXPECT_EQ(inits, std::vector<std::string>{"Photos"});
  EXPECT_TRUE(Bytes(ArchiveOf(entry)) == original);
  EXPECT_FALSE(HasValue(entry, "ReceivePosition"));

  // A complete local file is confirmed without data; a longer one ends the download at once
  // and stays for the user to discard.
  EXPECT_TRUE(Download({entry}));
  std::vector<uint8_t> longer = original;
  longer.push_back(7);
  TMemoryStream(longer).SaveToFile(ArchiveOf(entry));
  FEvents.clear();
  EXPECT_FALSE(Download({entry}));
  EXPECT_TRUE(Bytes(ArchiveOf(entry)) == longer);
  EXPECT_TRUE(std::any_of(FEvents.begin(), FEvents.end(), [](const std::string& line) {
    return line.find("is longer than the server's copy") != std::string::npos;
  }));
  EXPECT_TRUE(HasValue(entry, "ReceivePosition"));
}

TEST_F(OnlineOperationsTest, ReceiveBufferSizeChangedDuringADownloadIsAnnouncedNext) {
  const std::string first = MakeBackup("First", 400000, 46012.25);
  const std::string second = MakeBackup("Second", 400000, 46012.5);
  ASSERT_TRUE(Upload());
  DeleteFile(ArchiveOf(first));
  DeleteFile(ArchiveOf(second));
  SetPreference(keys::preferences::kTrxInBufferSize, 1024);
  {
    TOnLineRestore restore;
    Record(restore);
    bool ok = false;
    restore.OnRestoreOk = [&](TComponent*) { ok = true; };
    // This thread's store writes the new size while the worker's store is downloading.
    restore.OnTransferProgress = [&](TComponent*, const std::string&, const std::string& title, int,
                                     int, double, double, double written) {
      if (title == "First" && written > 0) SetPreference(keys::preferences::kTrxInBufferSize, 2048);
    };
    restore.SetRestoreList({first, second});
    RunToClose(restore);
    EXPECT_TRUE(ok);
  }
  const std::string log = FServer.Output();
  const size_t before = log.find("receive buffer size: 1024");
  ASSERT_NE(before, std::string::npos) << log;
  EXPECT_NE(log.find("receive buffer size: 2048", before), std::string::npos) << log;
}

TEST_F(OnlineOperationsTest, DownloadReportsWhatCannotBeFetched) {
  bool none = false;
  {
    TOnLineRestore restore;
    Record(restore);
    restore.OnNoBackupSpecified = [&](TComponent*) { none = true; };
    RunToClose(restore);
  }
  EXPECT_TRUE(none);
  const std::string unknown = MakeBackup("Never sent", 100, 46003.5);
  std::vector<std::string> notOnServer;
  {
    TOnLineRestore restore;
    Record(restore);
    restore.OnBackupNotOnServer = [&](TComponent*, const std::string& t) {
      notOnServer.push_back(t);
    };
    restore.SetRestoreList({"46009.5", unknown});
    RunToClose(restore);
  }
  EXPECT_TRUE(Contains(FEvents, "not registered: 46009.5"));
  EXPECT_EQ(notOnServer, std::vector<std::string>{"Never sent"});
}

TEST_F(OnlineOperationsTest, DeleteRemovesOnTheServerThenInTheCatalogue) {
  const std::string entry = MakeBackup("Old", 5000, 46004.5);
  ASSERT_TRUE(Upload());
  FEvents.clear();
  bool none = false, ok = false;
  {
    TOnlineDeleteBackup remove;
    Record(remove);
    remove.OnNoBackupsToDelete = [&](TComponent*) { none = true; };
    RunToClose(remove);
  }
  EXPECT_TRUE(none);
  EXPECT_FALSE(Contains(FEvents, "logon 1"));  // the server was not contacted
  FStore->SetFilename(keys::kBackupsKey);
  FStore->WriteBool(entry, "Deleted", true);
  {
    TOnlineDeleteBackup remove;
    Record(remove);
    remove.OnDeleteBackupOk = [&](TComponent*) { ok = true; };
    RunToClose(remove);
  }
  EXPECT_TRUE(ok);
  FStore->SetFilename(keys::kBackupsKey);
  EXPECT_FALSE(FStore->SectionExists(entry));
  EXPECT_FALSE(FileExists(FWorking + ReplaceAll(entry, ".", "_") + ".bfl"));
  EXPECT_TRUE(Contains(FEvents, "Deleting backups on the server"));
  // The server holds nothing any more.
  {
    TOnlineRegistryUpdate update;
    Record(update);
    RunToClose(update);
  }
  EXPECT_TRUE(Contains(FEvents, "not registered: There are no backups available on the server"));
}

TEST_F(OnlineOperationsTest, AvailableBackupsAreRegisteredElsewhereAndFetchedBack) {
  // A real enciphered archive with its MAC, as the builder makes it.
  const std::string key = "correct horse";
  const std::string entry = MakeBackup("Thesis", 1, 46005.5);
  const std::string plain = FWorking + "plain.bck";
  const std::vector<uint8_t> plainBytes(100000, 42);
  TMemoryStream(plainBytes).SaveToFile(plain);
  TBlowfish cipher;
  cipher.SetCipherMode(TCipherMode::CBC);
  const std::string mac = EncryptArchiveFile(cipher, key, plain, ArchiveOf(entry));
  FStore->SetFilename(keys::kBackupsKey);
  FStore->WriteString(entry, "MAC", mac);
  const std::string list = test::ReadTextFile(FWorking + ReplaceAll(entry, ".", "_") + ".bfl");
  ASSERT_TRUE(Upload());

  SetUpProfile();  // a second computer of the same account, with an empty catalogue
  std::vector<std::vector<uint8_t>> images;
  std::vector<std::string> statuses;
  {
    TOnlineRegistryUpdate update;
    Record(update);
    update.OnItemsToRegister = [&](TComponent*, std::vector<uint8_t> item) {
      images.push_back(std::move(item));
    };
    RunToClose(update);
  }
  ASSERT_EQ(images.size(), 1u);
  EXPECT_TRUE(Contains(FEvents, "Downloading data for backup entry [ 0 ]"));
  {
    TAvailableBackupsImport available(*FStore);
    ASSERT_TRUE(available.Add(images[0]));
    available.Checked()[0] = true;
    ASSERT_TRUE(available.Register());
  }
  FStore->SetFilename(keys::kBackupsKey);
  ASSERT_TRUE(FStore->SectionExists(entry));
  EXPECT_EQ(FStore->ReadString(entry, "BackupTitle", ""), "Thesis");
  EXPECT_EQ(FStore->ReadString(entry, "MAC", ""), mac);
  EXPECT_FALSE(HasValue(entry, "NeedToSend"));
  FStore->SetFilename(keys::kBackupsKey);
  const std::string session = FStore->ReadString(entry, "Session", "");
  EXPECT_EQ(ExtractFilePath(session), FWorking);
  EXPECT_EQ(test::ReadTextFile(session), list);

  ASSERT_TRUE(Download({entry}));
  const std::string restored = FWorking + "restored.bck";
  EXPECT_EQ(DecryptArchiveFile(cipher, key, ArchiveOf(entry), restored), mac);
  EXPECT_TRUE(Bytes(restored) == plainBytes);
}

TEST_F(OnlineOperationsTest, AnEmptyFileListTravelsAsAnEmptyItemAndComesBackEmpty) {
  const std::string entry = MakeBackup("Empty list", 3000, 46013.5);
  const std::string list = FWorking + ReplaceAll(entry, ".", "_") + ".bfl";
  test::WriteTextFile(list, "");
  ASSERT_TRUE(Upload());
  SetUpProfile();
  std::vector<std::vector<uint8_t>> images;
  {
    TOnlineRegistryUpdate update;
    update.OnItemsToRegister = [&](TComponent*, std::vector<uint8_t> item) {
      images.push_back(std::move(item));
    };
    RunToClose(update);
  }
  ASSERT_EQ(images.size(), 1u);
  const auto record = ParseAvailableBackup(images[0]);
  ASSERT_TRUE(record);
  EXPECT_TRUE(record->FileList.empty());
  TAvailableBackupsImport available(*FStore);
  ASSERT_TRUE(available.Add(images[0]));
  available.Checked()[0] = true;
  ASSERT_TRUE(available.Register());
  EXPECT_TRUE(FileExists(FWorking + ReplaceAll(entry, ".", "_") + ".bfl"));
  EXPECT_EQ(FileSizeOf(FWorking + ReplaceAll(entry, ".", "_") + ".bfl"), 0);
}

TEST_F(OnlineOperationsTest, MissingAccountRecordStopsBeforeAnyRequest) {
  SetUpProfile(false);
  MakeBackup("Documents", 1000, 46006.5);
  EXPECT_FALSE(Upload());
  EXPECT_TRUE(Contains(FEvents, "Logon information has not been supplied."));
  EXPECT_TRUE(Contains(FEvents, "logon 0"));
  EXPECT_EQ(FServer.Output().find("logon"), std::string::npos) << FServer.Output();
}

TEST_F(OnlineOperationsTest, LogonKeyLongerThanTheCipherTakesFailsTheLogon) {
  SetLogonNamesSource([] { return std::pair{std::string(30, 'c'), std::string(30, 'u')}; });
  MakeBackup("Documents", 1000, 46007.5);
  EXPECT_FALSE(Upload());
  SetLogonNamesSource(nullptr);
  EXPECT_TRUE(Contains(FEvents,
                       "exception: Stream Encryption failed : Blowfish: Key must be between 1 "
                       "and 56 bytes"));
  EXPECT_TRUE(Contains(FEvents, "logon 0"));
}

TEST_F(OnlineOperationsTest, StopDuringTheLogonEndsItWithoutALogonEvent) {
  TOnlineDeleteBackup remove;
  THangUpAtLogon peer([&] { remove.Stop(); });
  FStore->SetFilename(keys::kBaseKey);
  FStore->WriteInteger(keys::kConnection, keys::connection::kServerPort, peer.Port());
  const std::string entry = MakeBackup("Old", 100, 46008.5);
  FStore->SetFilename(keys::kBackupsKey);
  FStore->WriteBool(entry, "Deleted", true);
  Record(remove);
  bool failed = false;
  remove.OnDeleteBackupFailed = [&](TComponent*) { failed = true; };
  RunToClose(remove);
  EXPECT_TRUE(failed);
  EXPECT_EQ(std::count(FEvents.begin(), FEvents.end(), "Stopping transfer"), 1);
  EXPECT_TRUE(Contains(FEvents, "Logon stopped"));
  EXPECT_FALSE(Contains(FEvents, "logon 0") || Contains(FEvents, "logon 1"));
  EXPECT_TRUE(HasValue(entry, "Deleted"));  // nothing was deleted anywhere
}

TEST_F(OnlineOperationsTest, RefusedStartDoesNothing) {
  TOnlineDeleteBackup remove;
  Record(remove);
  remove.BeforeStart = [](TComponent*, bool& canStart) { canStart = false; };
  remove.Start();
  EXPECT_FALSE(remove.Running());
  QCoreApplication::processEvents();
  EXPECT_TRUE(FEvents.empty());
}

TEST_F(OnlineOperationsTest, EventsAfterDestructionFireNothingAndLeakNothing) {
  const long long before = LivePayloadCount();
  SetUpProfile(false);
  bool fired = false;
  {
    TOnLineRestore restore;
    restore.OnStatus = [&](TComponent*, const std::string&) { fired = true; };
    restore.OnLogon = [&](TComponent*, bool) { fired = true; };
    restore.OnRestoreFailed = [&](TComponent*) { fired = true; };
    restore.OnClose = [&](TComponent*) { fired = true; };
    restore.SetRestoreList({"46000.5"});
    restore.Start();
    // The worker posts its reports meanwhile; none is delivered before the component goes.
    QThread::msleep(200);
  }
  QCoreApplication::processEvents();
  EXPECT_FALSE(fired);
  EXPECT_EQ(LivePayloadCount(), before);
}

}  // namespace
}  // namespace vaultora::test
