#include "platform/date_time.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vaultora {

namespace {

constexpr double kMillisecondsPerDay = 86400000.0;

// Days from 1970-01-01 of a proleptic Gregorian civil date (Howard Hinnant's algorithm).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long yy = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}

const long long kEpochOffset = DaysFromCivil(1899, 12, 30);  // day 0 relative to 1970

}  // namespace

bool IsValidDate(int year, int month, int day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month);
}

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

TDateTime EncodeDate(int year, int month, int day) {
  return static_cast<double>(
      DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kEpochOffset);
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
  return ((hour * 60.0 + minute) * 60.0 * 1000.0 + second * 1000.0 + millisecond) /
         kMillisecondsPerDay;
}

TDateTime EncodeDateTime(const TDateParts& p) {
  const double day = EncodeDate(p.year, p.month, p.day);
  const double time = EncodeTime(p.hour, p.minute, p.second, p.millisecond);
  // Before day 0 the fraction still counts forward from midnight, as the format defines.
  return day >= 0 ? day + time : day - time;
}

TDateParts DecodeDateTime(TDateTime value) {
  TDateParts p;
  // Work in whole milliseconds so that 0.99999999 rounds into the next day consistently.
  long long ms = std::llround(std::fabs(value) * kMillisecondsPerDay);
  long long days = ms / 86400000LL;
  long long msOfDay = ms % 86400000LL;
  if (value < 0) days = -days;
  CivilFromDays(days + kEpochOffset, p.year, p.month, p.day);
  p.hour = static_cast<int>(msOfDay / 3600000);
  p.minute = static_cast<int>(msOfDay / 60000 % 60);
  p.second = static_cast<int>(msOfDay / 1000 % 60);
  p.millisecond = static_cast<int>(msOfDay % 1000);
  return p;
}

int DayOfWeek(TDateTime value) {
  // 1899-12-30 was a Saturday (7).
  long long day = static_cast<long long>(std::floor(value));
  long long r = (day + 6) % 7;
  if (r < 0) r += 7;
  return static_cast<int>(r) + 1;
}

TDateTime UnixToDateTime(std::time_t seconds, long nanoseconds) {
  std::tm local{};
  localtime_r(&seconds, &local);
  TDateParts p{local.tm_year + 1900,
               local.tm_mon + 1,
               local.tm_mday,
               local.tm_hour,
               local.tm_min,
               local.tm_sec,
               static_cast<int>(nanoseconds / 1000000)};
  return EncodeDateTime(p);
}

namespace {

// The parts as mktime takes them, leaving it to find whether summer time applies.
std::tm LocalParts(const TDateParts& p) {
  std::tm local{};
  local.tm_year = p.year - 1900;
  local.tm_mon = p.month - 1;
  local.tm_mday = p.day;
  local.tm_hour = p.hour;
  local.tm_min = p.minute;
  local.tm_sec = p.second;
  local.tm_isdst = -1;
  return local;
}

}  // namespace

std::time_t DateTimeToUnix(TDateTime value) {
  std::tm local = LocalParts(DecodeDateTime(value));
  return std::mktime(&local);
}

namespace {

// Whether the local clocks show these parts on their day: mktime moves a skipped time on.
bool LocalTimeShown(const TDateParts& p) {
  std::tm local = LocalParts(p);
  const std::time_t t = std::mktime(&local);
  std::tm back{};
  if (t == static_cast<std::time_t>(-1) || !localtime_r(&t, &back)) return true;
  return back.tm_year == p.year - 1900 && back.tm_mon == p.month - 1 && back.tm_mday == p.day &&
         back.tm_hour == p.hour && back.tm_min == p.minute;
}

// Clock changes move the clocks by at most a few hours.
constexpr int kLongestSkipMinutes = 3 * 60;

}  // namespace

TDateTime ShownLocalTime(TDateTime local) {
  const TDateParts p = DecodeDateTime(local);
  if (LocalTimeShown(p)) return local;
  const TDateTime minuteStart = local - EncodeTime(0, 0, p.second, p.millisecond);
  for (int minutes = 1; minutes <= kLongestSkipMinutes; ++minutes) {
    const TDateTime later = minuteStart + EncodeTime(0, minutes, 0);
    if (LocalTimeShown(DecodeDateTime(later))) return later;
  }
  return local;
}

