#pragma once
// TLogonGuard: the server's check of when a logon was made. A logon carries the client's local
// time twice: "ddhhnn" in the logon key (inside the envelope) and "nnssdd" in the time code.
// Together they give the day of the month and the time of day to the second. The server accepts
// a logon whose time, read in some time zone (whole quarter hours from UTC-12 to UTC+14, so no
// client has to change its clock), lies within the window of its own clock, and refuses a
// logon time of the same account, computer and user that it accepted within the last 26 hours,
// so a captured logon cannot be sent again. Thread-safe.

#include <cstdint>
#include <ctime>
#include <deque>
#include <mutex>
#include <optional>
#include <set>
#include <string>

namespace vaultora::server {

// The client's local time of a logon: day of the month and second of the day.
struct TLogonMoment {
  int Day = 0;
  int Second = 0;
  bool operator==(const TLogonMoment&) const = default;
};

// The moment from the key's "ddhhnn" and the unscrambled time code "nnssdd"; none when either is
// malformed or the two disagree (the code is made within three minutes after the key).
std::optional<TLogonMoment> ReadLogonMoment(const std::string& keyTime,
                                            const std::string& timeCode);

// True when the moment is the local time of utcNow, give or take windowSeconds, in a time zone
// of whole quarter hours between UTC-12 and UTC+14.
bool WithinLogonWindow(const TLogonMoment& moment, std::time_t utcNow, int windowSeconds);

class TLogonGuard {
 public:
  static constexpr int kDefaultWindowSeconds = 120;
  static constexpr std::time_t kMemorySeconds = 26 * 3600;
  static constexpr size_t kMaxRemembered = 200000;

  // A window of 0 turns the clock check off; the check for a repeated logon stays.
  explicit TLogonGuard(int windowSeconds) : FWindow(windowSeconds) {}
  int WindowSeconds() const { return FWindow; }

  bool InWindow(const TLogonMoment& moment, std::time_t utcNow) const;
  // Records the accepted logon of `who` at the moment; false when it was accepted before.
  bool FirstUse(const std::string& who, const TLogonMoment& moment, std::time_t utcNow);

 private:
  int FWindow;
  std::mutex FMutex;
  std::set<std::string> FSeen;  // who and moment of each remembered logon
  std::deque<std::pair<std::time_t, std::string>> FOrder;
};

}  // namespace vaultora::server
