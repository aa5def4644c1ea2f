#include "server/logon_guard.h"

#include <algorithm>
#include <array>

namespace vaultora::server {

namespace {

constexpr int kDaySeconds = 86400;
constexpr int kQuarterHour = 900;
constexpr std::time_t kEarliestZone = -12 * 3600;
constexpr std::time_t kLatestZone = 14 * 3600;
constexpr int kKeyToCode = 180;  // the longest a client takes from the key to the time code

// Three two-digit fields; none unless the text is exactly six digits.
std::optional<std::array<int, 3>> Fields(const std::string& text) {
  if (text.size() != 6) return std::nullopt;
  std::array<int, 3> fields{};
  for (size_t i = 0; i < 6; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    fields[i / 2] = fields[i / 2] * 10 + (text[i] - '0');
  }
  return fields;
}

}  // namespace

std::optional<TLogonMoment> ReadLogonMoment(const std::string& keyTime,
                                            const std::string& timeCode) {
  const auto key = Fields(keyTime);
  const auto code = Fields(timeCode);
  if (!key || !code) return std::nullopt;
  const auto [keyDay, keyHour, keyMinute] = *key;
  const auto [codeMinute, codeSecond, codeDay] = *code;
  if (keyDay < 1 || keyDay > 31 || keyHour > 23 || keyMinute > 59 || codeMinute > 59 ||
      codeSecond > 59 || codeDay < 1 || codeDay > 31)
    return std::nullopt;
  // How far into the hour after the key's minute began the time code was made.
  const int after = ((codeMinute * 60 + codeSecond) - keyMinute * 60 + 3600) % 3600;
  if (after >= kKeyToCode) return std::nullopt;
  int second = keyHour * 3600 + keyMinute * 60 + after;
  if (second < kDaySeconds) {
    if (codeDay != keyDay) return std::nullopt;
    return TLogonMoment{keyDay, second};
  }
  // Made across midnight: the code names the next day.
  second -= kDaySeconds;
  if (codeDay != keyDay + 1 && codeDay != 1) return std::nullopt;
  return TLogonMoment{codeDay, second};
}

bool WithinLogonWindow(const TLogonMoment& moment, std::time_t utcNow, int windowSeconds) {
  // The client's date is the server's UTC date, the day before or the day after.
  for (const int shift : {-1, 0, 1}) {
    const std::time_t day = utcNow + static_cast<std::time_t>(shift) * kDaySeconds;
    std::tm parts{};
    if (gmtime_r(&day, &parts) == nullptr || parts.tm_mday != moment.Day) continue;
    const std::time_t midnight = day - (parts.tm_hour * 3600 + parts.tm_min * 60 + parts.tm_sec);
    const std::time_t offset = midnight + moment.Second - utcNow;  // the zone, plus skew
    if (offset < kEarliestZone - windowSeconds || offset > kLatestZone + windowSeconds) continue;
    const std::time_t rest = ((offset % kQuarterHour) + kQuarterHour) % kQuarterHour;
    if (std::min<std::time_t>(rest, kQuarterHour - rest) <= windowSeconds) return true;
  }
  return false;
}

bool TLogonGuard::InWindow(const TLogonMoment& moment, std::time_t utcNow) const {
  return FWindow <= 0 || WithinLogonWindow(moment, utcNow, FWindow);
}

bool TLogonGuard::FirstUse(const std::string& who, const TLogonMoment& moment, std::time_t utcNow) {
  const std::string key =
      who + '\x1F' + std::to_string(moment.Day) + ':' + std::to_string(moment.Second);
  std::lock_guard<std::mutex> lock(FMutex);
  while (!FOrder.empty() &&
         (FOrder.front().first + kMemorySeconds < utcNow || FOrder.size() > kMaxRemembered)) {
    FSeen.erase(FOrder.front().second);
    FOrder.pop_front();
  }
  if (!FSeen.insert(key).second) return false;
  FOrder.emplace_back(utcNow, key);
  return true;
}

}  // namespace vaultora::server
