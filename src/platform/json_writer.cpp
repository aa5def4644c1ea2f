#include "platform/json_writer.h"

#include <cmath>
#include <cstdio>

namespace vaultora {

namespace {

// The length of the UTF-8 sequence at text[i], or 0 when it is not a valid one.
size_t Utf8Length(const std::string& text, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char c = byte(i);
  size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
  if (length == 0 || (length > 1 && c < 0xC2) || i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k)
    if ((byte(i + k) >> 6) != 2) return 0;
  if (length == 3 && c == 0xE0 && byte(i + 1) < 0xA0) return 0;   // overlong
  if (length == 3 && c == 0xED && byte(i + 1) >= 0xA0) return 0;  // surrogate
  if (length == 4 &&
      (c > 0xF4 || (c == 0xF0 && byte(i + 1) < 0x90) || (c == 0xF4 && byte(i + 1) >= 0x90)))
    return 0;
  return length;
}

}  // namespace

std::string JsonQuoted(const std::string& value) {
  std::string out = "\"";
  for (size_t i = 0; i < value.size();) {
    const unsigned char c = static_cast<unsigned char>(value[i]);
    const size_t length = Utf8Length(value, i);
    if (length == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
      continue;
    }
    if (length > 1) {
      out.append(value, i, length);
      i += length;
      continue;
    }
    ++i;
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

void TJsonWriter::BeforeValue() {
  if (FAfterKey) {
    FAfterKey = false;
    return;
  }
  if (!FHasItems.empty()) {
    if (FHasItems.back()) FText += ",";
    FHasItems.back() = true;
  }
}

TJsonWriter& TJsonWriter::BeginObject() {
  BeforeValue();
  FText += "{";
  FHasItems.push_back(false);
  return *this;
}

TJsonWriter& TJsonWriter::EndObject() {
  FHasItems.pop_back();
  FText += "}";
  return *this;
}

TJsonWriter& TJsonWriter::BeginArray() {
  BeforeValue();
  FText += "[";
  FHasItems.push_back(false);
  return *this;
}

TJsonWriter& TJsonWriter::EndArray() {
  FHasItems.pop_back();
  FText += "]";
  return *this;
}

TJsonWriter& TJsonWriter::Key(const std::string& name) {
  BeforeValue();
  FText += JsonQuoted(name) + ":";
  FAfterKey = true;
  return *this;
}

TJsonWriter& TJsonWriter::String(const std::string& value) {
  BeforeValue();
  FText += JsonQuoted(value);
  return *this;
}

TJsonWriter& TJsonWriter::Number(int64_t value) {
  BeforeValue();
  FText += std::to_string(value);
  return *this;
}

TJsonWriter& TJsonWriter::Number(double value) {
  if (!std::isfinite(value)) return Null();
  BeforeValue();
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.17g", value);
  std::string text = buffer;
  for (char& c : text)
    if (c == ',') c = '.';  // a locale's decimal comma is not JSON
  FText += text;
  return *this;
}

TJsonWriter& TJsonWriter::Bool(bool value) {
  BeforeValue();
  FText += value ? "true" : "false";
  return *this;
}

TJsonWriter& TJsonWriter::Null() {
  BeforeValue();
  FText += "null";
  return *this;
}

TJsonWriter& TJsonWriter::Field(const std::string& name, const std::string& value) {
  return Key(name).String(value);
}

TJsonWriter& TJsonWriter::Field(const std::string& name, const char* value) {
  return Key(name).String(value);
}

TJsonWriter& TJsonWriter::Field(const std::string& name, int64_t value) {
  return Key(name).Number(value);
}

TJsonWriter& TJsonWriter::Field(const std::string& name, int value) {
  return Key(name).Number(static_cast<int64_t>(value));
}

TJsonWriter& TJsonWriter::Field(const std::string& name, bool value) {
  return Key(name).Bool(value);
}

TJsonWriter& TJsonWriter::OptionalField(const std::string& name, const std::string& value) {
  Key(name);
  return value.empty() ? Null() : String(value);
}

}  // namespace vaultora
