#pragma once
// TIniRegistryEditor: the settings store. It presents a hierarchical key store the way an ini
// file is presented: a base key (Filename) whose sub-keys are sections and whose values are
// names. The client reaches it through key-scoped views (settings/registry_key.h) and the typed
// accessors of its settings (settings/preferences.h), which leave Filename as they found it. The
// hive is one SQLite database (RegistryFilePath()); every instance holds its own connection, so an
// instance belongs to one thread, while several instances, threads and processes may use the same
// hive at once. Failures of the hive raise ERegistryException.

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>

#include "platform/component.h"
#include "platform/date_time.h"
#include "platform/streams.h"
#include "platform/text.h"
#include "settings/hive_format.h"
#include "settings/registry_error.h"

namespace vaultora {

enum TRootKeys {
  rtHKEY_CLASSES_ROOT,
  rtHKEY_CURRENT_USER,
  rtHKEY_LOCAL_MACHINE,
  rtHKEY_USERS,
  rtHKEY_PERFORMANCE_DATA,
  rtHKEY_CURRENT_CONFIG,
  rtHKEY_DYN_DATA,
};

// Value kinds as used by ReadTyped, WriteTyped and Data lines.
enum TValueKind {
  vkString = 1,
  vkBoolean = 2,
  vkInteger = 3,
  vkFloat = 4,
  vkTime = 5,
  vkDate = 6,
  vkDateTime = 7,
};

using TVariant = std::variant<std::monostate, std::string, bool, int32_t, double>;

// A variant that cannot be converted to the kind WriteTyped was asked for.
class EVariantError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class THive;  // the SQLite database underneath, one connection per instance

// Not safe for concurrent use: an instance belongs to one thread. Every operation first calls
// Open; when Filename is empty reads return their default and writes do nothing. Failures of the
// hive raise ERegistryException ("Failed to set data for '%s'", "Failed to create key %s",
// "Failed to get data for '%s'", "Invalid data type for '%s'", or a text naming a damaged file).
// Each change is one transaction of its own unless the caller holds one (BeginTransaction).
class TIniRegistryEditor : public TComponent {
 public:
  // A run-time instance starts with rtHKEY_CLASSES_ROOT, LazyWrite off and an empty Filename.
  explicit TIniRegistryEditor(TComponent* owner = nullptr);
  // The hive file may be given for tests and tools; "" means RegistryFilePath().
  TIniRegistryEditor(TComponent* owner, std::string hivePath);
  ~TIniRegistryEditor() override;

  bool LazyWrite() const { return FLazyWrite; }
  void SetLazyWrite(bool value) { FLazyWrite = value; }
  TRootKeys RootKey() const { return FRootKey; }
  // A different root takes effect at the next operation, which reopens.
  void SetRootKey(TRootKeys value) { FRootKey = value; }
  const std::string& Filename() const { return FFilename; }
  void SetFilename(const std::string& value) {
    if (value != FFilename) FFilename = value;
  }
  TStringList& Data() { return FData; }
  void SetData(const TStringList& lines) { FData = lines; }
  const std::string& HivePath() const { return FHivePath; }

  // Ensures the key object for the current Filename and root (creating the key when missing);
  // false when Filename is empty. Raises when the hive file cannot be used.
  bool Open();

  // True when the section key holds at least one value (sub-keys alone do not count).
  bool SectionExists(const std::string& section);
  bool ValueExists(const std::string& section, const std::string& name);
  // True when the section key exists, with or without values.
  bool KeyExists(const std::string& section);

  std::string ReadString(const std::string& section, const std::string& name,
                         const std::string& def);
  // Accepts a DWORD, or decimal text (non-numeric text gives the default).
  int32_t ReadInteger(const std::string& section, const std::string& name, int32_t def);
  bool ReadBool(const std::string& section, const std::string& name, bool def);
  double ReadFloat(const std::string& section, const std::string& name, double def);
  TDateTime ReadDate(const std::string& section, const std::string& name, TDateTime def);
  TDateTime ReadTime(const std::string& section, const std::string& name, TDateTime def);
  TDateTime ReadDateTime(const std::string& section, const std::string& name, TDateTime def);

