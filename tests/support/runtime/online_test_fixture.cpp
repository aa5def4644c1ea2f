#include "online_test_fixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <random>

#include "online/account_record.h"
#include "platform/date_time.h"
#include "platform/folders.h"
#include "platform/streams.h"
#include "settings/registry_keys.h"

namespace vaultora::test {

TTestServer::~TTestServer() {
  Kill();
}

void TTestServer::Start() {
  if (!FileExists(FStorage / "accounts-ready")) {
    QProcess add;
    add.start(QString::fromStdString(FProgram),
              {"account", "add", "ann", "--iterations", "1", "--storage",
               QString::fromStdString(FStorage.Path())});
    add.write("secret\n");
    add.closeWriteChannel();
    ASSERT_TRUE(add.waitForFinished(10000));
    ASSERT_EQ(add.exitCode(), 0) << add.readAllStandardError().toStdString();
    WriteTextFile(FStorage / "accounts-ready", "");
  }
  FProcess = std::make_unique<QProcess>();
  FProcess->setProcessChannelMode(QProcess::MergedChannels);
  FProcess->start(QString::fromStdString(FProgram),
                  {"serve", "--listen", "127.0.0.1", "--port", QString::number(FPort), "--storage",
                   QString::fromStdString(FStorage.Path())});
  ASSERT_TRUE(FProcess->waitForStarted(10000));
  // The server prints the port it listens on as a line of its own, beside its log lines.
  for (int port = 0; port <= 0;) {
    while (!FProcess->canReadLine())
      ASSERT_TRUE(FProcess->waitForReadyRead(10000));
    const QByteArray line = FProcess->readLine();
    FOutput += line.toStdString();
    bool number = false;
    port = line.trimmed().toInt(&number);
    if (number) FPort = port;
  }
}

void TTestServer::Kill() {
  if (!FProcess) return;
  FProcess->kill();
  FProcess->waitForFinished(10000);
  FOutput += FProcess->readAll().toStdString();
  FProcess.reset();
}

std::string TTestServer::Output() {
  if (FProcess) {
    FProcess->waitForReadyRead(200);
    FOutput += FProcess->readAll().toStdString();
  }
  return FOutput;
}

OnlineTest::OnlineTest(const std::string& serverProgram) : FServer(serverProgram) {
  FServer.Start();
}

void OnlineTest::SetUpProfile(bool withAccount) {
  FStore.reset();
  FProfile = std::make_unique<TTestProfile>();
  FStore = std::make_unique<TIniRegistryEditor>();
  FStore->SetRootKey(rtHKEY_CURRENT_USER);
  FStore->SetLazyWrite(true);
  FStore->SetFilename(keys::kBaseKey);
  FWorking = FProfile->Home() + "work/";
  ForceDirectories(FWorking);
  FStore->WriteString(keys::kPreferences, keys::preferences::kWorkingZipFolder, FWorking);
  FStore->WriteString(keys::kConnection, keys::connection::kHost, "127.0.0.1");
  FStore->WriteInteger(keys::kConnection, keys::connection::kServerPort, FServer.Port());
  if (withAccount) WriteAccountSetup(*FStore, {"ann", "secret"});
  FStore->SetFilename(keys::kBaseKey);
}

std::string OnlineTest::MakeBackup(const std::string& title, int64_t size, double id) {
  const std::string entry = FloatToText(id);
  const std::string base = FWorking + ReplaceAll(entry, ".", "_");
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  std::mt19937 random(static_cast<unsigned>(id * 1000));
  for (auto& b : bytes)
    b = static_cast<uint8_t>(random());
  TMemoryStream(bytes).SaveToFile(base + ".BFE");
  WriteTextFile(base + ".bfl", "/home/ann/docs/\t\r\n/home/ann/notes.txt\t\r\n");
  FStore->SetFilename(keys::kBackupsKey);
  FStore->WriteString(entry, "FinishDateTime", FloatToText(id + 0.01));
  FStore->WriteString(entry, "Session", base + ".bfl");
  FStore->WriteString(entry, "Size", IntToStr(size));
  FStore->WriteString(entry, "MAC", "0123456789ABCDEF");
  FStore->WriteString(entry, "BackupTitle", title);
  FStore->WriteBool(entry, "NeedToSend", true);
  FStore->SetFilename(keys::kBaseKey);
  return entry;
}

std::string OnlineTest::ArchiveOf(const std::string& entry) {
  return FWorking + ReplaceAll(entry, ".", "_") + ".BFE";
}

std::vector<uint8_t> OnlineTest::Bytes(const std::string& path) {
  TMemoryStream stream;
  stream.LoadFromFile(path);
  return stream.Bytes();
}

bool OnlineTest::HasValue(const std::string& entry, const char* value) {
  FStore->SetFilename(keys::kBackupsKey);
  const bool exists = FStore->ValueExists(entry, value);
  FStore->SetFilename(keys::kBaseKey);
  return exists;
}

void OnlineTest::RunToClose(TBaseOnlineTransfer& component, int timeoutMs) {
  FClosed = false;
  QEventLoop loop;
  auto previous = component.OnClose;
  component.OnClose = [&](TComponent* sender) {
    if (previous) previous(sender);
    FClosed = true;
    loop.quit();
  };
  QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
  component.Start();
  if (!FClosed) loop.exec();
  component.OnClose = previous;
  ASSERT_TRUE(FClosed) << "the operation did not end";
}

void OnlineTest::Record(TBaseOnlineTransfer& c) {
  c.OnStatus = [this](TComponent*, const std::string& s) { FEvents.push_back(s); };
  c.OnThreadException = [this](TComponent*, const std::string& s) {
    FEvents.push_back("exception: " + s);
  };
  c.OnLogon = [this](TComponent*, bool ok) { FEvents.push_back(ok ? "logon 1" : "logon 0"); };
  c.OnBackupNotRegistered = [this](TComponent*, const std::string& s) {
    FEvents.push_back("not registered: " + s);
  };
  c.OnError = [this](TComponent*, const std::string& s) { FEvents.push_back("error: " + s); };
  c.OnConnectionStateChange = [this](TComponent*, TVaConnectionState state, const std::string& s) {
    FEvents.push_back("state " + std::to_string(state) + ": " + s);
  };
}

}  // namespace vaultora::test
