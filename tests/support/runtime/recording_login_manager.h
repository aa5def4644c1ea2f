#pragma once
// A login manager that records the locks asked for and released into a log of the test's, and
// lets the test send its signals or refuse the next lock.

#include <memory>
#include <string>
#include <vector>

#include "app/runtime/login_manager.h"

namespace vaultora::test {

class TRecordingLoginManager : public TLoginManager {
 public:
  explicit TRecordingLoginManager(std::vector<std::string>& log) : FLog(log) {}

  std::unique_ptr<TInhibitLock> Inhibit(const TInhibitRequest& request) override {
    FLog.push_back("lock " + request.What + " " + request.Mode);
    LastRequest = request;
    auto lock = std::make_unique<TLock>(FLog, request.What);
    if (!Refusal.empty() && OnError) OnError(Refusal);
    return lock;
  }

  TInhibitRequest LastRequest;
  std::string Refusal;  // non-empty: the next locks are refused with this text

 private:
  class TLock : public TInhibitLock {
   public:
    TLock(std::vector<std::string>& log, std::string what) : FLog(log), FWhat(std::move(what)) {}
    ~TLock() override { FLog.push_back("release " + FWhat); }

   private:
    std::vector<std::string>& FLog;
    std::string FWhat;
  };
  std::vector<std::string>& FLog;
};

}  // namespace vaultora::test
