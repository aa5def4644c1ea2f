#pragma once
// TJsonWriter: builds one JSON text (RFC 8259) for the command line's --json output. Strings
// are escaped here, so any file name or title is safe to print; bytes that are not UTF-8 are
// written as U+FFFD rather than making the text unreadable to a parser.

#include <cstdint>
#include <string>
#include <vector>

namespace vaultora {

class TJsonWriter {
 public:
  TJsonWriter& BeginObject();
  TJsonWriter& EndObject();
  TJsonWriter& BeginArray();
  TJsonWriter& EndArray();
  // The name of the next member of the open object.
  TJsonWriter& Key(const std::string& name);
  TJsonWriter& String(const std::string& value);
  TJsonWriter& Number(int64_t value);
  TJsonWriter& Number(double value);
  TJsonWriter& Bool(bool value);
  TJsonWriter& Null();
  // A member in one call: Key(name) then the value.
  TJsonWriter& Field(const std::string& name, const std::string& value);
  TJsonWriter& Field(const std::string& name, const char* value);
  TJsonWriter& Field(const std::string& name, int64_t value);
  TJsonWriter& Field(const std::string& name, int value);
  TJsonWriter& Field(const std::string& name, bool value);
  // "" is written as null: an absent value.
  TJsonWriter& OptionalField(const std::string& name, const std::string& value);

  const std::string& Text() const { return FText; }

 private:
  void BeforeValue();
  std::string FText;
  std::vector<bool> FHasItems;  // per open object or array
  bool FAfterKey = false;
};

// value as a JSON string literal, quotes included.
std::string JsonQuoted(const std::string& value);

}  // namespace vaultora
