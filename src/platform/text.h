#pragma once
// Small text helpers shared by every layer. Text is 8-bit: std::string holds bytes.

#include <string>
#include <string_view>
#include <vector>

namespace vaultora {

using TStringList = std::vector<std::string>;

// ASCII case folding, as the settings store and the masks compare names.
std::string LowerCase(std::string_view text);
std::string UpperCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);
// Three-way comparison ignoring ASCII case: <0, 0, >0.
int CompareText(std::string_view a, std::string_view b);

std::string TrimRight(std::string_view text);
std::string Trim(std::string_view text);
bool StartsWith(std::string_view text, std::string_view prefix);
bool EndsWith(std::string_view text, std::string_view suffix);
TStringList Split(std::string_view text, char separator);
std::string Join(const TStringList& parts, std::string_view separator);
std::string ReplaceAll(std::string text, std::string_view from, std::string_view to);

// Decimal text to integer; false (and value untouched) when the text is not a whole number
// that fits. Leading and trailing blanks are refused, as the original conversions did.
bool TryStrToInt(std::string_view text, long long& value);
std::string IntToStr(long long value);

// "%s" and "%d" style formatting into a std::string.
std::string Format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));

}  // namespace vaultora
