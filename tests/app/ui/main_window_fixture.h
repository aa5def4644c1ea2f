#pragma once
// The main window over a profile of its own with a few catalogued backups, scripted prompts and
// a recording session adapter and login manager, which share one log of calls. Posted messages are
// delivered by Deliver(), never by waiting.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTreeWidget>

#include <memory>
#include <string>

#include "app/ui/main_window.h"
#include "catalogue/catalogue.h"
#include "settings/registry_keys.h"
#include "support/catalogued_backup.h"
#include "support/recording_session_adapter.h"
#include "support/runtime/recording_login_manager.h"
#include "support/scripted_prompts.h"

namespace vaultora::test {

class MainWindowTest : public ::testing::Test {
 protected:
  void Open(bool trayAvailable = true) {
    TMainWindowOptions options;
    options.ProgramPath = "/opt/vaultora/bin/vaultora";
    options.TrayAvailable = trayAvailable;
    options.Session = &Session;
    options.LoginManager = [this] {
      return std::make_unique<TRecordingLoginManager>(Session.Calls);
    };
    Window = std::make_unique<TfrmMain>(options);
    // A set-up window never waits for a user here: it is recorded and left at once.
    Window->OnModalDialog = [this](QDialog& dialog) { ModalDialogs << dialog.objectName(); };
  }
  void TearDown() override { Window.reset(); }

  // Delivers posted messages until none is left (each may post the next).
  static void Deliver() {
    for (int i = 0; i < 20; ++i) {
      QCoreApplication::sendPostedEvents();
      QCoreApplication::processEvents();
    }
  }
  QTreeWidget& List() { return *Window->findChild<QTreeWidget*>("lvBackups"); }
  QString Panel(const char* name) { return Window->findChild<QLabel*>(name)->text(); }
  QStringList Headers() {
    QStringList headers;
    for (int i = 0; i < List().columnCount(); ++i)
      headers << List().headerItem()->text(i);
    return headers;
  }
  QTreeWidgetItem* Row(int index) { return List().topLevelItem(index); }
  bool Enabled(TMainCommand command) { return Window->Action(command)->isEnabled(); }
  void SetPreference(const char* name, bool on) {
    Profile.Store.SetRootKey(rtHKEY_CURRENT_USER);
    Profile.Store.SetFilename(keys::kBaseKey);
    if (on)
      Profile.Store.WriteBool(keys::kPreferences, name, true);
    else
      Profile.Store.DeleteValue(keys::kPreferences, name);
  }

  QStringList ModalDialogs;
  TBackupProfile Profile{"the user's own key"};
  TScriptedPrompts Prompts;
  TRecordingSessionAdapter Session;
  std::unique_ptr<TfrmMain> Window;
};

}  // namespace vaultora::test
