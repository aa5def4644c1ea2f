// The connection and options dialogs walked as a user walks them: controls found by name,
// clicked and typed into, messages answered through the scripted prompts.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest/QTest>

#include <sys/stat.h>

#include <fstream>
#include <iterator>

#include "archive/encryption_key.h"
#include "archive/key_file.h"
#include "connect/simulated_ras_adapter.h"
#include "connect/ui/connection_dialog.h"
#include "connect/ui/options_dialog.h"
#include "controls/key_field.h"
#include "controls/number_field.h"
#include "settings/autostart_entry.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"
#include "support/scripted_prompts.h"
#include "support/test_profile.h"
#include "support/widget_lookup.h"

namespace vaultora::test {
namespace {

class SetupDialogs : public testing::Test {
 protected:
  void SetUp() override {
    store.SetRootKey(rtHKEY_CURRENT_USER);
    store.SetFilename(keys::kBaseKey);
  }
  static void Type(QWidget& window, const char* name, const QString& text) {
    auto& edit = Find<QLineEdit>(window, name);
    edit.setFocus();
    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_Delete);
    QTest::keyClicks(&edit, text);
  }
  std::string Stored(const char* section, const char* name) {
    store.SetFilename(keys::kBaseKey);
    const auto value = store.ReadValue(section, name);
    if (!value) return "(absent)";
    return value->Type == rdDword ? IntToStr(static_cast<int32_t>(value->Dword)) : value->Bytes;
  }

