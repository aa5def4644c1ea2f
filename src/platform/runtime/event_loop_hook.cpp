#include "platform/runtime/event_loop_hook.h"

#include <QCoreApplication>
#include <QThread>

#include "platform/process_messages.h"

namespace vaultora {

void InstallEventLoopHook() {
  SetProcessMessagesHook([] {
    QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() == app->thread()) QCoreApplication::processEvents();
  });
}

}  // namespace vaultora
