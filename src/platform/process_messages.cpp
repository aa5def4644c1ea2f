#include "platform/process_messages.h"

#include <mutex>

namespace vaultora {

namespace {
std::mutex gHookMutex;  // guards gHook
std::function<void()> gHook;
}  // namespace

void SetProcessMessagesHook(std::function<void()> hook) {
  std::lock_guard<std::mutex> lock(gHookMutex);
  gHook = std::move(hook);
}

void ProcessMessages() {
  std::function<void()> hook;
  {
    std::lock_guard<std::mutex> lock(gHookMutex);
    hook = gHook;
  }
  if (hook) hook();
}

}  // namespace vaultora
