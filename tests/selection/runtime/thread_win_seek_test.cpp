#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <thread>

#include "platform/runtime/message_receiver.h"
#include "selection/runtime/thread_win_seek.h"
#include "support/temp_folder.h"

namespace vaultora {
namespace {

using test::TTempFolder;
using test::WriteTextFile;

void PumpUntil(const std::function<bool()>& done, int ms = 5000) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

struct TSeekLog {
  std::vector<std::string> Found, Status, Errors;
  int Completed = 0;
  std::thread::id HandlerThread;

  void Attach(TThreadWinSeek& seek, const std::string& root, int stopAfter = -1) {
    seek.OnFileFind = [this, root, stopAfter](TComponent*, const std::string& folder,
                                              const TSearchRec& rec, bool& stop) {
      HandlerThread = std::this_thread::get_id();
      Found.push_back(folder.substr(root.size()) + rec.Name);
      if (static_cast<int>(Found.size()) == stopAfter) stop = true;
    };
    seek.OnScanCompleted = [this](TComponent*) { ++Completed; };
    seek.OnStatus = [this](TComponent*, const std::string& s) { Status.push_back(s); };
    seek.OnThreadError = [this](TComponent*, const std::string& e) { Errors.push_back(e); };
  }
};

TEST(ThreadWinSeek, DeliversTheWalkOnTheOwnersThreadAndBecomesIdle) {
  TTempFolder f;
  WriteTextFile(f / "a.txt", "a");
  WriteTextFile(f / "sub/b.txt", "b");
  WriteTextFile(f / "sub/.c.txt", "c");
  const long long payloads = LivePayloadCount();
  TThreadWinSeek seek;
  seek.Root = f.Path();
  seek.IncludeSubFolders = true;
  seek.SeekView = wskFilesFolders;
  seek.SetThreadPriority(tpLowest);
  TSeekLog log;
  log.Attach(seek, f.Path());
  ASSERT_TRUE(seek.Start());
  EXPECT_FALSE(seek.Start());  // one worker at a time
  PumpUntil([&] { return log.Completed > 0; });
  // Hidden entries are reported too.
  EXPECT_EQ(log.Found, (std::vector<std::string>{"a.txt", "sub", "sub/.c.txt", "sub/b.txt"}));
  EXPECT_EQ(log.Status, std::vector<std::string>{"Created Seek thread"});
  EXPECT_EQ(log.HandlerThread, std::this_thread::get_id());
  EXPECT_FALSE(seek.Running());
  EXPECT_EQ(LivePayloadCount(), payloads);
  ASSERT_TRUE(seek.Start());  // idle again after the completion
  PumpUntil([&] { return log.Completed > 1; });
  EXPECT_EQ(log.Found.size(), 8u);
}

TEST(ThreadWinSeek, AnUnlistableRootReportsTheErrorAndKeepsTheComponentBusyUntilStop) {
  TTempFolder f;
  TThreadWinSeek seek;
  seek.Root = f.Path() + "missing/";
  TSeekLog log;
  log.Attach(seek, f.Path());
  ASSERT_TRUE(seek.Start());
  PumpUntil([&] { return !log.Errors.empty(); });
  ASSERT_EQ(log.Errors.size(), 1u);
  EXPECT_NE(log.Errors[0].find("missing"), std::string::npos);
  PumpUntil([] { return false; }, 50);
  EXPECT_EQ(log.Completed, 0);
  EXPECT_FALSE(seek.Start());
  seek.Root = f.Path();
  EXPECT_TRUE(seek.Restart());
  PumpUntil([&] { return log.Completed > 0; });
  EXPECT_EQ(log.Completed, 1);
}

TEST(ThreadWinSeek, StopScanFromTheHandlerEndsTheWholeWalk) {
  TTempFolder f;
  for (int d = 0; d < 20; ++d)
    for (int i = 0; i < 20; ++i)
      WriteTextFile(f / ("d" + std::to_string(d) + "/deep/f" + std::to_string(i)), "x");
  TThreadWinSeek seek;
  seek.Root = f.Path();
  seek.IncludeSubFolders = true;
  TSeekLog log;
  log.Attach(seek, f.Path(), 1);
  ASSERT_TRUE(seek.Start());
  PumpUntil([&] { return !log.Found.empty(); });
  EXPECT_FALSE(seek.Running());  // stopped and freed by the handler's answer
  // Messages posted before the stop are still delivered, and nothing more.
  PumpUntil([] { return false; }, 100);
  EXPECT_LE(log.Found.size(), 400u);
  EXPECT_TRUE(seek.Start());
  log.Found.clear();
  log.Attach(seek, f.Path());
  PumpUntil([&] { return log.Completed > 1; });
  EXPECT_EQ(log.Found.size(), 400u);  // the next search is not stopped
}

TEST(ThreadWinSeek, DestroyingARunningComponentWaitsAndFreesEverything) {
  TTempFolder f;
  for (int i = 0; i < 200; ++i)
    WriteTextFile(f / ("f" + std::to_string(i)), "x");
  const long long payloads = LivePayloadCount();
  {
    TThreadWinSeek seek;
    seek.Root = f.Path();
    int found = 0;
    seek.OnFileFind = [&](TComponent*, const std::string&, const TSearchRec&, bool&) { ++found; };
    ASSERT_TRUE(seek.Start());
  }
  EXPECT_EQ(LivePayloadCount(), payloads);
}

}  // namespace
}  // namespace vaultora
