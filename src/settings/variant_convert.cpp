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
  switch (value.index()) {
    case 0:
      return false;
    case 2:
      return std::get<bool>(value);
    case 3:
      return std::get<int32_t>(value) != 0;
    case 4:
      return std::get<double>(value) != 0;
    default:
      break;
  }
  const std::string& text = std::get<std::string>(value);
  if (SameText(text, "True")) return true;
  if (SameText(text, "False")) return false;
  double number = 0;
  if (TextToFloat(text, number)) return number != 0;
  CannotConvert(value, "Boolean");
}

int32_t VariantToInt(const TVariant& value) {
  int32_t out = 0;
  switch (value.index()) {
    case 0:
      return 0;
    case 2:
      return std::get<bool>(value) ? -1 : 0;
    case 3:
      return std::get<int32_t>(value);
    case 4:
      if (RoundToInt(std::get<double>(value), out)) return out;
      CannotConvert(value, "Integer");
    default:
      break;
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
  switch (value.index()) {
    case 0:
      return 0;
    case 2:
      return std::get<bool>(value) ? -1 : 0;
    case 3:
      return std::get<int32_t>(value);
    case 4:
      return std::get<double>(value);
    default:
      break;
  }
  double number = 0;
  if (TextToFloat(std::get<std::string>(value), number)) return number;
  CannotConvert(value, "Double");
}

}  // namespace vaultora
