#pragma once
// A session adapter that records what would have been done and never ends anything.

#include <string>
#include <vector>

#include "connect/session_adapter.h"

namespace vaultora::test {

class TRecordingSessionAdapter : public TSessionAdapter {
 public:
  bool EndSession(int flags) override {
    Calls.push_back("end " + std::to_string(flags));
    return true;
  }
  bool SetPowerState(TPoweroffState state, bool force) override {
    Calls.push_back(std::string(state == POS_RAMALIVE ? "suspend" : "hibernate") +
                    (force ? " forced" : ""));
    return true;
  }
  bool StartShellCommand(const std::string& command) override {
    Calls.push_back("shell " + command);
    return true;
  }
  std::vector<std::string> Calls;
};

}  // namespace vaultora::test
