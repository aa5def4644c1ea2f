#pragma once
// The "Restore" window over backups that vaultora-cli builds in a profile of its own, with
// scripted prompts. The window starts by itself once shown; Open waits for that by processing
// events, never by sleeping.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>

#include <functional>
#include <memory>
#include <string>

#include "archive/ui/restore_options_dialog.h"
#include "archive/ui/restore_rows_model.h"
#include "archive/ui/restore_window.h"
#include "catalogue/catalogue.h"
#include "platform/date_time.h"
#include "support/catalogued_backup.h"
#include "support/cli_profile.h"
#include "support/scripted_prompts.h"
#include "support/temp_folder.h"
#include "support/widget_lookup.h"

namespace vaultora::test {

class RestoreWindowTest : public ::testing::Test {
 protected:
  static constexpr const char* kKey = "the user's own key";

  RestoreWindowTest() { Profile.SetKey(kKey); }

  void WriteSource(const std::string& name, const std::string& content, int year) {
    WriteTextFile(Source / name, content);
    SetFileDate(Source / name, EncodeDate(year, 1, 1));
  }
  // A backup of Source by the builder; the first one sets up the file list.
  std::string Backup(const std::string& arguments) {
    if (!FListMade) {
      EXPECT_EQ(Profile.Run("list create " + Source.Path() + " --rule --subfolders --wizard"), 0)
          << Profile.Output();
      FListMade = true;
    }
    const std::string id = Profile.Backup(arguments);
    EXPECT_FALSE(id.empty()) << Profile.Output();
    return id;
  }
  void MarkSent(const std::string& id) { TCatalogue(Profile.Store).MarkSent(id); }

  std::unique_ptr<TfrmRestore> Open(const std::string& key) {
    auto window = std::make_unique<TfrmRestore>(Profile.Store, key);
    if (BeforeShow) BeforeShow(*window);
    window->show();
    for (int i = 0; i < 500 && !window->Started(); ++i)
      QCoreApplication::processEvents();
    EXPECT_TRUE(window->Started());
    return window;
  }
  // Every line the window logged (the log list empties itself past 51 lines).
  QStringList Log(TfrmRestore& window) {
    QStringList lines;
    auto& list = Find<QListWidget>(window, "lbLog");
    for (int i = 0; i < list.count(); ++i)
      lines << list.item(i)->text();
    return lines;
  }
  QAction& Action(TfrmRestore& window, const char* name) {
    QAction* action = window.findChild<QAction*>(name);
    if (!action) throw std::runtime_error(std::string("no action ") + name);
    return *action;
  }
  // "&Restore File(s)" with the options dialog filled by fill, then "&Extract" pressed.
  bool Extract(TfrmRestore& window, const std::function<void(TfrmRestoreOptions&)>& fill) {
    bool extracted = false;
    QObject::connect(&window, &TfrmRestore::ExtractFinished, &window,
                     [&extracted](bool ok) { extracted = ok; });
    window.OnOptionsDialog = [&fill](TfrmRestoreOptions& dialog) {
      fill(dialog);
      Click(dialog, "btnExtract");
    };
    Action(window, "actRestoreFiles").trigger();
    return extracted;
  }
  static void OtherPath(TfrmRestoreOptions& dialog, const std::string& folder, bool names) {
    Find<QRadioButton>(dialog, "rbOtherPath").setChecked(true);
    Find<QLineEdit>(dialog, "edFolder").setText(QString::fromStdString(folder));
    Find<QCheckBox>(dialog, "cbUseFolderNames").setChecked(names);
  }
  // Where "Use Folder Names" puts the files of Source below folder.
  std::string Below(const TTempFolder& folder) const {
    return folder.Path() + Source.Path().substr(1);
  }

  TScriptedPrompts Prompts{true};
  TCliProfile Profile{VAULTORA_CLI_PATH};
  TTempFolder Source;
  TTempFolder Target;
  std::function<void(TfrmRestore&)> BeforeShow;

 private:
  bool FListMade = false;
};

}  // namespace vaultora::test
