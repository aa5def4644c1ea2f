#pragma once
// Date-times are day numbers: day 0 is 1899-12-30, the fraction is the local time of day.
// They are stored as decimal text in the catalogue and sent to the server as 8 raw bytes.

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace vaultora {

using TDateTime = double;

struct TDateParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond = 0);
TDateTime EncodeDateTime(const TDateParts& parts);
TDateParts DecodeDateTime(TDateTime value);
// 1 = Sunday ... 7 = Saturday.
int DayOfWeek(TDateTime value);
bool IsValidDate(int year, int month, int day);
int DaysInMonth(int year, int month);

// The local wall clock. Components that need another clock take a source of their own.
TDateTime Now();
TDateTime Date();
TDateTime Time();

TDateTime UnixToDateTime(std::time_t seconds, long nanoseconds = 0);  // to local time
std::time_t DateTimeToUnix(TDateTime value);                          // from local time
// The local date-time itself when the clocks show it; on the night they go forward, a time they
// skip gives the first minute after it that they show (02:30 becomes 03:00).
TDateTime ShownLocalTime(TDateTime local);

// "dd/mm/yyyy hh:mm:ss AM/PM", the one pattern shown to the user.
std::string DateTimeText(TDateTime value);

// Locale-independent float text: '.' as separator, up to 15 significant digits, no trailing
// zeros; the form that names backups in the catalogue.
std::string FloatToText(double value);
// Reads the text FloatToText writes (and any plain decimal or exponent form); false when the
// whole text is not a number.
bool TextToFloat(std::string_view text, double& value);

// Packed DOS date/time of a local date-time, 2-second resolution; clamped to 1980..2107.
uint32_t DateTimeToDosDateTime(TDateTime value);
TDateTime DosDateTimeToDateTime(uint32_t packed);

}  // namespace vaultora