TDateTime Now() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
  return UnixToDateTime(static_cast<std::time_t>(ns / 1000000000LL),
                        static_cast<long>(ns % 1000000000LL));
}

TDateTime Date() {
  return std::floor(Now());
}

TDateTime Time() {
  const double now = Now();
  return now - std::floor(now);
}

std::string DateTimeText(TDateTime value) {
  const TDateParts p = DecodeDateTime(value);
  int hour12 = p.hour % 12;
  if (hour12 == 0) hour12 = 12;
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d %02d:%02d:%02d %s", p.day, p.month, p.year,
                hour12, p.minute, p.second, p.hour < 12 ? "AM" : "PM");
  return buffer;
}

namespace {

// The broken-down local time of a day number, with its offset from UTC filled in.
std::tm LocalPartsWithOffset(TDateTime value) {
  std::tm parts = LocalParts(DecodeDateTime(value));
  std::tm normal = parts;
  if (std::mktime(&normal) != static_cast<std::time_t>(-1)) {
    parts.tm_gmtoff = normal.tm_gmtoff;
    parts.tm_isdst = normal.tm_isdst;
    parts.tm_wday = normal.tm_wday;
    parts.tm_yday = normal.tm_yday;
  }
  return parts;
}

}  // namespace

std::string IsoDateTimeText(TDateTime value) {
  const std::tm parts = LocalPartsWithOffset(value);
  const int offset = static_cast<int>(parts.tm_gmtoff / 60 % (24 * 60));
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d",
                parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min,
                parts.tm_sec, offset < 0 ? '-' : '+', std::abs(offset) / 60, std::abs(offset) % 60);
  return buffer;
}

std::string PatternDateTimeText(TDateTime value, const std::string& pattern) {
  const std::tm parts = LocalPartsWithOffset(value);
  char buffer[256];
  const size_t written = std::strftime(buffer, sizeof buffer, pattern.c_str(), &parts);
  return written > 0 ? std::string(buffer, written) : IsoDateTimeText(value);
}

std::string FloatToText(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  // %.15g is locale dependent only in the separator; normalise it.
  for (char* c = buffer; *c; ++c)
    if (*c == ',') *c = '.';
  // Exponent as "E-5" rather than "e-05".
  char* e = std::strchr(buffer, 'e');
  if (!e) return buffer;
  std::string mantissa(buffer, e);
  int exponent = std::atoi(e + 1);
  return mantissa + "E" + std::to_string(exponent);
}

bool TextToFloat(std::string_view text, double& value) {
  if (text.empty()) return false;
  std::string_view body = text;
  if (body.front() == '+') body.remove_prefix(1);
  double parsed = 0;
  auto [ptr, ec] = std::from_chars(body.data(), body.data() + body.size(), parsed);
  if (ec != std::errc() || ptr != body.data() + body.size() || body.empty()) return false;
  value = parsed;
  return true;
}

uint32_t DateTimeToDosDateTime(TDateTime value) {
  TDateParts p = DecodeDateTime(value);
  if (p.year < 1980) p = TDateParts{1980, 1, 1, 0, 0, 0, 0};
  if (p.year > 2107) p = TDateParts{2107, 12, 31, 23, 59, 58, 0};
  const uint32_t date = static_cast<uint32_t>(((p.year - 1980) << 9) | (p.month << 5) | p.day);
  const uint32_t time = static_cast<uint32_t>((p.hour << 11) | (p.minute << 5) | (p.second / 2));
  return (date << 16) | time;
}

TDateTime DosDateTimeToDateTime(uint32_t packed) {
  const uint32_t date = packed >> 16;
  const uint32_t time = packed & 0xFFFF;
  TDateParts p;
  p.year = static_cast<int>((date >> 9) + 1980);
  p.month = static_cast<int>((date >> 5) & 15);
  p.day = static_cast<int>(date & 31);
  p.hour = static_cast<int>(time >> 11);
  p.minute = static_cast<int>((time >> 5) & 63);
  p.second = static_cast<int>((time & 31) * 2);
  if (!IsValidDate(p.year, p.month, p.day)) return 0;
  return EncodeDateTime(p);
}

}  // namespace vaultora
