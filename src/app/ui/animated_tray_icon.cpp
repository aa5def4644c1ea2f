#include "app/ui/animated_tray_icon.h"

#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>

#include "app/runtime/main_window_rules.h"

namespace vaultora {

TAnimatedTrayIcon::TAnimatedTrayIcon(QObject* owner, bool available)
    : QObject(owner), FAvailable(available), FIcon(new QSystemTrayIcon(this)) {
  FIcon->setObjectName("trayIcon");
  connect(&FTimer, &QTimer::timeout, this, [this] { ShowPicture(); });
  connect(FIcon, &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger) PlatformClick();
            if (reason == QSystemTrayIcon::DoubleClick) PlatformDoubleClick();
          });
}

TAnimatedTrayIcon::~TAnimatedTrayIcon() {
  SwitchOff();
}

bool TAnimatedTrayIcon::MayShow() const {
  return FActive && (FMinimized || FSeparateIcon);
}

void TAnimatedTrayIcon::ShowPicture() {
  if (!MayShow()) return;
  if (FNextFrame >= FFrames.size()) FNextFrame = 0;
  const bool frame = FAnimate && !FFrames.isEmpty();
  QIcon picture = frame ? FFrames[FNextFrame] : FStillIcon;
  if (picture.isNull()) picture = QApplication::windowIcon();
  FCurrent = picture;
  FCurrentFrame = frame ? FNextFrame : -1;
  FIcon->setIcon(picture);
  if (FAvailable && !FIcon->isVisible()) FIcon->show();
  ++FNextFrame;
}

void TAnimatedTrayIcon::SwitchOn() {
  FNextFrame = 0;
  FTimer.stop();
  // Animated, the frames come with the ticks; otherwise the picture is shown once.
  if (FAnimate && FInterval > 0)
    FTimer.start(FInterval);
  else
    ShowPicture();
}

void TAnimatedTrayIcon::SwitchOff() {
  FTimer.stop();
  FIcon->hide();
}

void TAnimatedTrayIcon::SetActive(bool value) {
  FActive = value;
  if (value)
    SwitchOn();
  else
    SwitchOff();
}

void TAnimatedTrayIcon::SetStillIcon(const QIcon& icon) {
  FStillIcon = icon;
  if (FActive) SwitchOn();
}

void TAnimatedTrayIcon::SetAnimate(bool value) {
  if (value == FAnimate && (value == FTimer.isActive())) return;
  FAnimate = value;
  if (FActive) SwitchOn();
}

void TAnimatedTrayIcon::SetInterval(int milliseconds) {
  if (milliseconds < 0) return;
  FInterval = milliseconds;
  if (FActive && FAnimate) SwitchOn();
}

QString TAnimatedTrayIcon::ToolTip() const {
  return FIcon->toolTip();
}

void TAnimatedTrayIcon::SetToolTip(const std::string& text) {
  FToolTip = text;
  FIcon->setToolTip(QString::fromStdString(TrayToolTipText(text)));
}

void TAnimatedTrayIcon::SetPopupMenu(QMenu* menu) {
  FIcon->setContextMenu(menu);
}

void TAnimatedTrayIcon::ShowMessage(const QString& title, const QString& text, bool error) {
  if (!FAvailable) return;
  FLastMessage = title + ": " + text;
  if (FIcon->isVisible())
    FIcon->showMessage(title, text,
                       error ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information);
}

void TAnimatedTrayIcon::Minimized() {
  if (!FActive) return;
  FMinimized = true;
  SwitchOn();
}

void TAnimatedTrayIcon::Restored() {
  if (!FActive) return;
  FMinimized = false;
  if (!FSeparateIcon) SwitchOff();
  if (OnRestore) OnRestore();
}

void TAnimatedTrayIcon::PlatformClick() {
  // While the program's windows show, an icon that exists only when minimised takes no clicks.
  if (!FSeparateIcon && !FMinimized) return;
  if (OnClick)
    OnClick();
  else if (OnRestore)
    OnRestore();
}

void TAnimatedTrayIcon::PlatformDoubleClick() {
  if (!FSeparateIcon && !FMinimized) return;
  if (OnDblClick) OnDblClick();
}

}  // namespace vaultora
