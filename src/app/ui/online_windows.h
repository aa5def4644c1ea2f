#pragma once
// TOnlineWindows: the main window's windows of online work. It opens the transfer window of each
// kind when the runtime opens that transfer (or brings it back when it restarts), passes each
// status line and the close of the operation on to it, shows the "Dialup Connection" window for
// every dial attempt and the "Available Backups" window for the images the available-backups
// download brings, and keeps the notification icon's tooltip on the running transfer's percent.
// Every window is a view: the runtime owns the runs, the attempts and the import's records, so a
// window may be closed at any time. Windows are freed with deleteLater and held by QPointer, so
// no deferred event reaches a window that went. User-interface thread only.

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <array>
#include <functional>
#include <string>

#include "app/runtime/work_queue.h"

class QWidget;

namespace vaultora {

class TAnimatedTrayIcon;
class TClientRuntime;
class TDialAttempt;
class TfrmAvailableBackups;
class TfrmDialup;
class TfrmTransfer;

class TOnlineWindows : public QObject {
  Q_OBJECT
 public:
  // How often the tooltip follows the running transfer.
  static constexpr int kToolTipMs = 500;

  TOnlineWindows(TClientRuntime& runtime, TAnimatedTrayIcon& tray);
  ~TOnlineWindows() override;

  // The runtime's events, passed on by the main window.
  void Opening(TWorkKind kind);
  void Line(TWorkKind kind, const std::string& line);
  void Closed(TWorkKind kind);

  TfrmTransfer* Window(TWorkKind kind) const;
  TfrmDialup* DialupWindow() const;
  TfrmAvailableBackups* AvailableBackupsWindow() const;

  // The program is brought back: transfer windows hidden mid-run come back with it.
  void ShowHiddenTransfers();

  // "Vaultora - Sending 45 %" while data moves, else "Vaultora - " and the last line.
  std::string ToolTip() const;

  // Backups were entered into the catalogue from the "Available Backups" window.
  std::function<void()> OnRegistered;
  // A dial-up window closed with the line up.
  std::function<void()> OnDialConnected;

 private:
  void ImageArrived(const std::vector<uint8_t>& image);
  void AttemptShown(TDialAttempt& attempt);
  void AttemptClosed(TDialAttempt& attempt);
  void UpdateToolTip();

  TClientRuntime& FRuntime;
  TAnimatedTrayIcon& FTray;
  std::array<QPointer<TfrmTransfer>, 4> FWindows;
  QPointer<TfrmDialup> FDialup;
  QPointer<TfrmAvailableBackups> FAvailable;
  std::string FLastLine;
  QTimer FToolTip;
};

}  // namespace vaultora
