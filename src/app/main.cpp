// The desktop client.
#include <QApplication>
#include <QSystemTrayIcon>

#include "app/runtime/main_window_rules.h"
#include "app/ui/main_window.h"
#include "app/ui/splash_window.h"
#include "controls/message_box_prompts.h"
#include "platform/prompts.h"
#include "platform/runtime/event_loop_hook.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(vaultora::kApplicationTitle);
  QApplication::setDesktopFileName("vaultora");
  // The program lives on in the notification area when its window is hidden.
  QApplication::setQuitOnLastWindowClosed(false);
  vaultora::InstallEventLoopHook();
  vaultora::TMessageBoxPrompts prompts;

  vaultora::TMainWindowOptions options;
  options.ProgramPath = QCoreApplication::applicationFilePath().toStdString();
  options.TrayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
  vaultora::TfrmMain window(options);
  QObject::connect(&window, &vaultora::TfrmMain::Closed, &app, &QApplication::quit);
  vaultora::ShowSplash();
  window.ShowAtStartup(vaultora::StartsInTray(argc, argv));
  return QApplication::exec();
}
