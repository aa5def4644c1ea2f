#include "tools/screenshots_restore.h"

#include <QApplication>
#include <QTableView>

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "archive/blowfish.h"
#include "archive/ui/restore_options_dialog.h"
#include "archive/ui/restore_window.h"
#include "archive/ui/verify_window.h"
#include "backupset/creating_backup_run.h"
#include "catalogue/catalogue.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"

namespace vaultora {

void SaveRestoreWindows(TIniRegistryEditor& store, const std::string& base, const std::string& docs,
                        const std::function<void(QWidget& window, const char* name)>& save) {
  // An incremental backup on base, after the notes changed: a chain of two to list.
  std::ofstream(docs + "notes.txt", std::ios::binary) << "Things to keep, and more of them.\n";
  store.SetRootKey(rtHKEY_CURRENT_USER);
  store.SetFilename(keys::kBaseKey);
  store.WriteString(keys::kBackupWizard, keys::wizard::kBackupTitle, "Photos 2026, later");
  store.WriteString(keys::kBackupWizard, keys::wizard::kAppendBackup, base);
  TCatalogue catalogue(store);
  const TStringList before = catalogue.Ids();
  TBlowfish cipher;
  TCreatingBackupRun run(store, &cipher);
  if (!run.Run()) std::fprintf(stderr, "screenshots: the incremental sample backup failed\n");
  std::string incremental;
  for (const std::string& id : catalogue.Ids())
    if (std::find(before.begin(), before.end(), id) == before.end()) incremental = id;
  store.DeleteValue(keys::kBackupWizard, keys::wizard::kAppendBackup);
  catalogue.MarkSent(incremental);

  {
    TfrmRestore window(store, incremental);
    window.show();
    for (int i = 0; i < 50 && !window.Started(); ++i)
      QCoreApplication::processEvents();
    window.findChild<QTableView*>("lvFiles")->selectRow(0);
    save(window, "restore-window");
    TfrmRestoreOptions options(true, &window);
    save(options, "restore-options");
    options.hide();
    window.hide();
  }
  TfrmVerify verify(store, {base, incremental});
  verify.Start();
  for (int i = 0; i < 2000 && !verify.Finished(); ++i) {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
  }
  save(verify, "verify-backups");
  verify.hide();
}

}  // namespace vaultora
