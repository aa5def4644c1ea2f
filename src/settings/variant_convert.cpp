#include "settings/variant_convert.h"

#include <cmath>
#include <limits>

#include "platform/date_time.h"
#include "platform/text.h"

namespace vaultora {

namespace {

const char* TypeName(const TVariant& value) {
  switch (value.index()) {
    case 0:
      return "Empty";
    case 1:
      return "String";
    case 2:
      return "Boolean";
    case 3:
      return "Integer";
    default:
      return "Double";
  }
}

[[noreturn]] void CannotConvert(const TVariant& value, const char* target) {
  throw EVariantError(
      Format("Could not convert variant of type (%s) into type (%s)", TypeName(value), target));
}

// Round half to even, as variant conversions round.
bool RoundToInt(double value, int32_t& out) {
  const double rounded = std::nearbyint(value);
  if (!std::isfinite(rounded) || rounded < std::numeric_limits<int32_t>::min() ||
      rounded > std::numeric_limits<int32_t>::max())
    return false;
  out = static_cast<int32_t>(rounded);
  return true;
}

// The number a variant that is not text stands for (true counts -1, as variants count it).
double NumberOf(const TVariant& value) {
  switch (value.index()) {
    case 2:
      return std::get<bool>(value) ? -1 : 0;
    case 3:
      return std::get<int32_t>(value);
    case 4:
      return std::get<double>(value);
    default:
      return 0;
  }
}

bool IsText(const TVariant& value) {
  return std::holds_alternative<std::string>(value);
}

// Reads up to maxDigits digits (at least one) at pos.
bool ReadNumber(std::string_view text, size_t& pos, size_t maxDigits, int& out) {
  const size_t start = pos;
  out = 0;
  while (pos < text.size() && pos - start < maxDigits && text[pos] >= '0' && text[pos] <= '9')
    out = out * 10 + (text[pos++] - '0');
  return pos > start;
}

// The shown form "dd/mm/yyyy hh:mm:ss AM/PM", either half alone, seconds and AM/PM optional.
bool ParseDateTimeText(std::string_view text, double& value) {
  size_t pos = 0;
  double date = 0, time = 0;
  int a = 0, b = 0, c = 0;
  const bool hasDate = text.find('/') != std::string_view::npos;
  if (hasDate) {
    if (!ReadNumber(text, pos, 2, a) || pos >= text.size() || text[pos++] != '/' ||
        !ReadNumber(text, pos, 2, b) || pos >= text.size() || text[pos++] != '/' ||
        !ReadNumber(text, pos, 4, c) || !IsValidDate(c, b, a))
      return false;
    date = EncodeDate(c, b, a);
    if (pos < text.size() && text[pos] == ' ') ++pos;
  }
  if (pos < text.size()) {
    int seconds = 0;
    if (!ReadNumber(text, pos, 2, a) || pos >= text.size() || text[pos++] != ':' ||
        !ReadNumber(text, pos, 2, b))
      return false;
    if (pos < text.size() && text[pos] == ':' && !ReadNumber(text, ++pos, 2, seconds)) return false;
    const std::string_view rest = text.substr(pos);
    if (SameText(rest, " PM") || SameText(rest, " AM")) {
      if (a < 1 || a > 12) return false;
      a = a % 12 + (SameText(rest, " PM") ? 12 : 0);
    } else if (!rest.empty()) {
      return false;
    }
    if (a > 23 || b > 59 || seconds > 59) return false;
    time = EncodeTime(a, b, seconds);
  } else if (!hasDate) {
    return false;
  }
  value = date < 0 ? date - time : date + time;
  return true;
}

}  // namespace

std::string VariantToText(const TVariant& value) {
  switch (value.index()) {
    case 0:
      return "";
    case 1:
      return std::get<std::string>(value);
    case 2:
      return std::get<bool>(value) ? "True" : "False";
    case 3:
      return IntToStr(std::get<int32_t>(value));
    default:
      return FloatToText(std::get<double>(value));
  }
}

bool VariantToBool(const TVariant& value) {
  if (!IsText(value)) return NumberOf(value) != 0;
  const std::string& text = std::get<std::string>(value);
  if (SameText(text, "True")) return true;
  if (SameText(text, "False")) return false;
  double number = 0;
  if (TextToFloat(text, number)) return number != 0;
  CannotConvert(value, "Boolean");
}

int32_t VariantToInt(const TVariant& value) {
  int32_t out = 0;
  if (!IsText(value)) {
    if (RoundToInt(NumberOf(value), out)) return out;
    CannotConvert(value, "Integer");
  }
  const std::string& text = std::get<std::string>(value);
  long long whole = 0;
  if (TryStrToInt(text, whole) && whole >= std::numeric_limits<int32_t>::min() &&
      whole <= std::numeric_limits<int32_t>::max())
    return static_cast<int32_t>(whole);
  double number = 0;
  if (TextToFloat(text, number) && RoundToInt(number, out)) return out;
  CannotConvert(value, "Integer");
}

double VariantToFloat(const TVariant& value) {
  if (!IsText(value)) return NumberOf(value);
  double number = 0;
  if (TextToFloat(std::get<std::string>(value), number)) return number;
  CannotConvert(value, "Double");
}

double VariantToDateTime(const TVariant& value) {
  if (!IsText(value)) return NumberOf(value);
  double number = 0;
  const std::string& text = std::get<std::string>(value);
  if (TextToFloat(text, number) || ParseDateTimeText(text, number)) return number;
  CannotConvert(value, "Date");
}

}  // namespace vaultora
