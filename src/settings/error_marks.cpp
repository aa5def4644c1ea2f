#include "settings/error_marks.h"

#include "settings/preferences.h"

namespace vaultora {

bool ErrorMarked(TIniRegistryEditor& store, const char* section) {
  return BaseKey(store).SectionExists(section);
}

bool ErrorMarkExists(TIniRegistryEditor& store, const char* section, const std::string& name) {
  return BaseKey(store).ValueExists(section, name);
}

void MarkError(TIniRegistryEditor& store, const char* section, const std::string& name) {
  const TRegistryKey base = BaseKey(store);
  if (!base.ValueExists(section, name)) base.WriteBool(section, name, true);
}

void ClearErrorMarks(TIniRegistryEditor& store, const char* section) {
  BaseKey(store).EraseSection(section);
}

}  // namespace vaultora
