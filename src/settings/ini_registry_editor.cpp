#include "settings/ini_registry_editor.h"

#include <cstring>

#include "platform/folders.h"
#include "platform/prompts.h"
#include "settings/autostart_entry.h"
#include "settings/hive.h"
#include "settings/registry_keys.h"
#include "settings/variant_convert.h"

namespace vaultora {

namespace {

constexpr const char* kRootKeyNames[] = {
    "HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",
};

std::string InvalidType(const std::string& name) {
  return Format("Invalid data type for '%s'", name.c_str());
}

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

// One change: its own transaction unless the caller holds one. Hive failures become the
// store's error text; a damaged file keeps the text that names it.
class TIniRegistryEditor::TChange {
 public:
  TChange(TIniRegistryEditor& store, std::string failure)
      : FStore(store), FHive(store.Hive()), FFailure(std::move(failure)) {
    if (FHive.Depth() == 0) {
      try {
        FHive.Begin();
      } catch (const EHiveError&) {
        throw ERegistryException(FFailure);
      }
      FOwn = true;
    }
  }
  ~TChange() {
    if (FOwn && !FDone) {
      FHive.Rollback();
      try {
        FStore.ChangesEnded();
      } catch (const ERegistryException&) {
        // Already unwinding with the first failure, which is the one to report.
      }
    }
  }
  TChange(const TChange&) = delete;
  TChange& operator=(const TChange&) = delete;

  // Runs one step; a failure raises failure (or the text given for this step).
  template <class F>
  auto Guard(F&& step, const std::string& failure = "") {
    try {
      return step();
    } catch (const EHiveError&) {
      throw ERegistryException(failure.empty() ? FFailure : failure);
    }
  }
  void Done() {
    if (FOwn) {
      Guard([&] { FHive.Commit(); });
      FDone = true;
      FStore.ChangesEnded();
    }
  }

