#pragma once
// The size texts shown across the program.

#include <cstdint>
#include <string>

namespace vaultora {

// value with thousands separators and the given number of decimals: 1234567.891 -> "1,234,567.89"
std::string FormatThousands(double value, int decimals = 2);

// Kilobytes (bytes / 1024) with two decimals and " KB"; above 1024 KB megabytes with " MB".
std::string KBSizeText(int64_t bytes);

// Up to 1024 bytes " bytes"; below 1 MiB " KB"; below 1 GiB " MB"; else " GB"; two decimals.
std::string ByteSizeText(int64_t bytes);

}  // namespace vaultora
