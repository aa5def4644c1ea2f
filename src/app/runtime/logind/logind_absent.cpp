// Built when Qt's D-Bus module is not there: the program runs without the login manager.
#include "app/runtime/login_manager.h"

namespace vaultora {

std::unique_ptr<TLoginManager> SystemLoginManager() {
  return nullptr;
}

std::unique_ptr<TLoginManager> LoginManagerAt(const std::string&) {
  return nullptr;
}

}  // namespace vaultora