 private:
  TIniRegistryEditor& FStore;
  THive& FHive;
  std::string FFailure;
  bool FOwn = false;
  bool FDone = false;
};

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

std::string TIniRegistryEditor::KeyPath(const std::string& section) const {
  return JoinKeyPath(FFilename, section);
}

bool TIniRegistryEditor::Open() {
  if (FKeyOpen && (FOpenPath != FFilename || FOpenRoot != FRootKey)) FKeyOpen = false;
  if (!FKeyOpen && !FFilename.empty()) {
    THive& hive = Hive();
    const std::string path = NormaliseKeyPath(FFilename);
    if (path.empty()) return false;
    if (!hive.FindKey(FRootKey, path)) {
      TChange change(*this, Format("Failed to create key %s", FFilename.c_str()));
      change.Guard([&] { return hive.CreateKey(FRootKey, path); });
      change.Done();
    }
    FOpenPath = FFilename;
    FOpenRoot = FRootKey;
    FKeyOpen = true;
  }
  if (FKeyOpen && FLazyApplied != FLazyWrite) {
    FHive->SetLazyWrite(FLazyWrite);
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
    throw ERegistryException(Format("Failed to get data for '%s'", name.c_str()));
  }
}

void TIniRegistryEditor::Put(const std::string& section, const std::string& name,
                             TRegistryValue value, bool keepString) {
  if (!Open()) return;
  const std::string path = KeyPath(section);
  TChange change(*this, Format("Failed to set data for '%s'", name.c_str()));
  const THiveKeyId key = change.Guard([&] { return FHive->CreateKey(FRootKey, path); },
                                      Format("Failed to create key %s", section.c_str()));
  change.Guard([&] {
    if (keepString) {
      const auto existing = FHive->GetValue(FRootKey, path, name);
      if (existing && existing->Type == rdString)
        value = StringValue(IntToStr(static_cast<int32_t>(value.Dword)));
    }
    FHive->SetValue(key, name, value);
  });
  if (IsAutostartKey(path) && SameText(name, keys::kRunValue)) FAutostartTouched = true;
  change.Done();
}

bool TIniRegistryEditor::SectionExists(const std::string& section) {
  if (!Open()) return false;
  try {
    return FHive->HasValues(FRootKey, KeyPath(section));
  } catch (const EHiveError&) {
    throw ERegistryException(Format("Failed to get data for '%s'", section.c_str()));
  }
}

bool TIniRegistryEditor::ValueExists(const std::string& section, const std::string& name) {
  if (!Open()) return false;
  try {
    return FHive->HasValue(FRootKey, KeyPath(section), name);
  } catch (const EHiveError&) {
    throw ERegistryException(Format("Failed to get data for '%s'", name.c_str()));
  }
}

std::string TIniRegistryEditor::ReadString(const std::string& section, const std::string& name,
                                           const std::string& def) {
  const auto value = Get(section, name);
  if (!value) return def;
  if (value->Type != rdString) throw ERegistryException(InvalidType(name));
  return value->Bytes;
}

int32_t TIniRegistryEditor::ReadInteger(const std::string& section, const std::string& name,
                                        int32_t def) {
  const auto value = Get(section, name);
  if (!value) return def;
  if (value->Type == rdDword) return static_cast<int32_t>(value->Dword);
  if (value->Type != rdString) throw ERegistryException(InvalidType(name));
  long long number = 0;
  if (!TryStrToInt(value->Bytes, number) || number < INT32_MIN || number > INT32_MAX) return def;
  return static_cast<int32_t>(number);
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
      WriteTime(section, name, VariantToFloat(value));
      break;
    case vkDate:
      WriteDate(section, name, VariantToFloat(value));
      break;
    case vkDateTime:
      WriteDateTime(section, name, VariantToFloat(value));
      break;
    default:
      break;
  }
}

void TIniRegistryEditor::DeleteValue(const std::string& section, const std::string& name) {
  if (!ValueExists(section, name)) return;
  const std::string path = KeyPath(section);
  TChange change(*this, Format("Failed to set data for '%s'", name.c_str()));
  change.Guard([&] {
    if (const THiveKeyId key = FHive->FindKey(FRootKey, path)) FHive->DeleteValue(key, name);
  });
  if (IsAutostartKey(path) && SameText(name, keys::kRunValue)) FAutostartTouched = true;
  change.Done();
}

void TIniRegistryEditor::EraseSection(const std::string& section) {
  if (!SectionExists(section)) return;
  const std::string path = KeyPath(section);
  TChange change(*this, Format("Failed to set data for '%s'", section.c_str()));
  change.Guard([&] { FHive->DeleteKey(FRootKey, path); });
  if (IsAutostartKey(path)) FAutostartTouched = true;
  change.Done();
}

void TIniRegistryEditor::ClearSection(const std::string& section) {
  ReadValueNames(section);
  if (FData.empty()) return;
  const std::string path = KeyPath(section);
  TChange change(*this, Format("Failed to set data for '%s'", section.c_str()));
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
    throw ERegistryException(Format("Failed to get data for '%s'", section.c_str()));
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
      throw ERegistryException(Format("Failed to get data for '%s'", FFilename.c_str()));
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
  TChange change(*this, Format("Failed to create key %s", newName.c_str()));
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

void TIniRegistryEditor::WriteSectionData(const std::string& section, const TStringList* lines) {
  if (lines) FData = *lines;
  if (FData.empty()) return;
  FData.insert(FData.begin(), "[" + section + "]");
  ApplyData();
}

void TIniRegistryEditor::ApplyData() {
  if (!Open()) return;
  TChange change(*this, "Failed to set data for the batch");
  std::string section;
  bool inSection = false;
  int counter = 1;
  for (const std::string& raw : FData) {
    std::string line = TrimRight(raw);
    if (!line.empty() && line[0] == '[') {
      section = line.size() >= 2 ? line.substr(1, line.size() - 2) : std::string();
      inSection = true;
      counter = 1;
      continue;
    }
    if (!inSection) continue;
    int kind = vkString;
    if (line.size() >= 2 && line[1] == '~') {
      if (line[0] < '0' || line[0] > '9') continue;
      kind = line[0] - '0';
    } else {
      line = "1~" + line;
    }
    if (kind == 0) continue;
    std::string name, value;
    if (const size_t equals = line.find('='); equals != std::string::npos) {
      name = line.substr(2, equals - 2);
      value = line.substr(equals + 1);
    } else {
      name = IntToStr(counter++);
      value = line.substr(2);
    }
    DeleteValue(section, name);
    WriteTyped(kind, section, name, value);
  }
  change.Done();
}

void TIniRegistryEditor::SplitData(char character, bool keepRight) {
  for (std::string& line : FData) {
    const size_t at = line.find(character);
    if (at == std::string::npos) continue;
    line = keepRight ? line.substr(at + 1) : line.substr(0, at);
  }
}

void TIniRegistryEditor::BeginTransaction() {
  try {
    Hive().Begin();
  } catch (const EHiveError& e) {
    throw ERegistryException(
        Format("Cannot change the settings file \"%s\": %s", FHivePath.c_str(), e.what()));
  }
}

void TIniRegistryEditor::CommitTransaction() {
  if (!FHive) return;
  try {
    FHive->Commit();
  } catch (const EHiveError& e) {
    ChangesEnded();
    throw ERegistryException(
        Format("Cannot change the settings file \"%s\": %s", FHivePath.c_str(), e.what()));
  }
  ChangesEnded();
}

void TIniRegistryEditor::RollbackTransaction() {
  if (!FHive) return;
  FHive->Rollback();
  ChangesEnded();
}

// The current user's Run key, or a key above it (erasing one of those removes the Run value).
bool TIniRegistryEditor::IsAutostartKey(const std::string& path) const {
  if (FRootKey != rtHKEY_CURRENT_USER) return false;
  const std::string run =
      LowerCase(JoinKeyPath(keys::kWindowsCurrentVersionKey, keys::kRunSection));
  const std::string key = LowerCase(path);
  return key == run || StartsWith(run, key + "\\");
}

// After the outermost transaction ends, the autostart entry follows the Run value as stored.
void TIniRegistryEditor::ChangesEnded() {
  if (!FAutostartTouched || !FHive || FHive->Depth() > 0) return;
  FAutostartTouched = false;
  const std::string run = JoinKeyPath(keys::kWindowsCurrentVersionKey, keys::kRunSection);
  std::optional<TRegistryValue> value;
  try {
    value = FHive->GetValue(rtHKEY_CURRENT_USER, run, keys::kRunValue);
  } catch (const EHiveError&) {
    throw ERegistryException(Format("Failed to get data for '%s'", keys::kRunValue));
  }
  if (value && value->Type == rdString)
    WriteAutostartEntry(value->Bytes);
  else
    RemoveAutostartEntry();
}

TRegistryTransaction::TRegistryTransaction(TIniRegistryEditor& store) : FStore(store) {
  FStore.BeginTransaction();
}

TRegistryTransaction::~TRegistryTransaction() {
  if (!FOpen) return;
  try {
    FStore.RollbackTransaction();
  } catch (const ERegistryException&) {
    // A destructor cannot report; the stored settings are as they were before the scope.
  }
}

void TRegistryTransaction::Commit() {
  FOpen = false;
  FStore.CommitTransaction();
}

}  // namespace vaultora
