#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <mutex>
#include <stdexcept>

#include "platform/capture_error.h"
#include "schedule/runtime/alarm_clock.h"

namespace vaultora {
namespace {

// A clock the test sets and a timer that ticks when the test says so.
class TSimulatedAlarmTime : public TAlarmTimeSource {
 public:
  TDateTime Now() override {
    std::lock_guard<std::mutex> lock(FMutex);
    if (FThrow) throw std::runtime_error("clock failed");
    return FNow;
  }
  std::unique_ptr<TAlarmTimer> CreateTimer(uint32_t intervalMs) override {
    if (FailTimer) return nullptr;
    return std::make_unique<TTimer>(*this, intervalMs);
  }
  void TickAt(TDateTime now, bool throwOnRead = false) {
    {
      std::lock_guard<std::mutex> lock(FMutex);
      FNow = now;
      FThrow = throwOnRead;
    }
    FTick.SetEvent();
  }

  bool FailTimer = false;

 private:
  class TTimer : public TAlarmTimer {
   public:
    TTimer(TSimulatedAlarmTime& source, uint32_t interval) : FSource(source), FInterval(interval) {}
    unsigned Identifier() const override { return 7; }
    int Wait(TManualResetEvent& close, uint32_t& tickCount) override {
      if (TManualResetEvent::WaitForEither(close, FSource.FTick) == 0) return awClose;
      FSource.FTick.ResetEvent();
      tickCount = (FTicks += FInterval);
      return awTimer;
    }

   private:
    TSimulatedAlarmTime& FSource;
    uint32_t FInterval;
    uint32_t FTicks = 1000;
  };

  std::mutex FMutex;  // guards FNow and FThrow
  TDateTime FNow = 0;
  bool FThrow = false;
  TManualResetEvent FTick;
};

void PumpUntil(const std::function<bool()>& done, int ms = 5000) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

TDateTime At(int year, int month, int day, int hour, int minute, int second = 0) {
  return EncodeDate(year, month, day) + EncodeTime(hour, minute, second);
}

class AlarmClockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock.OnTimerInterval = [this](TAlarmClock&, uint32_t id) {
      ++ticks;
      timerIds.push_back(id);
    };
    clock.OnNotifyStatus = [this](TAlarmClock&, const std::string& s) { statuses.push_back(s); };
  }

  int Add(const std::string& name, int hour, int minute, TAlarmType type = acDaily) {
    const int index = clock.AddAlarm(type, name, true, static_cast<uint16_t>(minute),
                                     static_cast<uint16_t>(hour), 0, 0, 0);
    clock.AlarmList()[index].OnAlarm = [this](TAlarm& alarm, uint32_t) {
      fired.push_back(alarm.Description);
    };
    return index;
  }

  // One tick at the given time; the name of the alarm that fired, or "".
  std::string TickAt(TDateTime now) {
    const size_t firedBefore = fired.size();
    const int ticksBefore = ticks;
    time.TickAt(now);
    PumpUntil([&] { return fired.size() > firedBefore || ticks > ticksBefore; });
    EXPECT_TRUE(fired.size() > firedBefore || ticks > ticksBefore) << "no answer to the tick";
    return fired.size() > firedBefore ? fired.back() : "";
  }

  TSimulatedAlarmTime time;
  TAlarmClock clock{nullptr, &time};
  std::vector<std::string> fired;
  int ticks = 0;
  std::vector<uint32_t> timerIds;
  std::vector<std::string> statuses;
};

TEST_F(AlarmClockTest, DailyAlarmFiresOnceInItsWindowAndAgainTheNextDay) {
  Add("Nightly", 2, 0);
  clock.SetActive(true);
  ASSERT_TRUE(clock.Active());
  EXPECT_EQ(TickAt(At(2026, 5, 4, 1, 59, 50)), "");
  EXPECT_EQ(TickAt(At(2026, 5, 4, 2, 0, 10)), "Nightly");
  EXPECT_EQ(TickAt(At(2026, 5, 4, 2, 0, 19)), "");
  EXPECT_EQ(TickAt(At(2026, 5, 4, 2, 0, 30)), "");
  EXPECT_EQ(TickAt(At(2026, 5, 5, 2, 0, 0)), "Nightly");
  EXPECT_EQ(fired.size(), 2u);
  EXPECT_EQ(timerIds.front(), 7u);  // the tick event carries the timer's identifier
}

TEST_F(AlarmClockTest, TwoAlarmsInOneWindowFireOnSuccessiveTicksLowerIndexFirst) {
  Add("First", 9, 30);
  Add("Second", 9, 30);
  clock.SetActive(true);
  const TDateTime due = At(2026, 5, 4, 9, 30, 5);
  EXPECT_EQ(TickAt(due), "First");
  EXPECT_EQ(TickAt(due), "Second");
  EXPECT_EQ(TickAt(due), "");
}

