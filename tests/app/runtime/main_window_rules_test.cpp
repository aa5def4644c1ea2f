#include <gtest/gtest.h>

#include "app/runtime/main_window_rules.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"
#include "support/test_profile.h"

namespace vaultora {
namespace {

TEST(MainWindowRules, TheTreeShowsFiveViewsUnderThreeTopNodes) {
  int views = 0;
  int top = 0;
  for (const TTreeNode& node : kTreeNodes) {
    views += node.View ? 1 : 0;
    top += node.Level == 0 ? 1 : 0;
  }
  EXPECT_EQ(views, 5);
  EXPECT_EQ(top, 3);
  EXPECT_FALSE(kTreeNodes[0].View);  // "Backups" empties the list
  EXPECT_EQ(kTreeNodes[6].View, cvDeleted);
}

TEST(MainWindowRules, CommandsFollowTheViewAndTheSelection) {
  EXPECT_FALSE(SelectionCommandStates(cvInbox, false, false).Delete);
  EXPECT_FALSE(SelectionCommandStates(cvInbox, false, false).Extract);
  const TCommandStates inbox = SelectionCommandStates(cvInbox, true, false);
  EXPECT_TRUE(inbox.Delete && inbox.Extract && inbox.MoveToSentItems && !inbox.Undo);
  const TCommandStates deleted = SelectionCommandStates(cvDeleted, true, true);
  EXPECT_TRUE(deleted.Undo && !deleted.Delete && !deleted.Extract);
  const TCommandStates receiving = SelectionCommandStates(cvReceivingItems, true, false);
  EXPECT_TRUE(receiving.MoveToSentItems && !receiving.Extract);
  EXPECT_FALSE(SelectionCommandStates(cvOutbox, true, false).MoveToSentItems);
}

TEST(MainWindowRules, ExactCaptionsHintsAndShortcuts) {
  EXPECT_STREQ(CommandInfo(mcSendReceive).Caption, "&Send && Receive");
  EXPECT_STREQ(CommandInfo(mcDownloadSettings).Caption, "&Download Settings ");
  EXPECT_STREQ(CommandInfo(mcBackup).Hint, "Backup Wizard");
  EXPECT_STREQ(CommandInfo(mcLogs).Shortcut, "Ctrl+V");
  EXPECT_STREQ(CommandInfo(mcExit).Hint, "");
}

TEST(MainWindowRules, TheToolTipIsCutTo63CharactersNeverInsideOne) {
  EXPECT_EQ(TrayToolTipText(std::string(64, 'a')), std::string(63, 'a'));
  EXPECT_EQ(TrayToolTipText("Vaultora"), "Vaultora");
  // 62 letters and two two-byte characters: the cut falls after the first of them.
  const std::string text = std::string(62, 'a') + "\xC3\xA9\xC3\xA9";
  EXPECT_EQ(TrayToolTipText(text), std::string(62, 'a') + "\xC3\xA9");
}

TEST(MainWindowRules, CloseBoxAndExitFollowRemFromTaskBarAndTheTray) {
  test::TTestProfile profile;
  TIniRegistryEditor store;
  store.AtUserKey(keys::kBaseKey);
  EXPECT_EQ(CloseBoxAction(store), caMinimize);
  EXPECT_EQ(ExitAction(store, true), caHide);
  EXPECT_EQ(ExitAction(store, false), caMinimize);  // hidden, nothing could bring it back
  store.WriteBool(keys::kPreferences, keys::preferences::kRemFromTaskBar, true);
  EXPECT_EQ(CloseBoxAction(store), caClose);
  EXPECT_EQ(ExitAction(store, false), caClose);
  // A stored "0" is off: the value is a boolean, not a flag by presence.
  store.WriteBool(keys::kPreferences, keys::preferences::kRemFromTaskBar, false);
  EXPECT_EQ(CloseBoxAction(store), caMinimize);
}

TEST(MainWindowRules, WindowSettingsAreReadOnlyWhenTheirSectionExists) {
  test::TTestProfile profile;
  TIniRegistryEditor store;
  EXPECT_FALSE(ReadWindowSettings(store));
  WriteWindowSetting(store, keys::settings::kTextLabels, true);
  std::optional<TWindowSettings> settings = ReadWindowSettings(store);
  ASSERT_TRUE(settings);
  EXPECT_TRUE(settings->TextLabels);
  EXPECT_FALSE(settings->StandardButtons);
  WriteWindowSetting(store, keys::settings::kTextLabels, false);
  store.AtUserKey(keys::kBaseKey);
  EXPECT_FALSE(store.ValueExists(keys::kSettings, keys::settings::kTextLabels));
}

TEST(MainWindowRules, StartupTrayIsTheFirstArgumentExactly) {
  const char* tray[] = {"vaultora", "-StartupTray"};
  const char* other[] = {"vaultora", "-startuptray"};
  const char* late[] = {"vaultora", "x", "-StartupTray"};
  EXPECT_TRUE(StartsInTray(2, tray));
  EXPECT_FALSE(StartsInTray(2, other));
  EXPECT_FALSE(StartsInTray(3, late));
  EXPECT_FALSE(StartsInTray(1, tray));
}

TEST(MainWindowRules, NotificationsAreOnUntilSwitchedOff) {
  test::TTestProfile profile;
  TIniRegistryEditor store;
  EXPECT_TRUE(NotificationsOn(store));
  SetNotificationsOn(store, false);
  EXPECT_FALSE(NotificationsOn(store));
}

}  // namespace
}  // namespace vaultora
