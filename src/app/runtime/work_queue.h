#pragma once
// TWorkQueue: the scheduler of online work. User commands, schedule alarms and finished
// transfers become upload, download, server-delete and available-backups runs: the queue arms
// its entries, posts them (in the order delete, send, receive, settings) once the server can be
// reached, and on each posted message asks its front end to open or restart the transfer of that
// kind. When a transfer ends the front end posts its "done" message (or calls TransferDone) and
// the completion rules decide between a retry and hanging up. A retry is bounded: once a kind has
// been opened kMaxOpensOfKind times since a command asked for it, the rules stop retrying and say
// so through OnRetriesStopped, so that a server that keeps failing without recording an error
// cannot keep a front end busy for ever.
//
// The queue starts no network work itself. It reads the catalogue and the settings through the
// store it is given, and reaches the dial-up line through TWorkQueueLine. Everything here runs
// on the thread that created the queue (the user-interface thread).

#include <functional>
#include <memory>
#include <string>

#include "app/runtime/api_message_server.h"
#include "platform/component.h"
#include "platform/runtime/message_receiver.h"
#include "platform/text.h"

namespace vaultora {

class TIniRegistryEditor;

// The kinds of online work, in the order of the queue's entries.
enum TWorkKind { wkDelete = 0, wkSend = 1, wkReceive = 2, wkRegistryUpdate = 3 };

// The dial-up line as the queue sees it. The desktop client answers with its dial-up dialog and
// TRasDialer; tests answer with a fake.
class TWorkQueueLine {
 public:
  virtual ~TWorkQueueLine() = default;
  // Dials (the desktop client shows the dial-up dialog). When the line is up, the front end
  // calls TWorkQueue::LineConnected.
  virtual void Dial() = 0;
  virtual bool Dialling() const = 0;  // a dial is under way (the dial-up dialog is open)
  virtual bool Active() const = 0;    // the line is up
  virtual void HangUp() = 0;
};

// What a backup run reports back (the "Creating Backup" window or its command-line twin).
struct TBackupRunResult {
  bool Completed = false;          // the run ended with OK
  bool SendWhenCompleted = false;  // "Send the backup when completed" was ticked
  bool Incomplete = false;         // recorded, but some files could not be taken
};

class TWorkQueue : public TComponent {
 public:
  // How often one command's work of a kind is opened at most (the first run and its retries).
  static constexpr int kMaxOpensOfKind = 4;

  TWorkQueue(TComponent* owner, TIniRegistryEditor& store, TStringList& restoreList,
             TWorkQueueLine& line);
  ~TWorkQueue() override;

  // The commands.
  void SendAndReceive();
  void SendOnly();
  void ReceiveOnly();
  void DeleteOnly();
  void DownloadSettings();
  void ConnectAndPost();

  // A backup without a schedule (empty name) or of the named schedule, then Send & Receive when
  // the run asks for it.
  void RunBackup(const std::string& scheduleName);
  // The alarm path: the schedule's backup, then the alarms are loaded again.
  void ScheduledBackup(const std::string& scheduleName);

  // The dial-up line's events.
  void LineConnected();
  void LineDropped();
  // BeforeStart of every online component: the server can be reached.
  bool CanStart() const;

  // The completion rules (the same as posting the kind's "done" message to Receiver()).
  void TransferDone(TWorkKind kind);

  // The any-work test: something waits to be sent, received (or is requested) or deleted.
  bool AnyWork();

  // Gives every requested entry a ReceivePosition and drops deleted ones from the list.
  void PrepareRestoreList();

  // Transfer sessions post their "done" messages here; the queue posts its work messages here.
  TMessageReceiver& Receiver() { return *FReceiver; }
  TApiMessageServer& Queue() { return FQueue; }
  TAPIItem& Entry(TWorkKind kind) { return FQueue.Item(static_cast<size_t>(kind)); }

  // Open the transfer of this kind, or restart it when it is showing.
  std::function<void(TWorkKind kind)> OnOpenTransfer;
  // Whether the transfer of this kind is running (the dropped-line rule asks).
  std::function<bool(TWorkKind kind)> OnTransferRunning;
  // CheckSetup before every command; unassigned, nothing is checked.
  std::function<void()> OnCheckSetup;
  std::function<void()> OnStopAnimation;
  std::function<void()> OnRefreshList;
  // Runs one backup (the schedule name is empty for a manual one).
  std::function<TBackupRunResult(const std::string& scheduleName)> OnRunBackup;
  // Rebuilds the alarms from the stored schedules.
  std::function<void()> OnLoadSchedules;
  // The completion rules gave up retrying a kind; line: "The upload run was tried 4 times;
  // stopped retrying" (and the like), for the user.
  std::function<void(TWorkKind kind, const std::string& line)> OnRetriesStopped;

  // The word of a kind in lines for the user: "deletion", "upload", "download",
  // "available backups".
  static const char* KindName(TWorkKind kind);

 private:
  void HandleMessage(const TMessage& message);
  void SendAndReceiveOf(bool userCommand);
  // A command asked for the kind's work: its count of opens starts again.
  void NewRequest(TWorkKind kind) { FOpens[kind] = 0; }
  bool RetriesLeft(TWorkKind kind);
  void OnlyOf(TWorkKind kind);  // Send Only, Receive Only, Delete Only
  void DoWork(TWorkKind kind);
  void RegistryUpdateDone();
  void HangUpWhenIdle(bool otherWorkLeft);
  bool WorkOf(TWorkKind kind);
  bool ErrorMarked(TWorkKind kind);
  bool AnyErrorMarked();
  void ClearErrors(TWorkKind kind);
  bool UseLANServer() const;
  bool AutoReconnect() const;
  bool OtherEntriesArmed(TWorkKind kind);
  std::string ScheduleName(intptr_t place);

  TIniRegistryEditor& FStore;
  TStringList& FRestoreList;
  TWorkQueueLine& FLine;
  TApiMessageServer FQueue;
  std::unique_ptr<TMessageReceiver> FReceiver;
  int FOpens[4] = {};  // indexed by TWorkKind: opens since a command last asked for the kind
};

}  // namespace vaultora
