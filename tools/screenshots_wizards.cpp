#include "tools/screenshots_wizards.h"

#include <QListWidget>
#include <QTreeWidget>

#include "app/ui/backup_wizard_dialog.h"
#include "app/ui/restore_wizard_dialog.h"
#include "platform/runtime/message_receiver.h"
#include "schedule/schedule_record.h"
#include "settings/ini_registry_editor.h"
#include "settings/preferences.h"
#include "settings/registry_keys.h"

namespace vaultora {

void SaveWizardScreenshots(TIniRegistryEditor& store, const std::string& list,
                           const TSaveShot& save) {
  store.SetRootKey(rtHKEY_CURRENT_USER);
  store.SetFilename(keys::kBaseKey);
  WriteSetting(store, keys::setting::WizardSession, list);
  WriteSetting(store, keys::setting::WizardBackupTitle, "Documents");
  DeleteSetting(store, keys::setting::WizardAppendBackup);
  WriteSetting(store, keys::setting::WizardExpireDays, 30);
  for (const char* name : {"Every night", "Friday evening"}) {
    TScheduleRecord schedule;
    schedule.Name = name;
    schedule.Time = "22:00:00";
    schedule.BackupTitle = "Documents";
    schedule.DefaultSession = list;
    schedule.Enabled = true;
    SaveSchedule(store, schedule);
  }
  // Nothing a wizard posts reaches a main window here: no page is applied.
  TMessageReceiver receiver;
  TStringList restoreList;
  {
    TfrmBackupWizard backup(store, true, restoreList, receiver);
    SaveEveryPage(backup, "backup-wizard", save, [&backup](int page) {
      if (page == bwSchedule)
        if (auto* schedules = backup.findChild<QListWidget*>("lbSchedules"))
          schedules->setCurrentRow(0);
    });
    backup.reject();
  }
  {
    TfrmRestoreWizard restore(store, restoreList, receiver);
    SaveEveryPage(restore, "restore-wizard", save, [&restore](int page) {
      if (page == rwRequest)
        if (auto* rows = restore.findChild<QTreeWidget*>("lvRequest");
            rows && rows->topLevelItem(0))
          rows->topLevelItem(0)->setCheckState(0, Qt::Checked);
      if (page == rwLocal)
        if (auto* rows = restore.findChild<QTreeWidget*>("lvLocal"); rows && rows->topLevelItem(0))
          rows->setCurrentItem(rows->topLevelItem(0));
      if (page == rwVerify)
        if (auto* rows = restore.findChild<QTreeWidget*>("lvVerify"); rows && rows->topLevelItem(0))
          rows->topLevelItem(0)->setCheckState(0, Qt::Checked);
    });
    restore.reject();
  }
}

}  // namespace vaultora