TEST_F(AlarmClockTest, ZeroTimerIntervalNeverFires) {
  clock.SetTimerInterval(0);
  Add("Never", 9, 30);
  clock.SetActive(true);
  EXPECT_EQ(TickAt(At(2026, 5, 4, 9, 30, 0)), "");
  EXPECT_EQ(TickAt(At(2026, 5, 4, 9, 30, 1)), "");
}

TEST_F(AlarmClockTest, TimerIntervalIsFixedWhileActive) {
  clock.SetActive(true);
  clock.SetTimerInterval(1000);
  EXPECT_EQ(clock.TimerInterval(), 20000u);
  clock.SetActive(false);
  clock.SetTimerInterval(1000);
  EXPECT_EQ(clock.TimerInterval(), 1000u);
}

TEST_F(AlarmClockTest, SetAlarmTimeChangesHourAndMinuteAndRefusesIndexPastTheEnd) {
  Add("Only", 1, 1);
  EXPECT_FALSE(clock.SetAlarmTime(1, EncodeTime(5, 6, 0)));
  EXPECT_EQ(clock.AlarmList()[0].Hour(), 1);
  EXPECT_EQ(clock.AlarmList().Count(), 1);
  clock.SetActive(true);
  EXPECT_TRUE(clock.SetAlarmTime(0, EncodeDate(2026, 1, 1) + EncodeTime(5, 6, 59)));
  EXPECT_EQ(clock.AlarmList()[0].Hour(), 5);
  EXPECT_EQ(clock.AlarmList()[0].Min(), 6);
  EXPECT_EQ(TickAt(At(2026, 5, 4, 5, 6, 1)), "Only");  // the running thread has the new time
}

TEST_F(AlarmClockTest, AddAlarmLeavesOutOfRangeFieldsAtZero) {
  const int index = clock.AddAlarm(acMonthly, "x", true, 60, 24, 8, 32, 13);
  const TAlarm& alarm = clock.AlarmList()[index];
  EXPECT_EQ(alarm.Min() + alarm.Hour() + alarm.DayofWeek() + alarm.DayofMonth() + alarm.Month(), 0);
}

TEST_F(AlarmClockTest, ChangingTheAlarmsClearsFiredSoAnOpenWindowFiresAgain) {
  Add("Again", 4, 0);
  clock.SetActive(true);
  EXPECT_EQ(TickAt(At(2026, 5, 4, 4, 0, 1)), "Again");
  clock.AlarmsChanged();
  EXPECT_EQ(TickAt(At(2026, 5, 4, 4, 0, 2)), "Again");
}

TEST_F(AlarmClockTest, ActivationAndShutDownReportTheirStatuses) {
  clock.SetActive(true);
  clock.SetActive(true);  // a thread exists: nothing more
  clock.SetActive(false);
  EXPECT_FALSE(clock.Active());
  PumpUntil([] { return false; }, 30);  // the thread's closing word arrives late: ignored
  EXPECT_EQ(statuses, (std::vector<std::string>{"Created Timer thread", "Thread Closed",
                                                "The alarm is deactivated"}));
  clock.SetActive(true);  // restarting at once works
  EXPECT_TRUE(clock.Active());
  Add("Restarted", 3, 0);
  EXPECT_EQ(TickAt(At(2026, 5, 4, 3, 0, 0)), "Restarted");
}

TEST_F(AlarmClockTest, ThreadWithoutATimerEndsAndTheClockDeactivates) {
  time.FailTimer = true;
  clock.SetActive(true);
  PumpUntil([&] { return !clock.Active(); });
  EXPECT_FALSE(clock.Active());
  EXPECT_EQ(statuses, (std::vector<std::string>{"Created Timer thread", "Thread Closed",
                                                "The alarm is deactivated"}));
  time.FailTimer = false;
  clock.SetActive(true);
  EXPECT_TRUE(clock.Active());
}

TEST_F(AlarmClockTest, FailingCheckRaisesOnThreadErrorWhichDecidesToClose) {
  std::vector<intptr_t> errors;
  bool keepRunning = true;
  clock.OnThreadError = [&](TAlarmClock&, intptr_t message, bool& closeThread) {
    errors.push_back(message);
    closeThread = !keepRunning;
  };
  Add("x", 1, 0);
  clock.SetActive(true);
  time.TickAt(At(2026, 5, 4, 1, 0, 0), true);
  PumpUntil([&] { return errors.size() == 1; });
  ASSERT_EQ(errors, std::vector<intptr_t>{1});
  EXPECT_TRUE(clock.Active());  // the handler kept it
  EXPECT_EQ(TickAt(At(2026, 5, 4, 1, 0, 0)), "x");
  keepRunning = false;
  time.TickAt(At(2026, 5, 4, 1, 0, 0), true);
  PumpUntil([&] { return errors.size() == 2; });
  EXPECT_FALSE(clock.Active());
}

TEST(AlarmClock, ErrorsGoToTheOwnersCaptureComponent) {
  TComponent owner;
  auto* capture = new TCaptureError(&owner);
  TSimulatedAlarmTime time;
  auto* clock = new TAlarmClock(&owner, &time);
  EXPECT_EQ(clock->CaptureError(), capture);
}

}  // namespace
}  // namespace vaultora
