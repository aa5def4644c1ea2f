#pragma once
// The rules of the main window without the window: the fixed tree and the view of each node, the
// command table (captions, hints, shortcuts), which commands are available for a view and a
// selection, the window settings read and written under Settings and Preferences, and the close
// box rule. The window shows what these say; tests check them without a window.

#include <array>
#include <optional>
#include <string>

#include "backupset/catalogue.h"

namespace vaultora {

class TIniRegistryEditor;

// The fixed tree: captions, levels and the view each node shows (none for "Backups" and
// "Restores", which empty the list and keep the view number).
struct TTreeNode {
  const char* Caption;
  int Level;
  std::optional<TCatalogueView> View;
};
inline constexpr std::array<TTreeNode, 7> kTreeNodes = {{
    {"Backups", 0, std::nullopt},
    {"Outbox", 1, cvOutbox},
    {"Sent Items", 1, cvSentItems},
    {"Restores", 0, std::nullopt},
    {"Inbox", 1, cvInbox},
    {"Receiving Items", 1, cvReceivingItems},
    {"Deleted", 0, cvDeleted},
}};

// Every user command of the main window.
enum TMainCommand {
  mcSchedule,
  mcOptions,
  mcConnection,
  mcDelete,
  mcUndo,
  mcExtract,
  mcSendReceive,
  mcSendOnly,
  mcReceiveOnly,
  mcDeleteOnly,
  mcDownloadSettings,
  mcBackup,
  mcRestore,
  mcLogs,
  mcMoveToSentItems,
  mcClearCache,
  mcHelpContents,
  mcAbout,
  mcExit,
  mcStandardButtons,
  mcTextLabels,
  mcBackupFiles,
  mcNotifications,  // ours: desktop notifications through the tray icon
};
inline constexpr int kMainCommandCount = mcNotifications + 1;

struct TCommandInfo {
  const char* Name;      // the action's object name
  const char* Caption;   // "&" marks the access key, "&&" is one "&"
  const char* Hint;      // "" for none
  const char* Shortcut;  // in QKeySequence's portable text, "" for none
  const char* Icon;      // the freedesktop icon name, "" for none
};
const TCommandInfo& CommandInfo(TMainCommand command);

// What the selection allows; recomputed whenever the selection changes.
struct TCommandStates {
  bool Delete = false;
  bool Undo = false;
  bool Extract = false;
  bool MoveToSentItems = false;
};
// view is the current view number (kept while "Backups" or "Restores" is selected); selected
// tells whether a row is selected and selectedDeleted whether it carries the deleted mark.
TCommandStates SelectionCommandStates(TCatalogueView view, bool selected, bool selectedDeleted);

// The toolbar and viewer switches of the View menu (section Settings) and the close box rule.
struct TWindowSettings {
  bool StandardButtons = false;
  bool TextLabels = false;
  bool ViewSessionFiles = false;
};
// Only when Settings exists; nullopt otherwise (the window keeps what it shows).
std::optional<TWindowSettings> ReadWindowSettings(TIniRegistryEditor& store);
// A switch is written true when on and deleted when off.
void WriteWindowSetting(TIniRegistryEditor& store, const char* name, bool on);

// The close box and File > Exit: with RemFromTaskBar they end the program; otherwise the close
// box minimises and Exit hides. Without a notification area to bring the window back the close
// box and Exit minimise instead of hiding (hiding would leave the program unreachable).
enum TCloseAction { caClose, caMinimize, caHide };
TCloseAction CloseBoxAction(TIniRegistryEditor& store);
TCloseAction ExitAction(TIniRegistryEditor& store, bool trayAvailable);
// "-StartupTray": hidden with a notification area, minimised without one.
bool StartsInTray(int argc, const char* const* argv);

// Desktop notifications of failed runs through the tray icon; on unless switched off.
bool NotificationsOn(TIniRegistryEditor& store);
void SetNotificationsOn(TIniRegistryEditor& store, bool on);
inline constexpr const char* kShowNotificationsValue = "ShowNotifications";

// The tray tooltip as the platform gets it: at most 63 characters.
std::string TrayToolTipText(const std::string& text);
inline constexpr size_t kMaxTrayToolTip = 63;

}  // namespace vaultora
