#include "settings/value_set.h"

#include <climits>

#include "platform/text.h"
#include "settings/registry_error.h"

namespace vaultora {

std::string InvalidType(const std::string& name) {
  return Format("Invalid data type for '%s'", name.c_str());
}

std::string StringOfValue(const TRegistryValue& value, const std::string& name) {
  if (value.Type != rdString) throw ERegistryException(InvalidType(name));
  return value.Bytes;
}

int32_t IntegerOfValue(const TRegistryValue& value, const std::string& name, int32_t def) {
  if (value.Type == rdDword) return static_cast<int32_t>(value.Dword);
  if (value.Type != rdString) throw ERegistryException(InvalidType(name));
  long long number = 0;
  if (!TryStrToInt(value.Bytes, number) || number < INT32_MIN || number > INT32_MAX) return def;
  return static_cast<int32_t>(number);
}

const TRegistryValue* TValueSet::Find(const std::string& name) const {
  for (const auto& [valueName, value] : FValues)
    if (SameText(valueName, name)) return &value;
  return nullptr;
}

std::string TValueSet::ReadString(const std::string& name, const std::string& def) const {
  const TRegistryValue* value = Find(name);
  return value ? StringOfValue(*value, name) : def;
}

int32_t TValueSet::ReadInteger(const std::string& name, int32_t def) const {
  const TRegistryValue* value = Find(name);
  return value ? IntegerOfValue(*value, name, def) : def;
}

}  // namespace vaultora
