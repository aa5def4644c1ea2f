#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <atomic>
#include <thread>

#include "platform/runtime/message_receiver.h"
#include "platform/runtime/worker_thread.h"
#include "platform/sync_event.h"

namespace vaultora {
namespace {

void PumpUntil(const std::function<bool()>& done, int ms = 5000) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

TEST(MessageReceiver, DeliversPostedMessagesOnItsThreadAndFreesPayloads) {
  const long long before = LivePayloadCount();
  TMessageReceiver receiver;
  std::vector<std::string> got;
  std::thread::id handlerThread;
  receiver.OnMessage = [&](const TMessage& m) {
    handlerThread = std::this_thread::get_id();
    got.push_back(std::to_string(m.Msg) + ":" + *m.PayloadAs<std::string>());
  };
  std::thread sender([&] { receiver.PostValue<std::string>(WM_USER + 101, 1, 2, "hello"); });
  sender.join();
  PumpUntil([&] { return !got.empty(); });
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], std::to_string(WM_USER + 101) + ":hello");
  EXPECT_EQ(handlerThread, std::this_thread::get_id());
  EXPECT_EQ(LivePayloadCount(), before);
}

TEST(MessageReceiver, PayloadsOfUndeliveredMessagesAreFreed) {
  const long long before = LivePayloadCount();
  {
    TMessageReceiver receiver;
    receiver.PostValue<int>(WM_USER + 1, 0, 0, 5);
    EXPECT_EQ(LivePayloadCount(), before + 1);
  }
  EXPECT_EQ(LivePayloadCount(), before);
}

TEST(ManualResetEvent, WaitForEitherReportsTheOneSet) {
  TManualResetEvent a, b;
  EXPECT_EQ(TManualResetEvent::WaitForEither(a, b, std::chrono::milliseconds(20)), -1);
  std::thread setter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    b.SetEvent();
  });
  EXPECT_EQ(TManualResetEvent::WaitForEither(a, b, std::chrono::milliseconds(5000)), 1);
  setter.join();
  EXPECT_TRUE(b.WaitFor(std::chrono::milliseconds(0)));  // stays set until reset
  b.ResetEvent();
  EXPECT_FALSE(b.IsSet());
  a.SetEvent();
  b.SetEvent();
  EXPECT_EQ(TManualResetEvent::WaitForEither(a, b), 0);
}

struct TCountingThread : TThread {
  TCountingThread() : TThread(true) {}
  void Execute() override {
    while (!Terminated()) {
      Synchronize([this] { ++synced; });
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  int synced = 0;  // touched on the owner's thread only
};

TEST(WorkerThread, StartsSuspendedAndSynchronizesOnTheOwnersThread) {
  TCountingThread thread;
  EXPECT_FALSE(thread.Started());
  thread.Resume();
  PumpUntil([&] { return thread.synced >= 3; });
  EXPECT_GE(thread.synced, 3);
  thread.Terminate();
  thread.WaitFor();  // must not dead-lock on a pending Synchronize
  EXPECT_TRUE(thread.Finished());
}

}  // namespace
}  // namespace vaultora
