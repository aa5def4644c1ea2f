#include "platform/size_text.h"

#include <cmath>
#include <cstdio>

namespace vaultora {

std::string FormatThousands(double value, int decimals) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, std::fabs(value));
  std::string digits(buffer);
  const size_t point = digits.find('.');
  std::string whole = digits.substr(0, point);
  const std::string fraction = point == std::string::npos ? "" : digits.substr(point);
  std::string grouped;
  for (size_t i = 0; i < whole.size(); ++i) {
    if (i > 0 && (whole.size() - i) % 3 == 0) grouped += ',';
    grouped += whole[i];
  }
  const bool negative = value < 0 && std::stod(digits) != 0.0;
  return (negative ? "-" : "") + grouped + fraction;
}

std::string KBSizeText(int64_t bytes) {
  const double kb = static_cast<double>(bytes) / 1024.0;
  if (kb > 1024.0) return FormatThousands(kb / 1024.0) + " MB";
  return FormatThousands(kb) + " KB";
}

std::string ByteSizeText(int64_t bytes) {
  const double b = static_cast<double>(bytes);
  if (bytes <= 1024) return FormatThousands(b) + " bytes";
  if (bytes < 1024LL * 1024) return FormatThousands(b / 1024.0) + " KB";
  if (bytes < 1024LL * 1024 * 1024) return FormatThousands(b / (1024.0 * 1024.0)) + " MB";
  return FormatThousands(b / (1024.0 * 1024.0 * 1024.0)) + " GB";
}

}  // namespace vaultora
