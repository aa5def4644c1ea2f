// The options set-up: loading by presence or by value, the key page, the page checks, and the
// section Apply writes, which always keeps the key and changes all together or not at all.
#include <sqlite3.h>

#include <gtest/gtest.h>

#include "archive/encryption_key.h"
#include "connect/option_setup.h"
#include "platform/folders.h"
#include "settings/autostart_entry.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"
#include "support/temp_folder.h"
#include "support/test_profile.h"

namespace vaultora::test {
namespace {

namespace p = keys::preferences;

class OptionSetup : public testing::Test {
 protected:
  void SetUp() override { Root(); }
  void Root() {
    store.SetRootKey(rtHKEY_CURRENT_USER);
    store.SetFilename(keys::kBaseKey);
  }
  TOptionSetup Loaded() {
    TOptionSetup setup;
    setup.Load(store);
    return setup;
  }
  TStringList StoredNames() {
    Root();
    store.ReadValueNames(keys::kPreferences);
    return store.Data();
  }
  std::string Stored(const char* name) {
    Root();
    const auto value = store.ReadValue(keys::kPreferences, name);
    if (!value) return "(absent)";
    return value->Type == rdDword ? "dword " + IntToStr(static_cast<int32_t>(value->Dword))
                                  : value->Bytes;
  }
  std::string RunValue() {
    store.SetFilename(keys::kWindowsCurrentVersionKey);
    const std::string run = store.ReadString(keys::kRunSection, keys::kRunValue, "(absent)");
    Root();
    return run;
  }

