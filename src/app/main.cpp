// The desktop client.
#include <QApplication>
#include <QSystemTrayIcon>

#include <cstdio>
#include <cstring>

#include "app/runtime/login_manager.h"
#include "app/runtime/main_window_rules.h"
#include "app/ui/main_window.h"
#include "app/ui/splash_window.h"
#include "controls/message_box_prompts.h"
#include "platform/prompts.h"
#include "platform/runtime/event_loop_hook.h"
#include "vaultora_version.h"

namespace {

// --help and --version are answered before the application object exists, so that they work
// without a display. Returns the exit status, or -1 to start the client.
int AnswerWithoutDisplay(int argc, char** argv) {
  if (argc < 2) return -1;
  if (std::strcmp(argv[1], "--version") == 0) {
    std::printf("vaultora %s\n", VAULTORA_VERSION);
    return 0;
  }
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    std::printf(
        "Usage: vaultora [-StartupTray]\n\n"
        "The Vaultora desktop backup client. The profile is $VAULTORA_HOME when set, else the XDG\n"
        "folders of the user; vaultora-cli does the same work from a terminal.\n\n"
        "  -StartupTray   start in the tray, the main window hidden\n"
        "  --help         this text\n"
        "  --version      the program's version\n");
    return 0;
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (const int status = AnswerWithoutDisplay(argc, argv); status >= 0) return status;
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
  options.LoginManager = vaultora::SystemLoginManager;
  vaultora::TfrmMain window(options);
  QObject::connect(&window, &vaultora::TfrmMain::Closed, &app, &QApplication::quit);
  vaultora::ShowSplash();
  window.ShowAtStartup(vaultora::StartsInTray(argc, argv));
  return QApplication::exec();
}
