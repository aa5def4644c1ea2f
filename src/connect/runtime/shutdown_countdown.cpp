#include "connect/runtime/shutdown_countdown.h"

#include <QTimer>

#include "platform/system_names.h"
#include "settings/ini_registry_editor.h"
#include "settings/preferences.h"
#include "settings/registry_keys.h"

namespace vaultora {

namespace k = keys::setting;

namespace {

constexpr const char* kCountdownLabels[kShutDownChoiceCount] = {
    "Seconds till standby.", "Seconds till shut down.", "Seconds till restart.",
    "Seconds till restart shell execute.", "Seconds till Log off."};

}  // namespace

TShutDownCountdown::TShutDownCountdown(TIniRegistryEditor& store, TShutDownItercept& intercept)
    : FStore(store), FIntercept(intercept) {}

TShutDownCountdown::~TShutDownCountdown() = default;

void TShutDownCountdown::Load() {
  const std::optional<std::string> shellCommand = ReadStoredSetting(FStore, k::ShellCommand);
  FHaveShellCommand = shellCommand.has_value();
  FShellCommand = shellCommand.value_or("");
  FSecondsLeft = ReadSetting(FStore, k::ShutdownTimeout);
  int stored = ReadSetting(FStore, k::ShutDownWin);
  // A stored choice that is not offered (out of range, or the hidden shell option) falls back
  // to shutting down rather than leaving nothing selected.
  if (stored < 0 || stored >= kShutDownChoiceCount ||
      !OptionVisible(static_cast<TShutDownChoice>(stored)))
    stored = scShutDown;
  Select(static_cast<TShutDownChoice>(stored));
}

std::string TShutDownCountdown::OptionLabel(TShutDownChoice choice) const {
  switch (choice) {
    case scStandby:
      return "Standby";
    case scShutDown:
      return "Shut down";
    case scRestart:
      return "Restart";
    case scShellCommand:
      return FHaveShellCommand ? "Restart in Shell \"" + FShellCommand + "\""
                               : "Execute shell command";
    case scLogOff:
      return "Log off " + UserName() + "...";
  }
  return "";
}

bool TShutDownCountdown::OptionVisible(TShutDownChoice choice) const {
  return choice != scShellCommand || FHaveShellCommand;
}

void TShutDownCountdown::Select(TShutDownChoice choice) {
  FSelected = choice;
  WriteSetting(FStore, k::ShutDownWin, choice);
  FIntercept.SelectedShutDown = ShutDownSetOfChoice(choice);
  FLabel = kCountdownLabels[choice];
}

void TShutDownCountdown::Start() {
  FRunning = true;
  if (!FTimer) {
    FTimer = std::make_unique<QTimer>();
    QObject::connect(FTimer.get(), &QTimer::timeout, [this] { Step(); });
  }
  FTimer->start(1000);
  if (OnSecond) OnSecond(*this);
}

void TShutDownCountdown::Step() {
  if (!FRunning) return;
  if (FSecondsLeft > 0) --FSecondsLeft;
  if (OnSecond) OnSecond(*this);
  if (FSecondsLeft <= 0) Finish();
}

void TShutDownCountdown::Ok() {
  if (FRunning) Finish();
}

void TShutDownCountdown::ShutDown() {
  Select(scShutDown);
  Ok();
}

void TShutDownCountdown::Cancel() {
  Stop();
  FIntercept.SelectedShutDown = {};
  if (OnClose) OnClose(*this, false);
}

void TShutDownCountdown::Stop() {
  FRunning = false;
  if (FTimer) FTimer->stop();
}

void TShutDownCountdown::Finish() {
  Stop();
  FIntercept.ShellCommand = ReadStoredSetting(FStore, k::ShellCommand).value_or("");
  if (FIntercept.SelectedShutDown.Empty())
    FIntercept.SelectedShutDown = ShutDownSetOfChoice(scShutDown);
  if (OnClose) OnClose(*this, true);
}

}  // namespace vaultora
