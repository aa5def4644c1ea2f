#pragma once
// Every test program runs in a profile of its own: VAULTORA_HOME and the XDG folders point into
// a temporary folder made at start-up, so no test can touch a real profile. A test that needs a
// fresh profile of its own makes a TTestProfile, which switches VAULTORA_HOME for its scope.

#include <string>

#include "support/temp_folder.h"

namespace vaultora::test {

// Called by each test program's main before any test runs.
void IsolateTestRun();

class TTestProfile {
 public:
  TTestProfile();
  ~TTestProfile();
  // The profile folder with a trailing '/'.
  const std::string& Home() const { return FFolder.Path(); }

 private:
  TTempFolder FFolder;
  std::string FPrevious;
};

}  // namespace vaultora::test
