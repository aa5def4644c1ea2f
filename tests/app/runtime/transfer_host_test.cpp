#include "app/runtime/transfer_host.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "catalogue/catalogue.h"
#include "settings/registry_keys.h"
#include "support/runtime/online_test_fixture.h"

namespace vaultora {
namespace {

// A line that is up or down as the test says; nothing is dialled.
class TStillLine : public TWorkQueueLine {
 public:
  void Dial() override { ++Dials; }
  bool Dialling() const override { return false; }
  bool Active() const override { return Up; }
  void HangUp() override { Up = false; }
  bool Up = false;
  int Dials = 0;
};

class TransferHost : public test::OnlineTest {
 protected:
  TransferHost() : OnlineTest(VAULTORA_SERVER_PATH) {
    SetUpProfile();
    queue = std::make_unique<TWorkQueue>(nullptr, *FStore, restoreList, line);
    host = std::make_unique<TTransferHost>(nullptr, *FStore, *queue, restoreList);
    queue->OnOpenTransfer = [this](TWorkKind kind) {
      opened.push_back(kind);
      host->Open(kind);
    };
    queue->OnTransferRunning = [this](TWorkKind kind) { return host->Running(kind); };
    host->OnLine = [this](TWorkKind, const std::string& text) { lines.push_back(text); };
    host->OnClosed = [this](TWorkKind kind, bool success) { closed.emplace_back(kind, success); };
  }
  ~TransferHost() override {
    host.reset();
    queue.reset();
  }

  void UseLAN() {
    FStore->SetFilename(keys::kBaseKey);
    FStore->WriteBool(keys::kConnection, keys::connection::kUseLANServer, true);
  }
  // Runs the event loop until nothing is open and the queue has no message waiting.
  void RunToIdle() {
    QElapsedTimer clock;
    clock.start();
    do {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    } while ((host->AnyOpen() || queue->Receiver().Pending() > 0) && clock.elapsed() < 30000);
    ASSERT_FALSE(host->AnyOpen()) << "the transfers did not end";
  }
  bool Printed(const std::string& text) const {
    return std::find(lines.begin(), lines.end(), text) != lines.end();
  }

  TStillLine line;
  TStringList restoreList;
  std::unique_ptr<TWorkQueue> queue;
  std::unique_ptr<TTransferHost> host;
  std::vector<TWorkKind> opened;
  std::vector<std::string> lines;
  std::vector<std::pair<TWorkKind, bool>> closed;
};

TEST_F(TransferHost, SendAndReceiveOpensDeleteSendReceiveInOrderAndEachClosesOnce) {
  UseLAN();
  const std::string gone = MakeBackup("Old", 2000, 46000.25);
  const std::string fetched = MakeBackup("Wanted", 3000, 46001.25);
  // The first two reach the server; then one is marked for deletion, one requested again.
  queue->SendOnly();
  RunToIdle();
  ASSERT_EQ(closed.size(), 1u);
  ASSERT_TRUE(closed[0].second);
  TCatalogue catalogue(*FStore);
  catalogue.MarkDeleted(gone);
  std::remove(ArchiveOf(fetched).c_str());
  restoreList.push_back(fetched);
  MakeBackup("New", 4000, 46002.25);
  opened.clear();
  closed.clear();

  queue->SendAndReceive();
  RunToIdle();
  EXPECT_EQ(opened, (std::vector<TWorkKind>{wkDelete, wkSend, wkReceive}));
  ASSERT_EQ(closed.size(), 3u);
  for (const auto& [kind, success] : closed)
    EXPECT_TRUE(success) << "kind " << kind;
  EXPECT_TRUE(Printed("Internet delete complete"));
  EXPECT_TRUE(Printed("Backup retrieved from server"));
  EXPECT_FALSE(TCatalogue(*FStore).Exists(gone));
  EXPECT_FALSE(Bytes(ArchiveOf(fetched)).empty());
  EXPECT_TRUE(restoreList.empty()) << "a received backup leaves the restore list";
  EXPECT_EQ(line.Dials, 0) << "nothing is dialled over the network link";
}

TEST_F(TransferHost, OpeningAnOpenTransferRestartsItInsteadOfASecondRun) {
  UseLAN();
  MakeBackup("Big", 3 << 20, 46003.25);
  host->Open(wkSend);
  host->Open(wkSend);
  EXPECT_TRUE(host->IsOpen(wkSend));
  RunToIdle();
  ASSERT_EQ(closed.size(), 1u);
  EXPECT_TRUE(closed[0].second);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Internet transfer complete"), 1);
}

TEST_F(TransferHost, AStartRefusedForWantOfALineClosesWithAnErrorMarkAndNoRetry) {
  MakeBackup("Waiting", 1000, 46004.25);
  host->Open(wkSend);
  EXPECT_FALSE(host->IsOpen(wkSend));
  ASSERT_EQ(closed.size(), 1u);
  EXPECT_FALSE(closed[0].second);
  FStore->SetFilename(keys::kBaseKey);
  EXPECT_TRUE(FStore->ValueExists(keys::kBackupErrors, "ServerNotReachable"));
  RunToIdle();
  // With the mark, the completion rule neither retries nor dials.
  EXPECT_TRUE(opened.empty());
  EXPECT_EQ(line.Dials, 0);
}

}  // namespace
}  // namespace vaultora
