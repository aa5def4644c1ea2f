#pragma once
// Inside the settings store: one change as a transaction of its own, and the error texts.
// Only the store's own sources include this.

#include <string>

#include "platform/text.h"
#include "settings/hive.h"
#include "settings/ini_registry_editor.h"

namespace vaultora {

inline constexpr const char* kSetFailed = "Failed to set data for '%s'";
inline constexpr const char* kCreateFailed = "Failed to create key %s";
inline constexpr const char* kGetFailed = "Failed to get data for '%s'";

// A failure of the file as a whole (locked, read-only, full disk), naming it.
inline ERegistryException HiveFailure(const std::string& path, const EHiveError& error) {
  return ERegistryException(
      Format("The settings file \"%s\" cannot be changed: %s", path.c_str(), error.what()));
}

// One change: its own transaction unless the caller holds one. Hive failures become the
// store's error text (built only when needed: writes are frequent); a damaged file keeps the
// text that names it.
class TIniRegistryEditor::TChange {
 public:
  TChange(TIniRegistryEditor& store, const char* pattern, const std::string& argument)
      : FStore(store), FHive(store.Hive()), FPattern(pattern), FArgument(argument) {
    if (FHive.Depth() > 0) return;
    try {
      FHive.Begin();
    } catch (const EHiveError&) {
      throw ERegistryException(Format(FPattern, FArgument.c_str()));
    }
    FOwn = true;
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

  // Runs one step; a hive failure raises the change's text, or the one given for this step.
  template <class F>
  decltype(auto) Guard(F&& step, const char* pattern = nullptr,
                       const std::string* argument = nullptr) {
    try {
      return step();
    } catch (const EHiveError&) {
      throw ERegistryException(
          Format(pattern ? pattern : FPattern, (argument ? *argument : FArgument).c_str()));
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
  const char* FPattern;
  const std::string& FArgument;
  bool FOwn = false;
  bool FDone = false;
};

}  // namespace vaultora
