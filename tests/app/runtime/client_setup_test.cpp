#include "app/runtime/client_setup.h"

#include <gtest/gtest.h>

#include "platform/folders.h"
#include "platform/streams.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"
#include "support/scripted_prompts.h"
#include "support/test_profile.h"

namespace vaultora {
namespace {

class ClientSetup : public testing::Test {
 protected:
  ClientSetup() {
    store.SetRootKey(rtHKEY_CURRENT_USER);
    store.SetFilename(keys::kBaseKey);
  }
  test::TTestProfile profile;
  TIniRegistryEditor store;
};

TEST_F(ClientSetup, FirstRunDefaultsAreWrittenOnceWhenPreferencesAreMissing) {
  namespace p = keys::preferences;
  EXPECT_TRUE(WriteFirstRunDefaults(store, "/opt/vaultora/vaultora"));
  store.SetFilename(keys::kBaseKey);
  EXPECT_TRUE(store.ReadBool(keys::kPreferences, p::kEnabled, false));
  EXPECT_TRUE(store.ReadBool(keys::kPreferences, p::kDisConWhenFin, false));
  // New profiles keep their file lists private; profiles made before the option do not.
  EXPECT_TRUE(store.ReadBool(keys::kPreferences, p::kPrivateFileList, false));
  EXPECT_TRUE(store.ValueExists(keys::kPreferences, p::kAutoReconnect));
  EXPECT_TRUE(store.ValueExists(keys::kPreferences, p::kKeepLogFiles));
  EXPECT_EQ(store.ReadInteger(keys::kPreferences, p::kTrxOutBufferSize, 0), 2048);
  EXPECT_EQ(store.ReadInteger(keys::kPreferences, p::kMaxLogFileSize, 0), 512);
  EXPECT_EQ(store.ReadInteger(keys::kPreferences, p::kCompressionType, 0), 2);
  EXPECT_EQ(store.ReadString(keys::kPreferences, p::kShellCommand, ""), "Exit To Dos");
  EXPECT_EQ(store.ReadString(keys::kPreferences, p::kWorkingZipFolder, ""), AppDataFolder());
  EXPECT_EQ(store.ReadInteger(keys::kSettings, keys::settings::kViewStyle, 0), 3);
  EXPECT_TRUE(store.ReadBool(keys::kSettings, keys::settings::kTextLabels, false));
  store.SetFilename(keys::kWindowsCurrentVersionKey);
  EXPECT_EQ(store.ReadString(keys::kRunSection, keys::kRunValue, ""),
            "/opt/vaultora/vaultora -StartupTray");

  // An existing profile keeps its choices.
  store.SetFilename(keys::kBaseKey);
  store.WriteInteger(keys::kPreferences, p::kMaxLogFileSize, 2000);
  EXPECT_FALSE(WriteFirstRunDefaults(store, "/opt/vaultora/vaultora"));
  store.SetFilename(keys::kBaseKey);
  EXPECT_EQ(store.ReadInteger(keys::kPreferences, p::kMaxLogFileSize, 0), 2000);
}

TEST_F(ClientSetup, TheCommandLineClientWritesTheDefaultsButNoSessionAutostart) {
  EXPECT_TRUE(WriteFirstRunDefaults(store, ""));
  store.SetFilename(keys::kBaseKey);
  EXPECT_TRUE(store.ValueExists(keys::kPreferences, keys::preferences::kKeepLogFiles));
  store.SetFilename(keys::kWindowsCurrentVersionKey);
  EXPECT_FALSE(store.ValueExists(keys::kRunSection, keys::kRunValue));
}

TEST_F(ClientSetup, CheckSetupOpensWhatIsMissingAndRechecksTheKey) {
  std::vector<std::string> opened;
  test::TScriptedPrompts prompts;
  // Both missing: the connection set-up stores the host, the options set-up the key.
  CheckSetup(
      store,
      [&] {
        opened.push_back("connection");
        store.SetFilename(keys::kBaseKey);
        store.WriteString(keys::kConnection, keys::connection::kHost, "127.0.0.1");
      },
      [&] { opened.push_back("options"); });
  EXPECT_EQ(opened, (std::vector<std::string>{"connection", "options"}));
  EXPECT_EQ(prompts.Texts(), std::vector<std::string>{kSetupNeededText});
  EXPECT_EQ(prompts.Shown()[0].Kind, TPromptKind::pkInformation);

  // A key stored meanwhile: nothing more is asked.
  opened.clear();
  store.SetFilename(keys::kPreferencesKey);
  TMemoryStream key;
  key.Write("$01", 3);
  store.WriteBinary(keys::preferences::kVALKData, key);
  CheckSetup(
      store, [&] { opened.push_back("connection"); }, [&] { opened.push_back("options"); });
  EXPECT_TRUE(opened.empty());
  EXPECT_EQ(prompts.Shown().size(), 1u);
}

}  // namespace
}  // namespace vaultora
