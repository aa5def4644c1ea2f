// The window thread never waits on the network: the worker locates and connects on its own
// thread, Stop breaks off a call blocked on a silent server, and a component goes without
// waiting for the network. Only loopback addresses; the peers are made here.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <thread>
#include <vector>

#include "online/runtime/online_delete.h"
#include "online/tcp_socket.h"
#include "settings/registry_keys.h"
#include "support/runtime/online_test_fixture.h"

namespace vaultora::test {
namespace {

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Accepts every connection and never answers: a server that has gone silent.
class TSilentServer {
 public:
  TSilentServer() : FPort(FListener.Listen("127.0.0.1", 0)) {
    FThread = std::thread([this] {
      for (int handle; (handle = FListener.Accept()) >= 0;)
        FAccepted.push_back(handle);
    });
  }
  ~TSilentServer() {
    FListener.Shutdown();
    FThread.join();
    for (int handle : FAccepted)
      TTcpSocket closing(handle);
  }
  int Port() const { return FPort; }

 private:
  TTcpListener FListener;
  int FPort;
  std::thread FThread;
  std::vector<int> FAccepted;  // the accepting thread's until it is joined
};

// A loopback address that never answers a connect: a listener whose backlog one connection
// fills, so the kernel drops every further SYN and the connect waits.
class TUnansweredAddress {
 public:
  TUnansweredAddress() : FPort(FListener.Listen("127.0.0.1", 0, 0)) {
    FFiller.Connect("127.0.0.1", FPort, 2000);
  }
  int Port() const { return FPort; }

 private:
  TTcpListener FListener;
  int FPort;
  TTcpSocket FFiller;
};

class WorkerStop : public OnlineTest {
 protected:
  WorkerStop() : OnlineTest(VAULTORA_SERVER_PATH) {
    SetUpProfile();
    const std::string entry = MakeBackup("Old", 100, 46030.5);
    FStore->SetFilename(keys::kBackupsKey);
    FStore->WriteBool(entry, "Deleted", true);
    FStore->SetFilename(keys::kBaseKey);
    remove = std::make_unique<TOnlineDeleteBackup>();
    Record(*remove);
    remove->OnClose = [this](TComponent*) { FClosed = true; };
  }
  void PointAt(int port) {
    FStore->SetFilename(keys::kBaseKey);
    FStore->WriteInteger(keys::kConnection, keys::connection::kServerPort, port);
  }
  // Runs the event loop until done() or timeoutMs; done() at the end.
  bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
  }
  // Starts the delete and waits until it waits for the logon's answer from the silent peer.
  void StartIntoTheLogonsReceive() {
    remove->Start();
    ASSERT_TRUE(PumpUntil([this] { return Contains(FEvents, "Logging onto Vaultora [127.0.0.1]"); },
                          10000));
    QThread::msleep(100);  // the worker is in its receive by now
  }

  std::unique_ptr<TOnlineDeleteBackup> remove;
};

TEST_F(WorkerStop, StopDuringAReceiveFromASilentServerEndsTheRunWithinASecond) {
  TSilentServer silent;
  PointAt(silent.Port());
  StartIntoTheLogonsReceive();
  ASSERT_FALSE(FClosed);
  QElapsedTimer stopped;
  stopped.start();
  remove->Stop();
  ASSERT_TRUE(PumpUntil([this] { return FClosed; }, 5000));
  EXPECT_LT(stopped.elapsed(), 1000);
  EXPECT_EQ(std::count(FEvents.begin(), FEvents.end(), "Stopping transfer"), 1);
  EXPECT_TRUE(Contains(FEvents, "Logon stopped"));
  EXPECT_FALSE(Contains(FEvents, "logon 0") || Contains(FEvents, "logon 1"));
}

TEST_F(WorkerStop, DestroyingAComponentBlockedOnTheNetworkTakesNoLongerThanAStop) {
  TSilentServer silent;
  PointAt(silent.Port());
  StartIntoTheLogonsReceive();
  QElapsedTimer destroying;
  destroying.start();
  remove.reset();
  EXPECT_LT(destroying.elapsed(), 1000);
  QCoreApplication::processEvents();
  EXPECT_FALSE(FClosed) << "no event fires once destruction has begun";
}

TEST_F(WorkerStop, TheEventLoopTurnsWhileTheWorkerLocatesAnAddressThatNeverAnswers) {
  TUnansweredAddress dead;
  PointAt(dead.Port());
  int ticks = 0;
  QTimer tick;
  tick.setInterval(10);
  QObject::connect(&tick, &QTimer::timeout, [&ticks] { ++ticks; });
  tick.start();
  remove->Start();
  QEventLoop loop;
  QTimer::singleShot(1000, &loop, &QEventLoop::quit);
  loop.exec();
  // A window thread that ran the locate itself would not have turned once in that second.
  EXPECT_GE(ticks, 20);
  EXPECT_TRUE(Contains(FEvents, "Locating Vaultora server "));
  EXPECT_FALSE(FClosed) << "the connect is still waiting";

  QElapsedTimer stopped;
  stopped.start();
  remove->Stop();
  ASSERT_TRUE(PumpUntil([this] { return FClosed; }, 5000));
  EXPECT_LT(stopped.elapsed(), 1000);
  EXPECT_TRUE(Contains(FEvents, "Connection stopped"));
  EXPECT_FALSE(Contains(FEvents, "Failed to locate the Vaultora server [127.0.0.1]"))
      << "a stop is not a failure to locate";
}

TEST_F(WorkerStop, LocatingAnAddressThatNeverAnswersFailsAfterTheShortProbe) {
  TUnansweredAddress dead;
  PointAt(dead.Port());
  // Far below the 60 s socket time-out: only the probe's own time-out can end this in time.
  RunToClose(*remove, 20000);
  EXPECT_TRUE(Contains(FEvents, "Failed to locate the Vaultora server [127.0.0.1]"));
  EXPECT_TRUE(std::any_of(FEvents.begin(), FEvents.end(), [](const std::string& line) {
    return line.rfind("state 2: Windows socket error: ", 0) == 0;
  }));
  EXPECT_FALSE(Contains(FEvents, "Logging onto Vaultora [127.0.0.1]"));
}

}  // namespace
}  // namespace vaultora::test
