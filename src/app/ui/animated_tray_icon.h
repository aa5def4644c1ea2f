#pragma once
// TAnimatedTrayIcon: the program's icon in the notification area over QSystemTrayIcon, with a
// tooltip cut to what the platform takes, a menu, the click rules and an animation through a
// list of frames while transfers move data. Where the desktop has no notification area the icon
// is never shown and Available() says so; the main window then keeps itself reachable. Owner's
// (user-interface) thread only.

#include <QIcon>
#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>
#include <string>

class QMenu;
class QSystemTrayIcon;

namespace vaultora {

class TAnimatedTrayIcon : public QObject {
  Q_OBJECT
 public:
  // available: whether the desktop has a notification area.
  TAnimatedTrayIcon(QObject* owner, bool available);
  ~TAnimatedTrayIcon() override;

  bool Available() const { return FAvailable; }

  QIcon StillIcon() const { return FStillIcon; }
  void SetStillIcon(const QIcon& icon);  // empty: the application's icon
  void SetFrames(const QList<QIcon>& frames) { FFrames = frames; }
  const QList<QIcon>& Frames() const { return FFrames; }

  bool Active() const { return FActive; }
  void SetActive(bool value);
  bool Animate() const { return FAnimate; }
  void SetAnimate(bool value);
  int Interval() const { return FInterval; }
  // Negative values are refused; 0 means no animation timer.
  void SetInterval(int milliseconds);
  bool SeparateIcon() const { return FSeparateIcon; }
  void SetSeparateIcon(bool value) { FSeparateIcon = value; }

  QString ToolTip() const;  // as the platform has it: at most 63 characters
  void SetToolTip(const std::string& text);
  void SetPopupMenu(QMenu* menu);

  // The picture shown now and the index of the frame that the next update shows.
  QIcon CurrentIcon() const { return FCurrent; }
  int CurrentFrame() const { return FCurrentFrame; }
  int NextFrame() const { return FNextFrame; }
  bool TimerRunning() const { return FTimer.isActive(); }
  // One tick of the frame timer (the timer calls it; tests call it instead of waiting).
  void Tick() { ShowPicture(); }

  // A desktop notification beside the icon (nothing without a notification area).
  void ShowMessage(const QString& title, const QString& text, bool error);
  // "title: text" of the last notification given to the desktop.
  const QString& LastMessage() const { return FLastMessage; }

  // Program minimised or restored: with SeparateIcon false the icon exists only while minimised.
  void Minimized();
  void Restored();

  // A left click (OnClick when set, else the program is restored) and a double click.
  std::function<void()> OnClick;
  std::function<void()> OnDblClick;
  std::function<void()> OnRestore;
  // Clicks and messages go through here; tests call them as the platform would.
  void PlatformClick();
  void PlatformDoubleClick();

  QSystemTrayIcon* Icon() const { return FIcon; }

 private:
  void SwitchOn();
  void SwitchOff();
  void ShowPicture();
  bool MayShow() const;

  bool FAvailable;
  QSystemTrayIcon* FIcon;
  QTimer FTimer;
  QIcon FStillIcon;
  QList<QIcon> FFrames;
  QIcon FCurrent;
  bool FActive = false;
  bool FAnimate = false;
  bool FSeparateIcon = true;
  bool FMinimized = false;
  int FInterval = 250;
  int FNextFrame = 0;
  int FCurrentFrame = -1;
  std::string FToolTip;
  QString FLastMessage;
};

}  // namespace vaultora
