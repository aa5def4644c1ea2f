#pragma once
// TIniRegistryEditor: the settings store. It presents a hierarchical key store the way an ini
// file is presented: a base key (Filename) whose sub-keys are sections and whose values are
// names. The hive is one SQLite database (RegistryFilePath()); every instance holds its own
// connection, so an instance belongs to one thread, while several instances, threads and
// processes may use the same hive at once. Failures of the hive raise ERegistryException.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <variant>

#include "platform/component.h"
#include "platform/date_time.h"
#include "platform/streams.h"
#include "platform/text.h"

namespace vaultora {

class ERegistryException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

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

class THive;  // the SQLite database underneath, one connection per instance

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
  void SetRootKey(TRootKeys value);
  const std::string& Filename() const { return FFilename; }
  void SetFilename(const std::string& value);
  TStringList& Data() { return FData; }
  void SetData(const TStringList& lines) { FData = lines; }
  const std::string& HivePath() const { return FHivePath; }

  bool Open();

  bool SectionExists(const std::string& section);
  bool ValueExists(const std::string& section, const std::string& name);

  std::string ReadString(const std::string& section, const std::string& name,
                         const std::string& def);
  int32_t ReadInteger(const std::string& section, const std::string& name, int32_t def);
  bool ReadBool(const std::string& section, const std::string& name, bool def);
  double ReadFloat(const std::string& section, const std::string& name, double def);
  TDateTime ReadDate(const std::string& section, const std::string& name, TDateTime def);
  TDateTime ReadTime(const std::string& section, const std::string& name, TDateTime def);
  TDateTime ReadDateTime(const std::string& section, const std::string& name, TDateTime def);

  void WriteString(const std::string& section, const std::string& name, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& name, int32_t value);
  void WriteBool(const std::string& section, const std::string& name, bool value);
  void WriteFloat(const std::string& section, const std::string& name, double value);
  void WriteDate(const std::string& section, const std::string& name, TDateTime value);
  void WriteTime(const std::string& section, const std::string& name, TDateTime value);
  void WriteDateTime(const std::string& section, const std::string& name, TDateTime value);

  TVariant ReadTyped(int kind, const std::string& section, const std::string& name);
  void WriteTyped(int kind, const std::string& section, const std::string& name,
                  const TVariant& value);

  void DeleteValue(const std::string& section, const std::string& name);
  void EraseSection(const std::string& section);
  void ClearSection(const std::string& section);
  void ReadValueNames(const std::string& section);
  void ReadSection(const std::string& section, TStringList* receiver = nullptr);
  void ReadSections(TStringList* list = nullptr);
  void MoveKey(const std::string& oldName, const std::string& newName, bool deleteOld);

  // Binary values of the current key (Filename itself), at most 2048 bytes.
  void WriteBinary(const std::string& name, TMemoryStream& stream);
  std::unique_ptr<TMemoryStream> ReadBinary(const std::string& name);

  void WriteSectionData(const std::string& section, const TStringList* lines = nullptr);
  void ApplyData();
  void SplitData(char character, bool keepRight);

  // A group of operations that changes together (a dialog's whole section, the key with it).
  void BeginTransaction();
  void CommitTransaction();
  void RollbackTransaction();

 private:
  bool FLazyWrite = false;
  TRootKeys FRootKey = rtHKEY_CLASSES_ROOT;
  std::string FFilename;
  TStringList FData;
  std::string FHivePath;
  std::unique_ptr<THive> FHive;  // the "registry object" for the current Filename and root
};

// Commits on Commit(), rolls back when left otherwise.
class TRegistryTransaction {
 public:
  explicit TRegistryTransaction(TIniRegistryEditor& store);
  ~TRegistryTransaction();
  void Commit();

 private:
  TIniRegistryEditor& FStore;
  bool FOpen = true;
};

}  // namespace vaultora
