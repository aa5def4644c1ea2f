#pragma once
// TClientRuntime: the client's online machinery, wired once for every front end. The main window
// owns one for the life of the program; vaultora-cli owns one per command. It holds, in the
// order they are made and the reverse order they go:
//   the settings store of the owner's thread (lazy writing, at Software\Vaultora),
//   the restore list (the backups requested from the server),
//   the dial-up line over the dial-up component,
//   the work queue with its completion rules (and their cap on retries),
//   the transfer host with the four online components,
//   the alarm clock, loaded from the stored schedules on LoadSchedules,
//   the watch for missed schedules, checked on every tick of the clock.
// A command arms the queue (Queue().SendAndReceive() and the like); the queue posts its work,
// the runtime opens each transfer on the host, and when a transfer closes the queue's completion
// rules decide between a retry and hanging up. An alarm posts the schedule's backup to the queue,
// which runs it through Queue().OnRunBackup and loads the schedules again. A schedule whose time
// passed while the client was not running or the machine slept is posted the same way, once,
// after the catch-up delay (when the catch-up option is on).
//
// The runtime owns these events of its parts; a front end must not assign them:
//   Queue(): OnOpenTransfer, OnTransferRunning, OnLoadSchedules, OnRetriesStopped;
//   Host(): OnClosed; the line's queue; Clock(): OnTimerInterval.
// It offers them as its own events below. Everything else belongs to the front end: the queue's
// OnRunBackup, OnCheckSetup, OnStopAnimation and OnRefreshList, the host's OnLine and
// OnItemToRegister, the line's OnLine, the clock's OnNotifyStatus and its timer interval.
//
// Owner's (user-interface) thread only; it never blocks that thread on the network: the online
// components locate, connect and talk to the server on their own worker threads.

#include <functional>
#include <memory>
#include <set>
#include <string>

#include "app/runtime/dialup_line.h"
#include "app/runtime/transfer_host.h"
#include "app/runtime/work_queue.h"
#include "platform/text.h"
#include "schedule/missed_schedules.h"
#include "schedule/runtime/alarm_clock.h"
#include "settings/ini_registry_editor.h"

namespace vaultora {

class TRasAdapter;

class TClientRuntime {
 public:
  // adapter: the dial-up facility; nullptr = the one chosen by $VAULTORA_DIALUP.
  explicit TClientRuntime(TRasAdapter* adapter = nullptr);
  ~TClientRuntime();
  TClientRuntime(const TClientRuntime&) = delete;
  TClientRuntime& operator=(const TClientRuntime&) = delete;

  TIniRegistryEditor& Store() { return FStore; }
  TStringList& RestoreList() { return FRestoreList; }
  TDialupLine& Line() { return FLine; }
  TWorkQueue& Queue() { return *FQueue; }
  TTransferHost& Host() { return *FHost; }
  TAlarmClock& Clock() { return *FClock; }

  // Rebuilds the clock's alarms from the stored schedules and activates it when scheduled
  // backups are enabled (the queue runs this again after every scheduled backup). Each alarm
  // posts its schedule's backup to the queue, so the backup runs outside the clock's own event.
  // A store that cannot be read is reported to the clock's error recorder when it has one, else
  // raised.
  void LoadSchedules();

  // The desktop's resume signal: missed schedules run after the catch-up delay from now (a jump
  // of the wall clock is noticed without it).
  void Resumed();
  // Before this moment no missed schedule runs.
  TDateTime MissedNotBefore() const { return FMissed.NotBefore(); }

  // The idle rule: no transfer is open, no dial is under way and no message of the queue waits.
  bool Idle() const;
  // Some entry of the queue is still armed (its work waits for a line that never came).
  bool WorkLeftArmed();
  // The user interrupts or the program ends: an open dial is cancelled and every open transfer
  // is stopped as its Stop button would. Later work messages open nothing. Returns at once; the
  // transfers close by themselves (wait until Idle()).
  void StopAll();
  bool Stopping() const { return FStopping; }

  // How many transfers were opened (restarts included), and how many kinds of work failed: a
  // kind fails when its last transfer failed or its retries were stopped. A failed attempt that a
  // retry made good is no failure: the work got done.
  int TransfersOpened() const { return FOpened; }
  int TransfersFailed() const;

  // A transfer of the kind is about to open; restart: its "window" is already showing (its
  // transfer starts again in it).
  std::function<void(TWorkKind kind, bool restart)> OnOpening;
  // A transfer closed; success: its operation reported success.
  std::function<void(TWorkKind kind, bool success)> OnTransferClosed;
  // A schedule missed while the client was not running or the machine slept is about to run.
  std::function<void(const TMissedRun& run)> OnMissedRun;
  // The wall clock moved ahead of the steady one (a sleep, or the time was set): missed
  // schedules run after delayMinutes.
  std::function<void(int delayMinutes)> OnClockJumped;
  // The completion rules stopped retrying a kind; line: the text for the user.
  std::function<void(TWorkKind kind, const std::string& line)> OnRetriesStopped;

 private:
  void Open(TWorkKind kind);
  void PostSchedule(const std::string& name);
  void CheckMissed();

  TIniRegistryEditor FStore;
  TStringList FRestoreList;
  TDialupLine FLine;
  std::unique_ptr<TWorkQueue> FQueue;
  std::unique_ptr<TTransferHost> FHost;
  std::unique_ptr<TAlarmClock> FClock;
  TMissedRunOptions FCatchUp;
  TMissedSchedules FMissed;
  int FOpened = 0;
  std::set<TWorkKind> FLastFailed;  // kinds whose last transfer failed
  std::set<TWorkKind> FGaveUp;      // kinds whose retries were stopped
  bool FStopping = false;
};

}  // namespace vaultora
