// The desktop client.
#include <QApplication>
#include <QMainWindow>

#include <cstring>

#include "platform/prompts.h"
#include "platform/runtime/event_loop_hook.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(vaultora::kApplicationTitle);
  vaultora::InstallEventLoopHook();

  QMainWindow window;
  window.setObjectName("frmMain");
  window.setWindowTitle(vaultora::kApplicationTitle);
  window.resize(800, 500);
  // "-StartupTray" as the first argument keeps the main window hidden.
  const bool startInTray = argc > 1 && std::strcmp(argv[1], "-StartupTray") == 0;
  if (!startInTray) window.show();
  return QApplication::exec();
}