  TTestProfile profile;
  TIniRegistryEditor store;
};

TEST_F(OptionSetup, EmptyStoreShowsTheDialogDefaults) {
  const TOptionSetup setup = Loaded();
  const TOptionValues& v = setup.Values;
  EXPECT_EQ(v.WorkingFolder, AppDataFolder());
  EXPECT_EQ(v.MaxLogFileSize, 512);  // absent reads -1, raised to the field's minimum
  EXPECT_EQ(v.TransmitBufferSize, 1024);
  EXPECT_EQ(v.ShellCommand, "Exit To Dos");
  EXPECT_FALSE(v.KeepLogFiles || v.ScheduledBackups || v.RunAtStartup || v.EMailNotification);
  EXPECT_FALSE(setup.HasStoredKey());
  EXPECT_TRUE(setup.KeyUnlocked());  // a first key can be entered at once
}

TEST_F(OptionSetup, FlagsLoadByPresenceAndSwitchesByValue) {
  const char* s = keys::kPreferences;
  store.WriteString(s, p::kKeepLogFiles, "0");  // present: on, whatever it holds
  store.WriteString(s, p::kAutoReconnect, "");
  store.WriteBool(s, p::kEnabled, false);  // read as a boolean: off
  store.WriteBool(s, p::kTrapShutDown, true);
  store.WriteString(s, p::kDisConWhenFin, "0");  // a boolean too: the line is not hung up
  store.WriteString(s, p::kRemFromTaskBar, "0");
  store.WriteString(s, p::kNotifyEMail, "ann@example.com");
  store.WriteInteger(s, p::kCompressionType, 7);    // no such item: the default stays
  store.WriteInteger(s, p::kShutdownTimeout, 500);  // shown within the field's range
  store.WriteInteger(s, p::kMaxLogFileSize, 2048);
  store.WriteString(s, p::kWorkingZipFolder, "/srv/backups/");
  store.SetFilename(keys::kWindowsCurrentVersionKey);
  store.WriteString(keys::kRunSection, keys::kRunValue, "/usr/bin/vaultora -StartupTray");

  const TOptionValues v = Loaded().Values;
  EXPECT_TRUE(v.KeepLogFiles);
  EXPECT_TRUE(v.AutoReconnect);
  EXPECT_FALSE(v.ScheduledBackups);
  EXPECT_TRUE(v.PromptBeforeShutdown);
  EXPECT_FALSE(v.DisconnectWhenFinished);
  EXPECT_FALSE(v.RemoveFromTaskbar);
  EXPECT_TRUE(v.EMailNotification);
  EXPECT_EQ(v.EMailAddress, "ann@example.com");
  EXPECT_FALSE(v.SMSNotification);
  EXPECT_EQ(v.CompressionType, 2);
  EXPECT_EQ(v.ShutdownTimeout, 60);
  EXPECT_EQ(v.MaxLogFileSize, 2048);
  EXPECT_EQ(v.WorkingFolder, "/srv/backups/");
  EXPECT_TRUE(v.RunAtStartup);

  store.SetFilename(keys::kWindowsCurrentVersionKey);
  store.WriteString(keys::kRunSection, keys::kRunValue, "");  // empty counts as off
  EXPECT_FALSE(Loaded().Values.RunAtStartup);
}

TEST_F(OptionSetup, ApplyWritesTheLinesInTheirOrderWithTheirKinds) {
  store.WriteString(keys::kPreferences, "Obsolete", "gone after applying");
  store.WriteBool(keys::kPreferences, p::kAutoReconnect, true);
  TOptionSetup setup = Loaded();
  TOptionValues& v = setup.Values;
  v.ScheduledBackups = true;
  v.TransmitBufferSize = 100;  // raised to 128
  v.ReceiveBufferSize = 4096;
  v.AutoReconnect = false;  // unticked: no value left
  v.KeepLogFiles = true;
  v.MaxLogFileSize = 100;  // below 512: no limit stored
  v.WorkingFolder = "";
  v.ShellCommand = "";
  v.SMSNotification = true;
  v.SMSNumber = "+44 7700 900123";
  v.PrivateFileList = true;
  ASSERT_FALSE(setup.Apply(store, "/opt/vaultora/vaultora"));

  EXPECT_EQ(
      StoredNames(),
      TStringList({"Enabled", "CatchUpMissed", "CatchUpDelay", "TrxOutBufferSize",
                   "TrxInBufferSize", "DialRetry", "DialWait", "PrivateFileList", "CompressionType",
                   "KeepLogFiles", "ShutDownWin", "ShutdownTimeout", "ShellCommand", "StandbyTech",
                   "TransmitThreadPriority", "ReceiveThreadPriority", "NotifySMS"}));
  EXPECT_EQ(Stored(p::kEnabled), "1");
  EXPECT_EQ(Stored(p::kTrxOutBufferSize), "dword 128");
  EXPECT_EQ(Stored(p::kTrxInBufferSize), "dword 4096");
  EXPECT_EQ(Stored(p::kShellCommand), "");  // written also when empty
  EXPECT_EQ(Stored(p::kNotifySMS), "+44 7700 900123");
  EXPECT_EQ(Stored(p::kAutoReconnect), "(absent)");
  EXPECT_EQ(RunValue(), "(absent)");

  // Reloading shows what was applied.
  const TOptionValues again = Loaded().Values;
  EXPECT_EQ(again.TransmitBufferSize, 128);
  EXPECT_FALSE(again.AutoReconnect);
  EXPECT_EQ(again.MaxLogFileSize, 512);
  EXPECT_EQ(again.WorkingFolder, AppDataFolder());
}

TEST_F(OptionSetup, CompressionThreadsSurviveApplyingAndZeroMeansEveryCore) {
  // A value set from the command line is shown and stored again, not lost by applying.
  store.WriteInteger(keys::kPreferences, p::kCompressionThreads, 3);
  TOptionSetup setup = Loaded();
  EXPECT_EQ(setup.Values.CompressionThreads, 3);
  ASSERT_FALSE(setup.Apply(store, "/opt/vaultora/vaultora"));
  EXPECT_EQ(Stored(p::kCompressionThreads), "dword 3");
  setup.Values.CompressionThreads = 0;
  ASSERT_FALSE(setup.Apply(store, "/opt/vaultora/vaultora"));
  EXPECT_EQ(Stored(p::kCompressionThreads), "(absent)");
  EXPECT_EQ(Loaded().Values.CompressionThreads, 0);
  // Beyond the limit a stored value is shown at it.
  store.WriteInteger(keys::kPreferences, p::kCompressionThreads, 100000);
  EXPECT_EQ(Loaded().Values.CompressionThreads, keys::setting::CompressionThreads.Max);
}

TEST_F(OptionSetup, RunAtStartupWritesTheRunValueAndTheAutostartEntry) {
  TOptionSetup setup = Loaded();
  setup.Values.RunAtStartup = true;
  ASSERT_FALSE(setup.Apply(store, "/opt/vaultora/vaultora"));
  EXPECT_EQ(RunValue(), "/opt/vaultora/vaultora -StartupTray");
  EXPECT_TRUE(FileExists(AutostartEntryPath()));

  setup.Values.RunAtStartup = false;
  ASSERT_FALSE(setup.Apply(store, "/opt/vaultora/vaultora"));
  EXPECT_EQ(RunValue(), "(absent)");
  EXPECT_FALSE(FileExists(AutostartEntryPath()));
}

TEST_F(OptionSetup, ApplyingKeepsTheStoredKey) {
  WriteEncryptionKey(store, "Pancakes1");
  Root();
  TOptionSetup locked = Loaded();
  EXPECT_TRUE(locked.HasStoredKey());
  EXPECT_FALSE(locked.KeyUnlocked());
  EXPECT_EQ(locked.NewKey(), ScrambleKeyText("Pancakes1"));  // never the key itself
  EXPECT_FALSE(locked.Check(opEncryption));
  ASSERT_FALSE(locked.Apply(store, "/opt/vaultora/vaultora"));
  EXPECT_EQ(ReadEncryptionKey(store), "Pancakes1");

  // Unlocked and then left blank: the key is still kept.
  TOptionSetup blanked = Loaded();
  ASSERT_TRUE(blanked.TypeOldKey("Pancakes1"));
  blanked.SetNewKey("");
  blanked.SetConfirmKey("");
  EXPECT_EQ(blanked.Check(opEncryption)->Text, kNoEncryptionKeyEnteredText);
  ASSERT_FALSE(blanked.Apply(store, "/opt/vaultora/vaultora"));
  EXPECT_EQ(ReadEncryptionKey(store), "Pancakes1");
}

TEST_F(OptionSetup, TheOldKeyUnlocksTheNewKeyFields) {
  WriteEncryptionKey(store, "Pancakes1");
  Root();
  TOptionSetup setup = Loaded();
  EXPECT_FALSE(setup.TypeOldKey("Pancake"));
  EXPECT_FALSE(setup.TypeOldKey("pancakes1"));  // exactly, letter case too
  setup.SetNewKey("Waffles");
  EXPECT_EQ(setup.NewKey(), ScrambleKeyText("Pancakes1"));  // still read-only
  EXPECT_TRUE(setup.TypeOldKey("Pancakes1"));
  EXPECT_EQ(setup.NewKey(), "Pancakes1");
  EXPECT_EQ(setup.ConfirmKey(), "Pancakes1");

  setup.SetNewKey("Waffles ");
  setup.SetConfirmKey("Waffle");
  const TSetupCheck mismatch = setup.Check(opEncryption);
  ASSERT_TRUE(mismatch);
  EXPECT_EQ(mismatch->Text, kKeyMismatchText);
  EXPECT_EQ(mismatch->Field, kNewKeyField);
  EXPECT_EQ(setup.Apply(store, "")->Text, kKeyMismatchText);
  EXPECT_EQ(ReadEncryptionKey(store), "Pancakes1");

  setup.SetConfirmKey(" Waffles");  // equal once trimmed
  EXPECT_FALSE(setup.Check(opEncryption));
  ASSERT_FALSE(setup.Apply(store, ""));
  EXPECT_EQ(ReadEncryptionKey(store), "Waffles");
}

TEST_F(OptionSetup, AKeyThatCannotBeReadIsStoredAgainUnchanged) {
  const std::vector<uint8_t> damaged = {1, 2, 3, 4, 5, 6, 7};
  store.SetFilename(keys::kPreferencesKey);
  TMemoryStream bytes(damaged);
  store.WriteBinary(p::kVALKData, bytes);
  Root();
  TOptionSetup setup = Loaded();
  EXPECT_FALSE(setup.HasStoredKey());
  ASSERT_FALSE(setup.Apply(store, ""));
  store.SetFilename(keys::kPreferencesKey);
  EXPECT_EQ(store.ReadBinary(p::kVALKData)->Bytes(), damaged);

  // A value of another type is no key: the options still load and apply.
  store.WriteString("", p::kVALKData, "not a key");
  Root();
  TOptionSetup typed = Loaded();
  EXPECT_FALSE(typed.HasStoredKey());
  EXPECT_FALSE(typed.Apply(store, ""));
}

TEST_F(OptionSetup, PageChecksAndRefusedApplyWritesNothing) {
  TTempFolder folder;
  store.WriteInteger(keys::kPreferences, p::kDialRetry, 9);
  TOptionSetup setup = Loaded();
  setup.Values.WorkingFolder = folder / "missing";
  EXPECT_EQ(setup.Check(opCompression)->Text, kNoWorkingFolderText);
  EXPECT_EQ(setup.Apply(store, "")->Field, kWorkingFolderField);
  setup.Values.WorkingFolder = folder.Path();
  EXPECT_FALSE(setup.Check(opCompression));

  setup.Values.EMailNotification = true;
  setup.Values.EMailAddress = "  ";
  EXPECT_EQ(setup.Check(opNotification)->Text, kNoEMailAddressText);
  setup.Values.EMailAddress = "ann@example.com";
  setup.Values.SMSNotification = true;
  EXPECT_EQ(setup.Check(opNotification)->Text, kNoSMSNumberText);
  EXPECT_EQ(setup.Apply(store, "")->Field, kSMSNumberField);
  EXPECT_EQ(StoredNames(), TStringList({"DialRetry"}));  // as it was

  EXPECT_EQ(Loaded().Check(opEncryption)->Text, kNoEncryptionKeyEnteredText);
  for (int page : {opWelcome, opPreferences, opModem, opTransfer, opShutDown, opFinished})
    EXPECT_FALSE(setup.Check(page)) << page;
}

TEST_F(OptionSetup, AFailureMidwayLeavesTheSectionWhole) {
  WriteEncryptionKey(store, "Pancakes1");
  Root();
  store.WriteInteger(keys::kPreferences, p::kDialRetry, 9);
  store.WriteBool(keys::kPreferences, p::kKeepLogFiles, true);
  const TStringList before = StoredNames();

  // The hive refuses one of the lines, after the section was cleared and half rewritten.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(RegistryFilePath().c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db,
                         "CREATE TRIGGER refuse BEFORE INSERT ON reg_value WHEN "
                         "NEW.name = 'ShutDownWin' BEGIN SELECT RAISE(ABORT, 'refused'); END;",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  TOptionSetup setup = Loaded();
  setup.Values.DialRetry = 1;
  EXPECT_THROW(setup.Apply(store, ""), ERegistryException);
  sqlite3_exec(db, "DROP TRIGGER refuse", nullptr, nullptr, nullptr);
  sqlite3_close(db);

  EXPECT_EQ(StoredNames(), before);
  EXPECT_EQ(Stored(p::kDialRetry), "dword 9");
  EXPECT_EQ(ReadEncryptionKey(store), "Pancakes1");
}

TEST_F(OptionSetup, DependentControls) {
  TOptionSetup setup = Loaded();
  TOptionValues& v = setup.Values;
  EXPECT_FALSE(setup.Controls().ShutDownAction);
  v.ShutDownAction = 0;  // Standby, but the prompt is off
  EXPECT_FALSE(setup.Controls().StandbyMode);
  v.PromptBeforeShutdown = true;
  EXPECT_TRUE(setup.Controls().ShutDownAction);
  EXPECT_TRUE(setup.Controls().StandbyMode);
  EXPECT_FALSE(setup.Controls().ShellCommand);
  v.ShutDownAction = 3;  // Execute Shell
  EXPECT_FALSE(setup.Controls().StandbyMode);
  EXPECT_TRUE(setup.Controls().ShellCommand);
  v.ScheduledBackups = v.SMSNotification = true;
  EXPECT_TRUE(setup.Controls().ScheduleButton);
  EXPECT_TRUE(setup.Controls().SMSNumber);
  EXPECT_FALSE(setup.Controls().EMailAddress);
}

}  // namespace
}  // namespace vaultora::test
