#pragma once
// TfrmTransfer: the window of one kind of online transfer (upload, download, delete on the
// server, available-backups download). It is a view of the transfer session of its kind (the
// transfer host's, reached through a getter that gives nullptr once the run has closed), never
// its owner: the host keeps the session bound to the component from the start of the run to its
// close, so closing, hiding or destroying this window mid-run leaves the run going to its end
// with the component's events still handled. The window shows the session's status lines,
// its labels (read at most every kRefreshMs, with the speed and time left beside the percent),
// an animation while data moves, and offers Stop (then Close), Hide and "Disconnect when
// &finished". User-interface thread only.

#include <QDialog>
#include <QIcon>
#include <QList>
#include <QTimer>

#include <functional>

#include "app/runtime/work_queue.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;

namespace vaultora {

class TIniRegistryEditor;
class TTransferSession;

class TfrmTransfer : public QDialog {
  Q_OBJECT
 public:
  // How often the labels follow the session while the window shows.
  static constexpr int kRefreshMs = 250;
  static constexpr int kAnimationMs = 750;

  using TSessionGetter = std::function<TTransferSession*()>;

  TfrmTransfer(TWorkKind kind, TIniRegistryEditor& store, TSessionGetter session,
               QWidget* parent = nullptr);
  ~TfrmTransfer() override;

  TWorkKind Kind() const { return FKind; }

  // The transfer opened or restarted: the window comes to the front in stop mode and shows
  // what the session holds.
  void Started();
  // The session added a line.
  void LineAdded();
  // The operation closed: the button becomes Close, Hide goes grey, and the window closes by
  // itself when the run left no error mark.
  void OperationClosed();
  // Reads the session's labels now (the refresh timer does it every kRefreshMs).
  void Refresh();

  // Mode of the Stop/Close button: true while it stops the run.
  bool StopMode() const { return FStopMode; }
  bool Animating() const { return FAnimation.isActive(); }
  // Between Started and OperationClosed.
  bool RunOpen() const { return FOpen; }

  // The window closed (by the user, by Close or by itself); the owner frees it.
  std::function<void(TfrmTransfer& window)> OnReleased;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;  // Escape hides rather than closing mid-run

 private:
  TTransferSession* Session() const;
  void ButtonPressed();
  void SyncLines();
  void Tick();
  void SetAnimating(bool on);

  TWorkKind FKind;
  TIniRegistryEditor& FStore;
  TSessionGetter FSession;
  bool FStopMode = true;
  bool FOpen = false;  // between Started and OperationClosed
  int FStep = 0;
  QTimer FRefresh;
  QTimer FAnimation;
  QList<QIcon> FPictures;

  QLabel* FConnection = nullptr;
  QLabel* FStatus = nullptr;
  QLabel* FPercent = nullptr;
  QLabel* FRate = nullptr;
  QLabel* FCount = nullptr;
  QLabel* FPicture = nullptr;
  QPushButton* FButton = nullptr;
  QPushButton* FHide = nullptr;
  QTreeWidget* FLines = nullptr;
  QCheckBox* FDisconnect = nullptr;
  QProgressBar* FProgress = nullptr;
  QPlainTextEdit* FDeletions = nullptr;
};

}  // namespace vaultora