  TTestProfile profile;
  TIniRegistryEditor store;
  TScriptedPrompts prompts;
  TSimulatedRasAdapter facility;
};

TEST_F(SetupDialogs, ConnectionPreselectsByThePhoneBook) {
  {
    TfrmConnection dialog(store, &facility);
    EXPECT_EQ(dialog.windowTitle(), "Connection");
    EXPECT_TRUE(Find<QRadioButton>(dialog, "rbNewDialup").isChecked());
    EXPECT_EQ(Find<QListWidget>(dialog, "lbConnections").count(), 0);
  }
  facility.AddEntry("Office");
  facility.AddEntry("Home");
  TfrmConnection dialog(store, &facility);
  EXPECT_TRUE(Find<QRadioButton>(dialog, "rbExistingDialup").isChecked());
  EXPECT_EQ(Find<QListWidget>(dialog, "lbConnections").currentRow(), 0);
  EXPECT_EQ(Find<TNumberField>(dialog, "edServerPort").Text(), "211");
}

TEST_F(SetupDialogs, ConnectionDirectWithAnEntryStoresBothAndRefusesAnEmptiedPort) {
  facility.AddEntry("Office");
  facility.AddEntry("Home");
  TfrmConnection dialog(store, &facility);
  dialog.show();
  Click(dialog, "btnNext");  // existing dial-up: the list
  ASSERT_EQ(dialog.Page(), cpExisting);
  Find<QListWidget>(dialog, "lbConnections").setCurrentRow(1);
  Click(dialog, "btnBack");
  Click(dialog, "rbDirect");
  Click(dialog, "btnNext");
  ASSERT_EQ(dialog.Page(), cpServer);

  Click(dialog, "btnNext");
  ASSERT_EQ(prompts.Texts().size(), 1u);
  EXPECT_EQ(prompts.Texts()[0], "A Host has not been specified.");
  EXPECT_EQ(dialog.Page(), cpServer);
  EXPECT_EQ(dialog.focusWidget(), &Find<QLineEdit>(dialog, "edHost"));

  Type(dialog, "edHost", "127.0.0.1");
  auto& port = Find<TNumberField>(dialog, "edServerPort");
  port.Editor().selectAll();
  QTest::keyClick(&port.Editor(), Qt::Key_Backspace);
  Click(dialog, "btnNext");
  ASSERT_EQ(prompts.Texts().size(), 2u);
  EXPECT_EQ(prompts.Texts()[1], "A Server port has not been specified.");
  EXPECT_EQ(dialog.Page(), cpServer);
  EXPECT_TRUE(dialog.focusWidget() == &port || dialog.focusWidget() == &port.Editor());

  QTest::keyClicks(&port.Editor(), "4211");
  Click(dialog, "btnNext");
  ASSERT_EQ(dialog.Page(), cpFinished);
  EXPECT_EQ(Find<QPushButton>(dialog, "btnNext").text(), "&Apply");
  Click(dialog, "btnNext");
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(Stored(keys::kConnection, "Connection"), "Home");
  EXPECT_EQ(Stored(keys::kConnection, "UseLANServer"), "1");
  EXPECT_EQ(Stored(keys::kConnection, "Host"), "127.0.0.1");
  EXPECT_EQ(Stored(keys::kConnection, "ServerPort"), "4211");
}

TEST_F(SetupDialogs, ConnectionNewDialupEntryIsSelectedAndBackSkipsTheList) {
  facility.AddEntry("Office");
  TfrmConnection dialog(store, &facility);
  dialog.show();
  Click(dialog, "rbNewDialup");
  Click(dialog, "btnNext");  // the facility's new-entry dialog makes "Connection 2"
  ASSERT_EQ(dialog.Page(), cpExisting);
  auto& entries = Find<QListWidget>(dialog, "lbConnections");
  ASSERT_EQ(entries.count(), 2);
  EXPECT_EQ(entries.currentItem()->text(), "Connection 2");
  Click(dialog, "btnNext");
  ASSERT_EQ(dialog.Page(), cpServer);
  Click(dialog, "btnBack");
  EXPECT_EQ(dialog.Page(), cpExisting);  // the entry is now an existing one
  Click(dialog, "btnBack");
  Click(dialog, "rbDirect");
  Click(dialog, "btnNext");
  Click(dialog, "btnBack");
  EXPECT_EQ(dialog.Page(), cpCover);  // direct: back past the list
}

TEST_F(SetupDialogs, ConnectionCloseLeavesTheStoreAlone) {
  TfrmConnection dialog(store, &facility);
  dialog.show();
  Click(dialog, "rbDirect");
  Click(dialog, "btnNext");
  Type(dialog, "edHost", "10.0.0.1");
  Click(dialog, "btnClose");
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(Stored(keys::kConnection, "Host"), "(absent)");
}

TEST_F(SetupDialogs, OptionsBufferRaisedAndUntickedFlagLeavesNoValue) {
  store.WriteBool(keys::kPreferences, "AutoReconnect", true);
  TfrmOptions dialog(store, "/opt/vaultora/bin/vaultora");
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), "Options");
  EXPECT_TRUE(Find<QCheckBox>(dialog, "cbAutoReconnect").isChecked());
  dialog.GoTo(opModem);
  Click(dialog, "cbAutoReconnect");
  dialog.GoTo(opTransfer);
  auto& buffer = Find<TNumberField>(dialog, "edTransmitBuffer");
  buffer.Editor().selectAll();
  QTest::keyClicks(&buffer.Editor(), "100");
  dialog.GoTo(opCompression);
  auto& threads = Find<TNumberField>(dialog, "edCompressionThreads");
  EXPECT_EQ(threads.Editor().text(), "0");
  threads.Editor().selectAll();
  QTest::keyClicks(&threads.Editor(), "2");
  dialog.GoTo(opTransfer);
  auto& bandwidth = Find<TNumberField>(dialog, "edBandwidthLimit");
  bandwidth.Editor().selectAll();
  QTest::keyClicks(&bandwidth.Editor(), "512");
  // A first key goes in directly: with none stored the fields are open.
  dialog.GoTo(opEncryption);
  EXPECT_TRUE(Find<TKeyField>(dialog, "edNewKey").Open());
  EXPECT_FALSE(Find<TKeyField>(dialog, "edOldKey").Open());
  Type(dialog, "edNewKey", "first key");
  Type(dialog, "edConfirmKey", "first key");
  dialog.GoTo(opFinished);
  Click(dialog, "btnNext");
  EXPECT_EQ(dialog.result(), QDialog::Accepted)
      << (prompts.Texts().empty() ? "" : prompts.Texts()[0]);
  EXPECT_EQ(Stored(keys::kPreferences, "TrxOutBufferSize"), "128");
  EXPECT_EQ(Stored(keys::kPreferences, "BandwidthLimit"), "512");
  EXPECT_EQ(Stored(keys::kPreferences, "CompressionThreads"), "2");
  EXPECT_EQ(Stored(keys::kPreferences, "AutoReconnect"), "(absent)");
  EXPECT_EQ(ReadEncryptionKey(store), "first key");
}

