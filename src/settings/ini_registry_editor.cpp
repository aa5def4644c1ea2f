#include "settings/ini_registry_editor.h"

#include <cstring>

#include "platform/folders.h"
#include "platform/prompts.h"
#include "settings/hive.h"
#include "settings/registry_change.h"
#include "settings/registry_keys.h"
#include "settings/value_set.h"
#include "settings/variant_convert.h"

namespace vaultora {

namespace {

constexpr const char* kRootKeyNames[] = {
    "HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",
};

TRegistryValue StringValue(std::string text) {
  return {rdString, std::move(text), 0};
}

TRegistryValue DoubleValue(double value) {
  std::string bytes(sizeof value, '\0');
  std::memcpy(bytes.data(), &value, sizeof value);
  return {rdBinary, std::move(bytes), 0};
}

}  // namespace

const char* RootKeyName(TRootKeys root) {
  const int index = static_cast<int>(root);
  return index >= 0 && index <= rtHKEY_DYN_DATA ? kRootKeyNames[index] : "";
}

TIniRegistryEditor::TIniRegistryEditor(TComponent* owner) : TComponent(owner) {}

TIniRegistryEditor::TIniRegistryEditor(TComponent* owner, std::string hivePath)
    : TComponent(owner), FHivePath(std::move(hivePath)) {}

TIniRegistryEditor::~TIniRegistryEditor() {
  Destroying();
  while (FHive && FHive->Depth() > 0)
    FHive->Rollback();
}

THive& TIniRegistryEditor::Hive() {
  if (!FHive) {
    if (FHivePath.empty()) FHivePath = RegistryFilePath();
    FHive = std::make_unique<THive>(FHivePath);
    FLazyApplied.reset();
  }
  return *FHive;
}

// Below the key opened last (Open comes first in every operation).
std::string TIniRegistryEditor::KeyPath(const std::string& section) const {
  if (section.empty()) return FBasePath;
  const bool plain = section.front() != '\\' && section.back() != '\\' &&
                     section.find("\\\\") == std::string::npos;
  return plain ? FBasePath + '\\' + section : JoinKeyPath(FBasePath, section);
}

bool TIniRegistryEditor::Open() {
  if (FKeyOpen && (FOpenPath != FFilename || FOpenRoot != FRootKey)) FKeyOpen = false;
  if (!FKeyOpen && !FFilename.empty()) {
    THive& hive = Hive();
    const std::string path = NormaliseKeyPath(FFilename);
    if (path.empty()) return false;
    bool exists = false;
    try {
      exists = hive.FindKey(FRootKey, path) != 0;
    } catch (const EHiveError&) {
      throw ERegistryException(Format(kGetFailed, FFilename.c_str()));
    }
    // A store that cannot be written is read as it is: a missing key reads as empty.
    if (!exists && !hive.ReadOnly()) {
      TChange change(*this, kCreateFailed, FFilename);
      change.Guard([&] { return hive.CreateKey(FRootKey, path); });
      change.Done();
    }
    FOpenPath = FFilename;
    FBasePath = path;
    FOpenRoot = FRootKey;
    FKeyOpen = true;
  }
  // The journal's safety level cannot change inside a transaction: it is applied at the next
  // Open outside one.
  if (FKeyOpen && FLazyApplied != FLazyWrite && FHive->Depth() == 0) {
    try {
      FHive->SetLazyWrite(FLazyWrite);
    } catch (const EHiveError& e) {
      throw HiveFailure(FHivePath, e);
    }
    FLazyApplied = FLazyWrite;
  }
  return FKeyOpen;
}

std::optional<TRegistryValue> TIniRegistryEditor::Get(const std::string& section,
                                                      const std::string& name) {
  if (!Open()) return std::nullopt;
  try {
    return FHive->GetValue(FRootKey, KeyPath(section), name);
  } catch (const EHiveError&) {
    throw ERegistryException(Format(kGetFailed, name.c_str()));
  }
}

void TIniRegistryEditor::Put(const std::string& section, const std::string& name,
                             const TRegistryValue& value, bool keepString) {
  if (!Open()) return;
  const std::string path = KeyPath(section);
  const bool autostart = IsAutostartKey(path) && SameText(name, keys::kRunValue);
  bool written = false;
  if (FHive->Depth() == 0) {  // the usual case, a key that exists: one statement
    try {
      written = FHive->SetValue(FRootKey, path, name, value, keepString);
    } catch (const EHiveError&) {
      throw ERegistryException(Format(kSetFailed, name.c_str()));
    }
  }
  if (!written) {
    TChange change(*this, kSetFailed, name);
    change.Guard([&] { FHive->CreateKey(FRootKey, path); }, kCreateFailed, &section);
    change.Guard([&] { FHive->SetValue(FRootKey, path, name, value, keepString); });
    if (autostart) FAutostartTouched = true;
    change.Done();
    return;
  }
  if (autostart) {
    FAutostartTouched = true;
    ChangesEnded();
  }
}

bool TIniRegistryEditor::SectionExists(const std::string& section) {
  if (!Open()) return false;
  try {
    return FHive->HasValues(FRootKey, KeyPath(section));
  } catch (const EHiveError&) {
    throw ERegistryException(Format(kGetFailed, section.c_str()));
  }
}

bool TIniRegistryEditor::ValueExists(const std::string& section, const std::string& name) {
  if (!Open()) return false;
  try {
    return FHive->HasValue(FRootKey, KeyPath(section), name);
  } catch (const EHiveError&) {
    throw ERegistryException(Format(kGetFailed, name.c_str()));
  }
}

bool TIniRegistryEditor::KeyExists(const std::string& section) {
  if (!Open()) return false;
  try {
    return FHive->FindKey(FRootKey, KeyPath(section)) != 0;
  } catch (const EHiveError&) {
    throw ERegistryException(Format(kGetFailed, section.c_str()));
  }
}

std::string TIniRegistryEditor::ReadString(const std::string& section, const std::string& name,
                                           const std::string& def) {
  const auto value = Get(section, name);
  return value ? StringOfValue(*value, name) : def;
}

int32_t TIniRegistryEditor::ReadInteger(const std::string& section, const std::string& name,
                                        int32_t def) {
  const auto value = Get(section, name);
  return value ? IntegerOfValue(*value, name, def) : def;
}

TNamedValues TIniRegistryEditor::ReadSectionValues(const std::string& section) {
  if (!Open()) return {};
  try {
    const THiveKeyId key = FHive->FindKey(FRootKey, KeyPath(section));
    return key ? FHive->Values(key) : TNamedValues();
  } catch (const EHiveError&) {
    throw ERegistryException(Format(kGetFailed, section.c_str()));
  }
}

std::vector<std::pair<std::string, TNamedValues>> TIniRegistryEditor::ReadSubKeyValues() {
  if (!Open()) return {};
  try {
    const THiveKeyId key = FHive->FindKey(FRootKey, KeyPath(""));
    return key ? FHive->SubKeyValues(key) : std::vector<std::pair<std::string, TNamedValues>>();
  } catch (const EHiveError&) {
    throw ERegistryException(Format(kGetFailed, FFilename.c_str()));
  }
}

bool TIniRegistryEditor::ReadBool(const std::string& section, const std::string& name, bool def) {
  return ReadInteger(section, name, def ? 1 : 0) != 0;
}

double TIniRegistryEditor::ReadFloat(const std::string& section, const std::string& name,
                                     double def) {
  const auto value = Get(section, name);
  if (!value) return def;
  double result = 0;
  if (value->Type != rdBinary || value->Bytes.size() != sizeof result)
    throw ERegistryException(InvalidType(name));
  std::memcpy(&result, value->Bytes.data(), sizeof result);
  return result;
}

TDateTime TIniRegistryEditor::ReadDate(const std::string& section, const std::string& name,
                                       TDateTime def) {
  return ReadFloat(section, name, def);
}

TDateTime TIniRegistryEditor::ReadTime(const std::string& section, const std::string& name,
                                       TDateTime def) {
  return ReadFloat(section, name, def);
}

TDateTime TIniRegistryEditor::ReadDateTime(const std::string& section, const std::string& name,
                                           TDateTime def) {
  return ReadFloat(section, name, def);
}

void TIniRegistryEditor::WriteString(const std::string& section, const std::string& name,
                                     const std::string& value) {
  Put(section, name, StringValue(value));
}

void TIniRegistryEditor::WriteInteger(const std::string& section, const std::string& name,
                                      int32_t value) {
  Put(section, name, {rdDword, {}, static_cast<uint32_t>(value)}, true);
}

void TIniRegistryEditor::WriteBool(const std::string& section, const std::string& name,
                                   bool value) {
  Put(section, name, StringValue(value ? "1" : "0"));
}

void TIniRegistryEditor::WriteFloat(const std::string& section, const std::string& name,
                                    double value) {
  Put(section, name, DoubleValue(value));
}

void TIniRegistryEditor::WriteDate(const std::string& section, const std::string& name,
                                   TDateTime value) {
  Put(section, name, DoubleValue(value));
}

void TIniRegistryEditor::WriteTime(const std::string& section, const std::string& name,
                                   TDateTime value) {
  Put(section, name, DoubleValue(value));
}

void TIniRegistryEditor::WriteDateTime(const std::string& section, const std::string& name,
                                       TDateTime value) {
  Put(section, name, DoubleValue(value));
}

TVariant TIniRegistryEditor::ReadTyped(int kind, const std::string& section,
                                       const std::string& name) {
  const bool exists = ValueExists(section, name);
  switch (kind) {
    case vkString:
      return exists ? ReadString(section, name, "") : std::string();
    case vkBoolean:
      return exists && ReadBool(section, name, false);
    case vkInteger:
      return exists ? ReadInteger(section, name, -1) : -1;
    case vkFloat:
      return exists ? ReadFloat(section, name, 0) : 0.0;
    case vkTime:
      return exists ? ReadTime(section, name, Time()) : Time();
    case vkDate:
      return exists ? ReadDate(section, name, Date()) : Date();
    case vkDateTime:
      return exists ? ReadDateTime(section, name, Now()) : Now();
    default:
      return std::monostate();
  }
}

void TIniRegistryEditor::WriteTyped(int kind, const std::string& section, const std::string& name,
                                    const TVariant& value) {
  switch (kind) {
    case vkString:
      WriteString(section, name, VariantToText(value));
      break;
    case vkBoolean:
      WriteBool(section, name, VariantToBool(value));
      break;
    case vkInteger:
      WriteInteger(section, name, VariantToInt(value));
      break;
    case vkFloat:
      WriteFloat(section, name, VariantToFloat(value));
      break;
    case vkTime:
      WriteTime(section, name, VariantToDateTime(value));
      break;
    case vkDate:
      WriteDate(section, name, VariantToDateTime(value));
      break;
    case vkDateTime:
      WriteDateTime(section, name, VariantToDateTime(value));
      break;
    default:
      break;
  }
}

void TIniRegistryEditor::DeleteValue(const std::string& section, const std::string& name) {
  if (!ValueExists(section, name)) return;
  const std::string path = KeyPath(section);
  TChange change(*this, kSetFailed, name);
  change.Guard([&] {
    if (const THiveKeyId key = FHive->FindKey(FRootKey, path)) FHive->DeleteValue(key, name);
  });
  if (IsAutostartKey(path) && SameText(name, keys::kRunValue)) FAutostartTouched = true;
  change.Done();
}

void TIniRegistryEditor::EraseSection(const std::string& section) {
  if (!SectionExists(section)) return;
  const std::string path = KeyPath(section);
  TChange change(*this, kSetFailed, section);
  change.Guard([&] { FHive->DeleteKey(FRootKey, path); });
  if (IsAutostartKey(path)) FAutostartTouched = true;
  change.Done();
}

void TIniRegistryEditor::ClearSection(const std::string& section) {
  ReadValueNames(section);
  if (FData.empty()) return;
  const std::string path = KeyPath(section);
  TChange change(*this, kSetFailed, section);
  change.Guard([&] {
    if (const THiveKeyId key = FHive->FindKey(FRootKey, path)) FHive->ClearValues(key);
  });
  if (IsAutostartKey(path)) FAutostartTouched = true;
  change.Done();
}

void TIniRegistryEditor::ReadValueNames(const std::string& section) {
  FData.clear();
  if (!Open()) return;
  try {
    if (const THiveKeyId key = FHive->FindKey(FRootKey, KeyPath(section)))
      FData = FHive->ValueNames(key);
  } catch (const EHiveError&) {
    throw ERegistryException(Format(kGetFailed, section.c_str()));
  }
}

void TIniRegistryEditor::ReadSection(const std::string& section, TStringList* receiver) {
  ReadValueNames(section);
  if (receiver) *receiver = FData;
}

void TIniRegistryEditor::ReadSections(TStringList* list) {
  FData.clear();
  if (Open()) {
    try {
      if (const THiveKeyId key = FHive->FindKey(FRootKey, KeyPath("")))
        FData = FHive->SubKeyNames(key);
    } catch (const EHiveError&) {
      throw ERegistryException(Format(kGetFailed, FFilename.c_str()));
    }
  }
  if (list) *list = FData;
}

void TIniRegistryEditor::MoveKey(const std::string& oldName, const std::string& newName,
                                 bool deleteOld) {
  if (!Open()) return;
  const std::string from = KeyPath(oldName), to = KeyPath(newName);
  // A key cannot move into itself: the copy would be deleted with the original.
  const bool inside = SameText(to, from) || StartsWith(LowerCase(to), LowerCase(from + "\\"));
  if (from == NormaliseKeyPath(FFilename) || inside) return;
  TChange change(*this, kCreateFailed, newName);
  change.Guard([&] {
    if (!FHive->FindKey(FRootKey, from) || FHive->FindKey(FRootKey, to)) return;
    FHive->CopyKey(FRootKey, from, to);
    if (deleteOld) FHive->DeleteKey(FRootKey, from);
  });
  if (IsAutostartKey(from) || IsAutostartKey(to)) FAutostartTouched = true;
  change.Done();
}

void TIniRegistryEditor::WriteBinary(const std::string& name, TMemoryStream& stream) {
  if (!Open() || stream.Size() == 0) return;
  if (stream.Size() > kMaxBinaryValueSize) {
    ShowError(
        Format("Registry entry for %s , %s , %s cannot be writen as it exceeds the "
               "acceptable size",
               RootKeyName(FRootKey), FFilename.c_str(), name.c_str()));
    return;
  }
  const auto& bytes = stream.Bytes();
  Put("", name, {rdBinary, std::string(bytes.begin(), bytes.end()), 0});
}

std::unique_ptr<TMemoryStream> TIniRegistryEditor::ReadBinary(const std::string& name) {
  auto stream = std::make_unique<TMemoryStream>();
  const auto value = Get("", name);
  if (!value) return stream;
  if (value->Type != rdBinary) throw ERegistryException(InvalidType(name));
  const size_t size = std::min(value->Bytes.size(), static_cast<size_t>(kMaxBinaryValueSize));
  stream->WriteBuffer(value->Bytes.data(), static_cast<int64_t>(size));
  stream->SetPosition(0);
  return stream;
}

std::optional<TRegistryValue> TIniRegistryEditor::ReadValue(const std::string& section,
                                                            const std::string& name) {
  return Get(section, name);
}

}  // namespace vaultora
