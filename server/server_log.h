#pragma once
// TServerLog: one line per connection event and per command result, with the time in UTC.
// Thread-safe: the connection threads share one log.

#include <cstdio>
#include <mutex>
#include <string>

namespace vaultora::server {

class TServerLog {
 public:
  explicit TServerLog(std::FILE* out = stderr) : FOut(out) {}
  void Line(const std::string& text);

 private:
  std::FILE* FOut;
  std::mutex FMutex;  // keeps lines of different threads whole
};

}  // namespace vaultora::server
