// The typed settings: one reading per value, defaults and ranges from the key table, and views
// that never move anyone else's key.
#include "settings/preferences.h"

#include <gtest/gtest.h>

#include "platform/folders.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_key.h"
#include "store_fixture.h"

namespace vaultora::test {
namespace {

namespace k = keys::setting;
using TypedSettings = StoreTest;

TEST_F(TypedSettings, AStoredZeroIsOnForAPresenceFlagAndOffForABoolean) {
  // What other tools or older versions may have written: "0", an empty string, a number.
  FStore->WriteString("Preferences", "KeepLogFiles", "0");
  FStore->WriteString("Preferences", "AutoReconnect", "");
  FStore->WriteString("Preferences", "DisConWhenFin", "0");
  FStore->WriteInteger("Preferences", "Enabled", 0);
  FStore->WriteString("Preferences", "TrapShutDown", "1");
  EXPECT_TRUE(ReadSetting(*FStore, k::KeepLogFiles));
  EXPECT_TRUE(ReadSetting(*FStore, k::AutoReconnect));
  EXPECT_FALSE(ReadSetting(*FStore, k::DisConWhenFin));
  EXPECT_FALSE(ReadSetting(*FStore, k::Enabled));
  EXPECT_TRUE(ReadSetting(*FStore, k::TrapShutDown));
  EXPECT_FALSE(ReadSetting(*FStore, k::RemFromTaskBar));  // absent: off

  const TPreferences p = TPreferences::Read(*FStore);
  EXPECT_TRUE(p.Log.KeepLogFiles);
  EXPECT_TRUE(p.AutoReconnect);
  EXPECT_FALSE(p.DisConWhenFin);
  EXPECT_FALSE(p.Enabled);
  EXPECT_TRUE(p.TrapShutDown);
}

TEST_F(TypedSettings, SwitchingEitherKindOffDeletesTheValueAndOnWritesOne) {
  WriteSetting(*FStore, k::DisConWhenFin, true);
  WriteSetting(*FStore, k::UseLANServer, true);
  EXPECT_EQ(FStore->ReadValue("Preferences", "DisConWhenFin")->Bytes, "1");
  EXPECT_EQ(FStore->ReadValue("Connection", "UseLANServer")->Bytes, "1");
  WriteSetting(*FStore, k::DisConWhenFin, false);
  WriteSetting(*FStore, k::UseLANServer, false);
  EXPECT_FALSE(FStore->ValueExists("Preferences", "DisConWhenFin"));
  EXPECT_FALSE(FStore->ValueExists("Connection", "UseLANServer"));
  EXPECT_EQ(SettingLine(k::Enabled), "2~Enabled=1");
  EXPECT_EQ(SettingLine(k::TrxOutBufferSize, 100), "3~TrxOutBufferSize=128");
  EXPECT_EQ(SettingLine(k::Host, "10.0.0.1"), "Host=10.0.0.1");
}

TEST_F(TypedSettings, IntegersReadTheirDefaultWhenAbsentAndStayInRange) {
  EXPECT_EQ(ReadSetting(*FStore, k::TrxOutBufferSize), 512);        // what the upload takes
  EXPECT_EQ(ReadShownSetting(*FStore, k::TrxOutBufferSize), 1024);  // what the dialog shows
  EXPECT_EQ(ReadStoredSetting(*FStore, k::DialRetry), std::nullopt);
  EXPECT_EQ(ReadShownSetting(*FStore, k::DialRetry), 5);

  FStore->WriteInteger("Preferences", "TrxOutBufferSize", 0);  // would send nothing for ever
  FStore->WriteInteger("Preferences", "TrxInBufferSize", 5000000);
  FStore->WriteInteger("Preferences", "DialWait", -3);
  FStore->WriteInteger("Preferences", "CompressionType", 7);  // no such list item
  FStore->WriteString("Preferences", "ShutdownTimeout", "soon");
  FStore->WriteString("Preferences", "DialRetry", "3");  // decimal text counts
  EXPECT_EQ(ReadSetting(*FStore, k::TrxOutBufferSize), 128);
  EXPECT_EQ(ReadSetting(*FStore, k::TrxInBufferSize), 1048576);
  EXPECT_EQ(ReadSetting(*FStore, k::DialWait), 0);
  EXPECT_EQ(ReadSetting(*FStore, k::CompressionType), 2);
  EXPECT_EQ(ReadStoredSetting(*FStore, k::ShutdownTimeout), std::nullopt);
  EXPECT_EQ(ReadSetting(*FStore, k::ShutdownTimeout), 30);
  EXPECT_EQ(ReadSetting(*FStore, k::DialRetry), 3);

  WriteSetting(*FStore, k::ServerPort, 70000);  // a port is cut to 16 bits: never store more
  EXPECT_EQ(FStore->ReadInteger("Connection", "ServerPort", 0), 65535);
}

TEST_F(TypedSettings, TheLogPolicyAndTheWorkingFolderComeFromThePreferences) {
  EXPECT_FALSE(ReadLogPolicy(*FStore).KeepLogFiles);
  EXPECT_EQ(ReadWorkingFolder(*FStore), IncludeTrailingSlash(AppDataFolder()));
  WriteSetting(*FStore, k::KeepLogFiles, true);
  EXPECT_EQ(ReadLogPolicy(*FStore).MaxLogFileSize, std::nullopt);  // no limit
  FStore->WriteInteger("Preferences", "MaxLogFileSize", 2);
  EXPECT_EQ(ReadLogPolicy(*FStore).MaxLogFileSize, 512);
  WriteSetting(*FStore, k::WorkingZipFolder, "/srv/backups");
  EXPECT_EQ(ReadWorkingFolder(*FStore), "/srv/backups/");
  EXPECT_EQ(TPreferences::Read(*FStore).WorkingFolder(), "/srv/backups/");
}

TEST_F(TypedSettings, TheTableKeepsEveryShownDefaultInItsRange) {
  for (const keys::TIntSetting& key :
       {k::CompressionType, k::TrxOutBufferSize, k::TrxInBufferSize, k::DialRetry, k::DialWait,
        k::MaxLogFileSize, k::ShutDownWin, k::ShutdownTimeout, k::StandbyTech,
        k::TransmitThreadPriority, k::ReceiveThreadPriority, k::ServerPort, k::ViewStyle}) {
    EXPECT_LE(key.Min, key.Shown) << key.Name;
    EXPECT_LE(key.Shown, key.Max) << key.Name;
    // A list index that is out of range falls back to its default: that must be an item.
    if (key.Range == keys::rrDefault) {
      EXPECT_EQ(InSettingRange(key, key.Default), key.Default) << key.Name;
    }
  }
}

TEST_F(TypedSettings, CalledCodeCannotMoveTheCallersKey) {
  FStore->SetFilename(keys::kScheduleKey);
  FStore->SetData({"the caller's lines"});
  const TRegistryKey backups(*FStore, keys::kBackupsKey);
  backups.WriteString("46000.5", "BackupTitle", "Monday");

  // Called code reads and writes elsewhere, lists keys, and fails in the middle.
  WriteSetting(*FStore, k::DialRetry, 4);
  (void)TPreferences::Read(*FStore);
  EXPECT_EQ(backups.Sections(), TStringList{"46000.5"});
  FStore->WriteInteger("Preferences", "Count", 1);  // through the caller's own key
  WriteSetting(*FStore, k::Host, "1.2.3.4");
  WriteSetting(*FStore, k::ServerPort, 211);
  EXPECT_THROW(BaseKey(*FStore).ReadString("Connection", "ServerPort", ""), ERegistryException);

  EXPECT_EQ(FStore->Filename(), keys::kScheduleKey);
  EXPECT_EQ(FStore->RootKey(), rtHKEY_CURRENT_USER);
  EXPECT_EQ(FStore->Data(), TStringList{"the caller's lines"});
  EXPECT_EQ(backups.ReadString("46000.5", "BackupTitle", ""), "Monday");
  EXPECT_EQ(FStore->ReadInteger("Preferences", "Count", 0), 1);  // below Schedule, not the base
  EXPECT_FALSE(BaseKey(*FStore, "Preferences").ValueExists("", "Count"));
  EXPECT_EQ(ReadSetting(*FStore, k::DialRetry), 4);
}

TEST_F(TypedSettings, ViewsJoinTheStoresTransaction) {
  {
    TRegistryTransaction transaction(*FStore);
    WriteSetting(*FStore, k::Host, "10.1.1.1");
    TRegistryKey(*FStore, keys::kBackupsKey).WriteString("1", "Size", "5");
  }  // rolled back
  EXPECT_FALSE(SettingExists(*FStore, k::Host));
  EXPECT_TRUE(TRegistryKey(*FStore, keys::kBackupsKey).Sections().empty());
}

}  // namespace
}  // namespace vaultora::test
