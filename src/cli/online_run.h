#pragma once
// TOnlineRun: one command of vaultora-cli over the client runtime, as the main window holds it.
// A command arms the queue; the transfers it opens print their lines; the command ends when the
// runtime is idle (no transfer open, no dial under way, no message of the queue waiting).
// Ctrl+C (or TERM) presses Stop on every open transfer and cancels a dial.

#include <functional>
#include <string>

#include "app/runtime/client_runtime.h"
#include "cli/progress_meter.h"

namespace vaultora::cli {

// Prints one line and flushes it, so that a pipe or a log sees each line as it happens.
void PrintLine(const std::string& line);

class TOnlineRun {
 public:
  TOnlineRun();

  TClientRuntime& Runtime() { return FRuntime; }
  TIniRegistryEditor& Store() { return FRuntime.Store(); }
  TWorkQueue& Queue() { return FRuntime.Queue(); }
  TTransferHost& Host() { return FRuntime.Host(); }
  TStringList& RestoreList() { return FRuntime.RestoreList(); }

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
  int TransfersRun() const { return FRuntime.TransfersOpened(); }
  int TransfersFailed() const { return FRuntime.TransfersFailed(); }

 private:
  // A status line, after clearing the progress line.
  void Say(const std::string& line);

  TClientRuntime FRuntime;
  TProgressMeter FMeter;  // the running transfer's bytes, rate and time left, on a terminal
};

}  // namespace vaultora::cli
