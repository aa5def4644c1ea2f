#pragma once
// A settings store over a hive file of its own, set up the way the program uses it.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "settings/ini_registry_editor.h"
#include "support/temp_folder.h"

namespace vaultora::test {

class StoreTest : public testing::Test {
 protected:
  std::unique_ptr<TIniRegistryEditor> NewStore(const std::string& filename = "Software\\Vaultora") {
    auto store = std::make_unique<TIniRegistryEditor>(nullptr, HivePath());
    store->SetRootKey(rtHKEY_CURRENT_USER);
    store->SetLazyWrite(true);
    store->SetFilename(filename);
    return store;
  }
  std::string HivePath() const { return FFolder / "registry.db"; }

  TTempFolder FFolder;
  std::unique_ptr<TIniRegistryEditor> FStore = NewStore();
};

}  // namespace vaultora::test
