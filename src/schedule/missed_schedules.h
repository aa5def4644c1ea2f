#pragma once
// TMissedSchedules: finds the enabled schedules whose due time passed without their backup, so
// that each runs once: after the machine slept or was off, on the night the clocks skip a
// schedule's time, or when an alarm was lost. A schedule counts as missed when its latest due
// time lies after its last run and its last save (a schedule saved with a time already past
// today is not missed); several missed days give one run. After the client starts or the
// machine resumes, nothing runs until the delay has passed, so that the network can come up.
// The owner (the main window, vaultora-cli run) feeds it on every tick of its alarm clock and
// runs what it returns through the alarm path. Owner's thread only.

#include <map>
#include <string>
#include <vector>

#include "platform/date_time.h"

namespace vaultora {

class TIniRegistryEditor;

// The clocks at one moment.
struct TClockReading {
  TDateTime Local = 0;  // the local wall clock
  double Wall = 0;      // seconds of the system clock: jumps when it is set and after a sleep
  double Steady = 0;    // seconds of a clock that stands still while the machine sleeps
};
TClockReading ReadClocks();

struct TMissedRun {
  std::string Name;
  TDateTime Due = 0;
};

class TMissedSchedules {
 public:
  // started: when the client began to watch, the reference of schedules never run nor saved.
  TMissedSchedules(const TClockReading& started, int delayMinutes);

  // The desktop's resume signal: missed schedules wait for the delay from now.
  void Resumed(const TClockReading& now);
  // Whether the last Check saw the wall clock run ahead of the steady one (a sleep, or the clock
  // set forward).
  bool ClockJumped() const { return FClockJumped; }
  // The moment before which nothing is returned.
  TDateTime NotBefore() const { return FNotBefore; }

  // The schedules to run now; each due time is returned once.
  std::vector<TMissedRun> Check(TIniRegistryEditor& store, const TClockReading& now);

 private:
  TDateTime FStarted;
  TDateTime FDelay;
  TDateTime FNotBefore;
  TClockReading FLast;
  bool FClockJumped = false;
  std::map<std::string, TDateTime> FReturned;  // name -> the due time last returned
};

// The option values that switch the catch-up on and set its delay.
struct TMissedRunOptions {
  bool Enabled = true;
  int DelayMinutes = 2;
};
TMissedRunOptions ReadMissedRunOptions(TIniRegistryEditor& store);

}  // namespace vaultora
