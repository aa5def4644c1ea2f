#pragma once
// TRegistryKey: key-scoped access to a settings store. A view is bound to one key path (below
// HKEY_CURRENT_USER unless told otherwise) and addresses its sections and values relative to
// it. Each call selects the view's key for that call alone and puts the store's Filename, root
// and Data back before it returns, so code that works through a view never moves the key of
// anyone else using the same store, and no caller depends on the key another left behind.
// A view is as cheap to copy as its path; it belongs to the store's thread. Failures of the hive
// raise ERegistryException as the store's own calls do.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/streams.h"
#include "platform/text.h"
#include "settings/hive_format.h"
#include "settings/ini_registry_editor.h"

namespace vaultora {

class TRegistryKey {
 public:
  TRegistryKey(TIniRegistryEditor& store, std::string path, TRootKeys root = rtHKEY_CURRENT_USER);

  const std::string& Path() const { return FPath; }
  TIniRegistryEditor& Store() const { return *FStore; }
  // The view of a sub-key (a section of this key).
  TRegistryKey Sub(const std::string& section) const;

  bool SectionExists(const std::string& section) const;
  bool ValueExists(const std::string& section, const std::string& name) const;
  bool KeyExists(const std::string& section) const;

  std::string ReadString(const std::string& section, const std::string& name,
                         const std::string& def) const;
  int32_t ReadInteger(const std::string& section, const std::string& name, int32_t def) const;
  bool ReadBool(const std::string& section, const std::string& name, bool def) const;
  TDateTime ReadDateTime(const std::string& section, const std::string& name, TDateTime def) const;
  std::optional<TRegistryValue> ReadValue(const std::string& section,
                                          const std::string& name) const;

  void WriteString(const std::string& section, const std::string& name,
                   const std::string& value) const;
  void WriteInteger(const std::string& section, const std::string& name, int32_t value) const;
  void WriteBool(const std::string& section, const std::string& name, bool value) const;
  void WriteDateTime(const std::string& section, const std::string& name, TDateTime value) const;
  // A value of kind 1 to 7 (ReadTyped and WriteTyped of the store).
  void WriteTyped(int kind, const std::string& section, const std::string& name,
                  const TVariant& value) const;
  void DeleteValue(const std::string& section, const std::string& name) const;

  void EraseSection(const std::string& section) const;
  void ClearSection(const std::string& section) const;
  // The section's value names in creation order, and this key's sub-keys by name.
  TStringList ValueNames(const std::string& section) const;
  TStringList Sections() const;
  // Every value of a section, and every sub-key with its values, each in one read.
  TNamedValues SectionValues(const std::string& section) const;
  std::vector<std::pair<std::string, TNamedValues>> SubKeyValues() const;
  void MoveKey(const std::string& oldName, const std::string& newName, bool deleteOld) const;
  // Runs lines as the batch of one section (the way dialogs save a page).
  void WriteSectionData(const std::string& section, const TStringList& lines) const;

  // Binary values of this key itself.
  void WriteBinary(const std::string& name, TMemoryStream& stream) const;
  std::unique_ptr<TMemoryStream> ReadBinary(const std::string& name) const;

 private:
  template <class F>
  auto At(F&& operation) const;
  template <class F>
  auto AtKeepingData(F&& operation) const;

  TIniRegistryEditor* FStore;
  std::string FPath;
  TRootKeys FRoot;
};

}  // namespace vaultora
