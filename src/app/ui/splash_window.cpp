#include "app/ui/splash_window.h"

#include <QDialog>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include "app/ui/app_icons.h"
#include "platform/prompts.h"

namespace vaultora {

std::unique_ptr<QDialog> CreateSplash() {
  auto owned = std::make_unique<QDialog>(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint);
  QDialog& splash = *owned;
  splash.setObjectName("frmSplash");
  splash.setStyleSheet(
      "QDialog { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, "
      "stop:0 #2a8fb0, stop:1 #15556e); } QLabel { color: white; }");
  auto* picture = new QLabel;
  picture->setPixmap(ApplicationIcon().pixmap(128, 128));
  picture->setAlignment(Qt::AlignCenter);
  auto* name = new QLabel(
      QString("<h1>%1</h1><p>Online backup</p>").arg(QString::fromUtf8(kApplicationTitle)));
  name->setAlignment(Qt::AlignCenter);
  auto* layout = new QVBoxLayout(&splash);
  layout->addWidget(picture);
  layout->addWidget(name);
  splash.resize(360, 260);
  return owned;
}

void ShowSplash(int milliseconds) {
  const std::unique_ptr<QDialog> splash = CreateSplash();
  QTimer::singleShot(milliseconds, splash.get(), &QDialog::accept);
  splash->exec();
}

}  // namespace vaultora
