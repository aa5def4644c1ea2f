#pragma once
// The countdown of "Shut Down Windows" without its window: the choices with their labels, the
// choice written back to the options, the seconds left, and the end that hands the chosen set to
// the interceptor. The window (or the command-line client) shows what this reports. Used on the
// owner's thread; Start drives Step once a second with a Qt timer.

#include <functional>
#include <memory>
#include <string>

#include "connect/runtime/shutdown_intercept.h"

class QTimer;

namespace vaultora {

class TIniRegistryEditor;

class TShutDownCountdown {
 public:
  static constexpr const char* kCaption = "Shut Down Windows";
  static constexpr const char* kQuestion = "What do you want the computer to do ?";

  TShutDownCountdown(TIniRegistryEditor& store, TShutDownItercept& intercept);
  ~TShutDownCountdown();

  // Reads ShutDownWin, ShutdownTimeout and ShellCommand and preselects the stored choice.
  void Load();

  std::string OptionLabel(TShutDownChoice choice) const;
  // The shell option is hidden while no shell command is stored.
  bool OptionVisible(TShutDownChoice choice) const;
  TShutDownChoice Selected() const { return FSelected; }
  // Writes the choice to ShutDownWin and gives the interceptor its set.
  void Select(TShutDownChoice choice);
  const std::string& CountdownLabel() const { return FLabel; }
  int SecondsLeft() const { return FSecondsLeft; }

  void Start();  // one Step a second until the end
  void Step();   // a second has passed
  void Ok();     // ends the countdown now
  void ShutDown();
  void Cancel();  // stops, clears the set and closes

  bool Running() const { return FRunning; }

  std::function<void(TShutDownCountdown& sender)> OnSecond;
  // The countdown ended (ended = true: the main window closes, then Execute) or was cancelled.
  std::function<void(TShutDownCountdown& sender, bool ended)> OnClose;

 private:
  void Finish();
  void Stop();

  TIniRegistryEditor& FStore;
  TShutDownItercept& FIntercept;
  TShutDownChoice FSelected = scShutDown;
  bool FHaveShellCommand = false;
  std::string FShellCommand;
  std::string FLabel;
  int FSecondsLeft = 0;
  bool FRunning = false;
  std::unique_ptr<QTimer> FTimer;
};

// After Execute the program goes on running only after a standby.
inline bool KeepsProgramRunning(const TShutDownItercept& intercept) {
  return intercept.SelectedShutDown.Has(SDX_POWEROFF);
}

}  // namespace vaultora