TEST_F(SetupDialogs, OptionsKeyUnlocksOnlyForTheStoredKeyAndApplyKeepsIt) {
  WriteEncryptionKey(store, "old secret");
  {
    TfrmOptions dialog(store, "/opt/vaultora/bin/vaultora");
    dialog.show();
    dialog.GoTo(opEncryption);
    auto& newKey = Find<TKeyField>(dialog, "edNewKey");
    EXPECT_FALSE(newKey.Open());
    EXPECT_NE(newKey.text(), "old secret");  // a scrambled form, never the key
    Type(dialog, "edOldKey", "old secreX");
    EXPECT_FALSE(newKey.Open());
    EXPECT_TRUE(Find<TKeyField>(dialog, "edOldKey").Open());
    // Applying without unlocking keeps the key as it was.
    dialog.GoTo(opFinished);
    Click(dialog, "btnNext");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(ReadEncryptionKey(store), "old secret");
  }
  TfrmOptions dialog(store, "/opt/vaultora/bin/vaultora");
  dialog.show();
  dialog.GoTo(opEncryption);
  Type(dialog, "edOldKey", "old secret");
  auto& newKey = Find<TKeyField>(dialog, "edNewKey");
  EXPECT_TRUE(newKey.Open());
  EXPECT_EQ(dialog.focusWidget(), &newKey);
  EXPECT_FALSE(Find<TKeyField>(dialog, "edOldKey").Open());
  Type(dialog, "edNewKey", "new secret");
  Click(dialog, "btnNext");
  ASSERT_EQ(prompts.Texts().size(), 1u);
  EXPECT_EQ(prompts.Texts()[0],
            "The encryption key you have entered does not match the confirmation key.");
  EXPECT_EQ(dialog.Page(), opEncryption);
  Type(dialog, "edConfirmKey", "new secret");

  // The key saved to a file is private and reads back as the key.
  const std::string keyFile = profile.Home() + "my-key.txt";
  dialog.OnChooseKeyFile = [&] { return keyFile; };
  Click(dialog, "btnSaveKey");
  struct stat info {};
  ASSERT_EQ(::stat(keyFile.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  std::string readBack;
  ASSERT_TRUE(ReadKeyFile(keyFile, readBack));
  EXPECT_EQ(readBack, "new secret");

  Click(dialog, "btnNext");
  EXPECT_EQ(dialog.Page(), opCompression);
  dialog.GoTo(opFinished);
  Click(dialog, "btnNext");
  EXPECT_EQ(ReadEncryptionKey(store), "new secret");
}

TEST_F(SetupDialogs, OptionsDependentControlsFollowTheirBoxes) {
  TfrmOptions dialog(store, "/opt/vaultora/bin/vaultora");
  dialog.show();
  auto& action = Find<QComboBox>(dialog, "cbShutDownAction");
  auto& standby = Find<QGroupBox>(dialog, "gbStandbyMode");
  auto& shell = Find<QLineEdit>(dialog, "edShellCommand");
  EXPECT_FALSE(action.isEnabled());
  EXPECT_FALSE(Find<QPushButton>(dialog, "btnSchedules").isEnabled());
  dialog.GoTo(opShutDown);
  Click(dialog, "cbPromptBeforeShutdown");
  EXPECT_TRUE(action.isEnabled());
  EXPECT_TRUE(Find<TNumberField>(dialog, "edShutdownTimeout").isEnabled());
  action.setCurrentIndex(0);  // Standby
  EXPECT_TRUE(standby.isEnabled());
  EXPECT_FALSE(shell.isEnabled());
  action.setCurrentIndex(3);  // Execute Shell
  EXPECT_FALSE(standby.isEnabled());
  EXPECT_TRUE(shell.isEnabled());
  dialog.GoTo(opPreferences);
  Click(dialog, "cbScheduledBackups");
  EXPECT_TRUE(Find<QPushButton>(dialog, "btnSchedules").isEnabled());

  auto& email = Find<QLineEdit>(dialog, "edEMailAddress");
  EXPECT_FALSE(email.isEnabled());
  dialog.GoTo(opNotification);
  Click(dialog, "cbEMailNotification");
  EXPECT_TRUE(email.isEnabled());
  Click(dialog, "btnNext");
  ASSERT_FALSE(prompts.Texts().empty());
  EXPECT_EQ(prompts.Texts().back(), "A e-mail address has not been specified.");
  EXPECT_EQ(dialog.Page(), opNotification);
}

TEST_F(SetupDialogs, RunAtStartupWritesAndRemovesTheAutostartEntry) {
  {
    TfrmOptions dialog(store, "/opt/vaultora/bin/vaultora");
    dialog.show();
    dialog.GoTo(opPreferences);
    Click(dialog, "cbRunAtStartup");
    dialog.GoTo(opEncryption);
    Type(dialog, "edNewKey", "a key");
    Type(dialog, "edConfirmKey", "a key");
    dialog.GoTo(opFinished);
    Click(dialog, "btnNext");
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
  }
  std::ifstream entry(AutostartEntryPath());
  ASSERT_TRUE(entry.good());
  const std::string text((std::istreambuf_iterator<char>(entry)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("/opt/vaultora/bin/vaultora -StartupTray"), std::string::npos) << text;

  TfrmOptions dialog(store, "/opt/vaultora/bin/vaultora");
  dialog.show();
  dialog.GoTo(opPreferences);
  EXPECT_TRUE(Find<QCheckBox>(dialog, "cbRunAtStartup").isChecked());
  Click(dialog, "cbRunAtStartup");
  dialog.GoTo(opFinished);
  Click(dialog, "btnNext");
  EXPECT_FALSE(std::ifstream(AutostartEntryPath()).good());
  EXPECT_EQ(ReadEncryptionKey(store), "a key");  // kept, not unlocked this time
}

}  // namespace
}  // namespace vaultora::test
