#include "server/server_log.h"

#include <ctime>

namespace vaultora::server {

void TServerLog::Line(const std::string& text) {
  if (FOut == nullptr) return;
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &utc);
  std::lock_guard<std::mutex> lock(FMutex);
  std::fprintf(FOut, "%s %s\n", stamp, text.c_str());
  std::fflush(FOut);
}

}  // namespace vaultora::server
