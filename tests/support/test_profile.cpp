#include "support/test_profile.h"

#include <cstdlib>

namespace vaultora::test {

void IsolateTestRun() {
  static TTempFolder* run = new TTempFolder();  // removed by the system's temporary clean-up
  setenv("VAULTORA_HOME", (run->Path() + "home").c_str(), 1);
  setenv("XDG_DATA_HOME", (run->Path() + "xdg-data").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (run->Path() + "xdg-config").c_str(), 1);
  setenv("HOME", (run->Path() + "user").c_str(), 1);
}

TTestProfile::TTestProfile() {
  const char* previous = std::getenv("VAULTORA_HOME");
  FPrevious = previous ? previous : "";
  setenv("VAULTORA_HOME", FFolder.Path().c_str(), 1);
}

TTestProfile::~TTestProfile() {
  setenv("VAULTORA_HOME", FPrevious.c_str(), 1);
}

}  // namespace vaultora::test
