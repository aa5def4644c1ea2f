#include "app/ui/online_windows.h"

#include "app/runtime/client_runtime.h"
#include "app/ui/animated_tray_icon.h"
#include "backupset/ui/available_backups_window.h"
#include "connect/runtime/dial_attempt.h"
#include "connect/ui/dialup_window.h"
#include "online/runtime/transfer_session.h"
#include "online/ui/transfer_window.h"
#include "platform/prompts.h"

namespace vaultora {

namespace {

const char* const kDoing[] = {"Deleting", "Sending", "Receiving", "Downloading available backups"};

template <class Window>
void Release(QPointer<Window>& window) {
  if (window) window->deleteLater();
  window = nullptr;
}

}  // namespace

TOnlineWindows::TOnlineWindows(TClientRuntime& runtime, TAnimatedTrayIcon& tray)
    : FRuntime(runtime), FTray(tray) {
  FRuntime.Host().OnItemToRegister = [this](const std::vector<uint8_t>& image) {
    ImageArrived(image);
  };
  TDialupLine& line = FRuntime.Line();
  line.OnAttemptShown = [this](TDialAttempt& attempt) { AttemptShown(attempt); };
  line.OnAttemptClosed = [this](TDialAttempt& attempt) { AttemptClosed(attempt); };
  line.OnLine = [this](const std::string&) {
    if (FDialup) FDialup->LineAdded();
  };
  FToolTip.setInterval(kToolTipMs);
  connect(&FToolTip, &QTimer::timeout, this, [this] { UpdateToolTip(); });
}

TOnlineWindows::~TOnlineWindows() {
  FToolTip.stop();
  FRuntime.Host().OnItemToRegister = nullptr;
  TDialupLine& line = FRuntime.Line();
  line.OnAttemptShown = nullptr;
  line.OnAttemptClosed = nullptr;
  line.OnLine = nullptr;
  // The runs go on without their windows until the runtime stops them.
  for (QPointer<TfrmTransfer>& window : FWindows)
    delete window.data();
  delete FDialup.data();
  delete FAvailable.data();
}

TfrmTransfer* TOnlineWindows::Window(TWorkKind kind) const {
  return FWindows[static_cast<size_t>(kind)];
}

TfrmDialup* TOnlineWindows::DialupWindow() const {
  return FDialup;
}

TfrmAvailableBackups* TOnlineWindows::AvailableBackupsWindow() const {
  return FAvailable;
}

void TOnlineWindows::Opening(TWorkKind kind) {
  QPointer<TfrmTransfer>& window = FWindows[static_cast<size_t>(kind)];
  if (!window) {
    TTransferHost& host = FRuntime.Host();
    window = new TfrmTransfer(kind, FRuntime.Store(), [&host, kind] { return host.Session(kind); });
    window->OnReleased = [this, kind](TfrmTransfer&) {
      Release(FWindows[static_cast<size_t>(kind)]);
    };
  }
  window->Started();
  FToolTip.start();
}

void TOnlineWindows::Line(TWorkKind kind, const std::string& line) {
  FLastLine = line;
  if (TfrmTransfer* window = Window(kind)) window->LineAdded();
  UpdateToolTip();
}

void TOnlineWindows::Closed(TWorkKind kind) {
  if (TfrmTransfer* window = Window(kind)) window->OperationClosed();
  if (!FRuntime.Host().AnyOpen()) FToolTip.stop();
  UpdateToolTip();
}

void TOnlineWindows::ShowHiddenTransfers() {
  for (QPointer<TfrmTransfer>& window : FWindows)
    if (window && window->RunOpen() && !window->isVisible()) window->show();
}

std::string TOnlineWindows::ToolTip() const {
  TTransferHost& host = FRuntime.Host();
  for (TWorkKind kind : {wkSend, wkReceive}) {
    const TTransferSession* session = host.Session(kind);
    if (session && session->Animating())
      return std::string(kApplicationTitle) + " - " + kDoing[kind] + " " +
             Format("%.0f %%", session->FileProgress());
  }
  for (TWorkKind kind : {wkDelete, wkRegistryUpdate})
    if (host.IsOpen(kind)) return std::string(kApplicationTitle) + " - " + kDoing[kind];
  return FLastLine.empty() ? kApplicationTitle : std::string(kApplicationTitle) + " - " + FLastLine;
}

void TOnlineWindows::UpdateToolTip() {
  FTray.SetToolTip(ToolTip());
}

void TOnlineWindows::ImageArrived(const std::vector<uint8_t>& image) {
  if (!FAvailable) {
    FAvailable = new TfrmAvailableBackups(FRuntime.Store());
    FAvailable->setAttribute(Qt::WA_DeleteOnClose);
    FAvailable->OnRegistered = [this] {
      if (OnRegistered) OnRegistered();
    };
  }
  FAvailable->AddImage(image);
  FAvailable->show();
  FAvailable->raise();
  FAvailable->activateWindow();
}

void TOnlineWindows::AttemptShown(TDialAttempt& attempt) {
  Release(FDialup);
  FDialup = new TfrmDialup(attempt);
  FDialup->show();
  FDialup->raise();
}

void TOnlineWindows::AttemptClosed(TDialAttempt& attempt) {
  if (FDialup) FDialup->Detach();
  Release(FDialup);
  if (attempt.Connected() && OnDialConnected) OnDialConnected();
}

}  // namespace vaultora
