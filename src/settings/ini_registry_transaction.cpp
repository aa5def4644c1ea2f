// Transactions of the settings store, and the autostart entry that follows the Run value when
// the outermost one ends.
#include "settings/autostart_entry.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_change.h"
#include "settings/registry_keys.h"

namespace vaultora {

namespace {

const std::string& RunKeyPath() {
  static const std::string path = JoinKeyPath(keys::kWindowsCurrentVersionKey, keys::kRunSection);
  return path;
}

}  // namespace

void TIniRegistryEditor::BeginTransaction() {
  Open();
  try {
    Hive().Begin();
  } catch (const EHiveError& e) {
    throw HiveFailure(FHivePath, e);
  }
}

void TIniRegistryEditor::CommitTransaction() {
  if (!FHive) return;
  try {
    FHive->Commit();
  } catch (const EHiveError& e) {
    ChangesEnded();
    throw HiveFailure(FHivePath, e);
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
  const std::string& run = RunKeyPath();
  if (FRootKey != rtHKEY_CURRENT_USER || path.size() > run.size()) return false;
  if (path.size() < run.size() && run[path.size()] != '\\') return false;
  return SameText(path, std::string_view(run).substr(0, path.size()));
}

// After the outermost transaction ends, the autostart entry follows the Run value as stored.
void TIniRegistryEditor::ChangesEnded() {
  if (!FAutostartTouched || !FHive || FHive->Depth() > 0) return;
  FAutostartTouched = false;
  const std::string& run = RunKeyPath();
  std::optional<TRegistryValue> value;
  try {
    value = FHive->GetValue(rtHKEY_CURRENT_USER, run, keys::kRunValue);
  } catch (const EHiveError&) {
    throw ERegistryException(Format(kGetFailed, keys::kRunValue));
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