  void WriteString(const std::string& section, const std::string& name, const std::string& value);
  // A DWORD, except over an existing string value, which stays a string of the decimal text.
  void WriteInteger(const std::string& section, const std::string& name, int32_t value);
  void WriteBool(const std::string& section, const std::string& name, bool value);  // "1"/"0"
  void WriteFloat(const std::string& section, const std::string& name, double value);
  void WriteDate(const std::string& section, const std::string& name, TDateTime value);
  void WriteTime(const std::string& section, const std::string& name, TDateTime value);
  void WriteDateTime(const std::string& section, const std::string& name, TDateTime value);

  // Missing values give "", false, -1, 0, and the current time, date or date-time.
  TVariant ReadTyped(int kind, const std::string& section, const std::string& name);
  // Kinds outside 1..7 write nothing; a value that does not convert raises EVariantError.
  void WriteTyped(int kind, const std::string& section, const std::string& name,
                  const TVariant& value);

  void DeleteValue(const std::string& section, const std::string& name);
  // Deletes the key with its values and sub-keys, but only when SectionExists.
  void EraseSection(const std::string& section);
  // Deletes the section's values (Data := their names); sub-keys stay.
  void ClearSection(const std::string& section);
  void ReadValueNames(const std::string& section);  // Data := value names, creation order
  void ReadSection(const std::string& section, TStringList* receiver = nullptr);
  void ReadSections(TStringList* list = nullptr);  // Data := sub-keys of Filename, by name
  // A key's values at once, and every sub-key of Filename with its values in one read (in
  // ReadSections' order); TValueSet reads them as ReadString and ReadInteger would.
  TNamedValues ReadSectionValues(const std::string& section);
  std::vector<std::pair<std::string, TNamedValues>> ReadSubKeyValues();
  // Copies old (values and sub-keys) to new when old exists and new does not; new may not lie
  // inside old. Both are relative to Filename.
  void MoveKey(const std::string& oldName, const std::string& newName, bool deleteOld);

  // Binary values of the current key (Filename itself), at most 2048 bytes. A larger stream is
  // not written: the error is shown through the prompts. An absent value reads as empty.
  void WriteBinary(const std::string& name, TMemoryStream& stream);
  std::unique_ptr<TMemoryStream> ReadBinary(const std::string& name);

  void WriteSectionData(const std::string& section, const TStringList* lines = nullptr);
  // Runs Data as batch lines (docs/settings_store.md), all in one transaction.
  void ApplyData();
  void SplitData(char character, bool keepRight);

  // A value with its registry type, for tools that show the store; nullopt when absent.
  std::optional<TRegistryValue> ReadValue(const std::string& section, const std::string& name);

  // A group of operations that changes together (a dialog's whole section, the key with it).
  // Groups nest; the outermost holds the hive's write lock until it ends.
  void BeginTransaction();
  void CommitTransaction();
  void RollbackTransaction();

 private:
  class TChange;
  THive& Hive();
  std::string KeyPath(const std::string& section) const;
  std::optional<TRegistryValue> Get(const std::string& section, const std::string& name);
  void Put(const std::string& section, const std::string& name, const TRegistryValue& value,
           bool keepString = false);
  bool IsAutostartKey(const std::string& path) const;
  void ChangesEnded();

  bool FLazyWrite = false;
  TRootKeys FRootKey = rtHKEY_CLASSES_ROOT;
  std::string FFilename;
  TStringList FData;
  std::string FHivePath;
  std::unique_ptr<THive> FHive;  // the connection, for the life of the instance
  // The key object: Filename and root as last opened, and the LazyWrite applied to the hive.
  bool FKeyOpen = false;
  std::string FOpenPath;
  std::string FBasePath;  // FOpenPath normalised
  TRootKeys FOpenRoot = rtHKEY_CLASSES_ROOT;
  std::optional<bool> FLazyApplied;
  bool FAutostartTouched = false;  // the Run value changed in the running transaction
};

// Commits on Commit(), rolls back when left otherwise.
class TRegistryTransaction {
 public:
  explicit TRegistryTransaction(TIniRegistryEditor& store);
  ~TRegistryTransaction();
  TRegistryTransaction(const TRegistryTransaction&) = delete;
  TRegistryTransaction& operator=(const TRegistryTransaction&) = delete;
  void Commit();

 private:
  TIniRegistryEditor& FStore;
  bool FOpen = true;
};

// The root's name as the registry spells it ("HKEY_CURRENT_USER").
const char* RootKeyName(TRootKeys root);

}  // namespace vaultora
