#include "app/runtime/main_window_rules.h"

#include <cstring>

#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"

namespace vaultora {

namespace {

constexpr TCommandInfo kCommands[kMainCommandCount] = {
    {"actSchedule", "S&chedule", "Schedule", "Ctrl+S", "x-office-calendar"},
    {"actOptions", "&Options", "Options", "", "preferences-system"},
    {"actConnection", "&Connection", "Connection", "", "network-wired"},
    {"actDelete", "&Delete", "Delete", "", "edit-delete"},
    {"actUndo", "&Undo", "Undo", "", "edit-undo"},
    {"actExtract", "E&xtract", "Extract", "Ctrl+X", "document-open"},
    {"actSendReceive", "&Send && Receive", "Send and Receive", "Ctrl+E", "mail-send-receive"},
    {"actSendOnly", "S&end Only", "Send", "", "mail-send"},
    {"actReceiveOnly", "&Receive Only", "Receive", "", "mail-receive"},
    {"actDeleteOnly", "&Delete Only", "Delete", "", "edit-delete"},
    {"actDownloadSettings", "&Download Settings ", "Download Settings ", "", "go-down"},
    {"actBackup", "&Backup", "Backup Wizard", "Ctrl+B", "document-save"},
    {"actRestore", "&Restore", "Restore", "Ctrl+R", "document-revert"},
    {"actLogs", "&Logs", "View Logs", "Ctrl+V", "text-x-generic"},
    {"actMoveToSentItems", "&Move to \"Sent Items\"", "Move to \"Sent Items\"", "", "go-jump"},
    {"actClearCache", "&Clear cache", "Clear cache", "", "edit-clear"},
    {"actHelpContents", "&Contents", "Help Contents", "F1", "help-contents"},
    {"actAbout", "&About...", "About", "", "help-about"},
    {"actExit", "&Exit", "", "", "application-exit"},
    {"actStandardButtons", "&Standard Buttons", "", "", ""},
    {"actTextLabels", "&Text Labels", "", "", ""},
    {"actBackupFiles", "Backup File(s)", "", "", ""},
    {"actNotifications", "Desktop &Notifications", "Desktop notifications of failed work", "", ""},
};

void UseRoot(TIniRegistryEditor& store) {
  store.AtUserKey(keys::kBaseKey);
}

bool RemFromTaskBar(TIniRegistryEditor& store) {
  UseRoot(store);
  return store.ReadBool(keys::kPreferences, keys::preferences::kRemFromTaskBar, false);
}

}  // namespace

const TCommandInfo& CommandInfo(TMainCommand command) {
  return kCommands[command];
}

TCommandStates SelectionCommandStates(TCatalogueView view, bool selected, bool selectedDeleted) {
  TCommandStates states;
  states.Delete = selected && !selectedDeleted;
  states.Undo = selected && selectedDeleted;
  states.Extract = selected && view == cvInbox;
  states.MoveToSentItems = selected && (view == cvInbox || view == cvReceivingItems);
  return states;
}

std::optional<TWindowSettings> ReadWindowSettings(TIniRegistryEditor& store) {
  namespace s = keys::settings;
  UseRoot(store);
  if (!store.SectionExists(keys::kSettings)) return std::nullopt;
  TWindowSettings settings;
  settings.StandardButtons = store.ReadBool(keys::kSettings, s::kStandardButtons, false);
  settings.TextLabels = store.ReadBool(keys::kSettings, s::kTextLabels, false);
  settings.ViewSessionFiles = store.ReadBool(keys::kSettings, s::kViewSessionFiles, false);
  return settings;
}

void WriteWindowSetting(TIniRegistryEditor& store, const char* name, bool on) {
  UseRoot(store);
  if (on)
    store.WriteBool(keys::kSettings, name, true);
  else
    store.DeleteValue(keys::kSettings, name);
}

TCloseAction CloseBoxAction(TIniRegistryEditor& store) {
  return RemFromTaskBar(store) ? caClose : caMinimize;
}

TCloseAction ExitAction(TIniRegistryEditor& store, bool trayAvailable) {
  if (RemFromTaskBar(store)) return caClose;
  return trayAvailable ? caHide : caMinimize;
}

bool StartsInTray(int argc, const char* const* argv) {
  return argc > 1 && std::strcmp(argv[1], "-StartupTray") == 0;
}

bool NotificationsOn(TIniRegistryEditor& store) {
  UseRoot(store);
  return store.ReadBool(keys::kPreferences, kShowNotificationsValue, true);
}

void SetNotificationsOn(TIniRegistryEditor& store, bool on) {
  UseRoot(store);
  store.WriteBool(keys::kPreferences, kShowNotificationsValue, on);
}

std::string TrayToolTipText(const std::string& text) {
  // Counted in characters of the UTF-8 text, so a cut never splits one.
  size_t characters = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool continuation = (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
    if (!continuation && characters++ == kMaxTrayToolTip) return text.substr(0, i);
  }
  return text;
}

}  // namespace vaultora
