#pragma once
// Conversions of the store's variants to the value kinds, as WriteTyped and batch lines need
// them. A value that does not convert raises EVariantError.

#include <cstdint>
#include <string>

#include "settings/ini_registry_editor.h"

namespace vaultora {

std::string VariantToText(const TVariant& value);
bool VariantToBool(const TVariant& value);
int32_t VariantToInt(const TVariant& value);
double VariantToFloat(const TVariant& value);
// Also reads the shown form "dd/mm/yyyy hh:mm:ss AM/PM" (or its date or time alone).
double VariantToDateTime(const TVariant& value);

}  // namespace vaultora
