#pragma once
// The values of one key read at once (TIniRegistryEditor::ReadSectionValues, ReadSubKeyValues),
// and the conversions the editor's ReadString and ReadInteger apply, so that a list of keys read
// in one statement gives exactly what reading value by value gives.

#include <string>

#include "settings/hive_format.h"

namespace vaultora {

// "Invalid data type for 'name'".
std::string InvalidType(const std::string& name);
// A string value's text; raises ERegistryException for another type.
std::string StringOfValue(const TRegistryValue& value, const std::string& name);
// A DWORD, or a string holding a decimal number (def when it holds none); raises
// ERegistryException for a binary value.
int32_t IntegerOfValue(const TRegistryValue& value, const std::string& name, int32_t def);

class TValueSet {
 public:
  explicit TValueSet(const TNamedValues& values) : FValues(values) {}
  // Names are compared ignoring letter case, as the store compares them.
  const TRegistryValue* Find(const std::string& name) const;
  bool ValueExists(const std::string& name) const { return Find(name) != nullptr; }
  std::string ReadString(const std::string& name, const std::string& def) const;
  int32_t ReadInteger(const std::string& name, int32_t def) const;

 private:
  const TNamedValues& FValues;
};

}  // namespace vaultora
