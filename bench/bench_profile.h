#pragma once
// A profile as the backup set builder finds it, for the benchmarks that run the builder: a
// working folder, an encryption key, the wizard's list and title, and a compression level.
// Header-only, like the other bench helpers.

#include <filesystem>
#include <string>

#include "archive/backup_file.h"
#include "archive/encryption_key.h"
#include "catalogue/catalogue.h"
#include "platform/folders.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"

namespace vaultora::bench {

inline constexpr const char* kBenchKey = "bench key";

// The options' compression type of a level the options offer (fastest, average, slowest).
inline int32_t CompressionTypeOf(TCompressionLevel level) {
  return level == clFastest ? 0 : level == clDefault ? 1 : 2;
}

struct TBuilderProfile {
  TIniRegistryEditor Store;
  std::string Work, List;

  TBuilderProfile(const std::string& root, TCompressionLevel level)
      : Work(root + "work/"), List(root + "bench.bfl") {
    ForceDirectories(Work);
    Store.SetRootKey(rtHKEY_CURRENT_USER);
    Store.SetFilename(keys::kBaseKey);
    Store.WriteString(keys::kPreferences, keys::preferences::kWorkingZipFolder, Work);
    SetLevel(level);
    WriteEncryptionKey(Store, kBenchKey);
    Store.SetFilename(keys::kBaseKey);
    Store.WriteString(keys::kBackupWizard, keys::wizard::kSession, List);
    Store.WriteString(keys::kBackupWizard, keys::wizard::kBackupTitle, "Bench");
  }

  void SetLevel(TCompressionLevel level) {
    Store.SetRootKey(rtHKEY_CURRENT_USER);
    Store.SetFilename(keys::kBaseKey);
    Store.WriteInteger(keys::kPreferences, keys::preferences::kCompressionType,
                       CompressionTypeOf(level));
  }

  // Empties the working folder and the catalogue after a run.
  void Clean() {
    std::error_code ignored;
    for (const auto& e : std::filesystem::directory_iterator(Work, ignored))
      std::filesystem::remove(e.path(), ignored);
    TCatalogue catalogue(Store);
    for (const std::string& id : catalogue.Ids())
      catalogue.Erase(id);
  }
};

}  // namespace vaultora::bench
