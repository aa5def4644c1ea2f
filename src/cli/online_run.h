#pragma once
// TOnlineRun: the client's online machinery for one command of vaultora-cli, as the main window
// holds it: the settings store of this thread, the work queue with its restore list, the dial-up
// line and the transfer host. A command arms the queue; the transfers it opens print their lines;
// the command ends when no transfer is open, no dial is under way and no message of the queue is
// waiting. Ctrl+C (or TERM) presses Stop on every open transfer and cancels a dial.

#include <functional>
#include <memory>

#include "app/runtime/dialup_line.h"
#include "app/runtime/transfer_host.h"
#include "app/runtime/work_queue.h"
#include "platform/text.h"
#include "settings/ini_registry_editor.h"

namespace vaultora::cli {

// Prints one line and flushes it, so that a pipe or a log sees each line as it happens.
void PrintLine(const std::string& line);

class TOnlineRun {
 public:
  TOnlineRun();
  ~TOnlineRun();

  TIniRegistryEditor& Store() { return FStore; }
  TWorkQueue& Queue() { return *FQueue; }
  TTransferHost& Host() { return *FHost; }
  TStringList& RestoreList() { return FRestoreList; }

  // CheckSetup: false (after saying what is missing and how to set it) when the server or the
  // encryption key is not set up.
  bool CheckSetup();
  // Runs command (which arms the queue or starts a backup), then the work it started, to its end.
  // 0 when every transfer that ran succeeded and no armed work was left behind, else 1.
  int Run(const std::function<void()>& command);
  // Processes events until stop() is true (checked every few milliseconds) or an interrupt
  // arrives, then stops the open transfers and waits for them.
  void RunUntil(const std::function<bool()>& stop);
  // How many transfers were opened, and how many of them failed.
  int TransfersRun() const { return FOpened; }
  int TransfersFailed() const { return FFailed; }
  // Nothing is open, dialled or waiting to be delivered.
  bool Idle() const;

 private:
  void Open(TWorkKind kind);
  bool WorkLeftArmed();

  TIniRegistryEditor FStore;
  TStringList FRestoreList;
  TDialupLine FLine;
  std::unique_ptr<TWorkQueue> FQueue;
  std::unique_ptr<TTransferHost> FHost;
  int FOpened = 0;
  int FFailed = 0;
  int FOpenedOfKind[4] = {};
  bool FStopping = false;
};

}  // namespace vaultora::cli
