#include "tools/screenshots_setup.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QTimer>

#include "connect/simulated_ras_adapter.h"
#include "connect/ui/connection_dialog.h"
#include "connect/ui/options_dialog.h"
#include "controls/text_rows_model.h"
#include "schedule/ui/schedule_wizard_dialog.h"
#include "selection/ui/drop_window.h"
#include "selection/ui/extensions_dialog.h"
#include "selection/ui/picker_window.h"
#include "selection/ui/session_window.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"

namespace vaultora {

namespace {

std::string PageName(const char* prefix, int page) {
  return std::string(prefix) + "-page-" + std::to_string(page);
}

void WaitUntil(const std::function<bool()>& done) {
  for (int i = 0; i < 400 && !done(); ++i) {
    QEventLoop loop;
    QTimer::singleShot(10, &loop, &QEventLoop::quit);
    loop.exec();
  }
}

}  // namespace

void SaveEveryPage(TWizardDialog& dialog, const char* prefix, const TSaveShot& save,
                   const std::function<void(int page)>& before) {
  dialog.resize(560, 400);
  for (int page = 0; page < dialog.PageCount(); ++page) {
    dialog.GoTo(page);
    if (before) before(page);
    save(dialog, PageName(prefix, page).c_str());
  }
  dialog.hide();
}

void SaveSetupScreenshots(TIniRegistryEditor& store, const std::string& docs,
                          const std::string& list, const TSaveShot& save) {
  TSimulatedRasAdapter facility;
  facility.AddEntry("Office line");
  facility.AddEntry("Mobile hotspot");
  {
    TfrmConnection connection(store, &facility);
    SaveEveryPage(connection, "connection", save);
  }
  {
    TfrmOptions options(store, "/usr/bin/vaultora");
    SaveEveryPage(options, "options", save);
  }
  {
    TfrmSchedules schedules(store);
    schedules.findChild<QLineEdit*>("edScheduleName")->setText("Every night");
    schedules.findChild<QLineEdit*>("edBackupTitle")->setText("Documents");
    SaveEveryPage(schedules, "schedules", save);
  }

  store.SetRootKey(rtHKEY_CURRENT_USER);
  store.SetFilename(keys::kBaseKey);
  store.WriteString(keys::kBackupWizard, keys::wizard::kSession, list);
  {
    TfrmSession editor(store, smWizard, WizardSessionSource());
    editor.PickOnShow = false;
    editor.SelectFolder(docs);
    editor.show();
    WaitUntil([&] { return !editor.Counting(); });
    save(editor, "file-list-editor");
    editor.hide();
  }
  {
    TfrmSession viewer(store, smViewer);
    viewer.ShowList(list);
    viewer.resize(640, 260);
    WaitUntil([&] { return !viewer.Counting(); });
    save(viewer, "file-list-viewer");
  }
  {
    TfrmSession scheduled(store, smSchedule, ScheduleSessionSource("Every night"));
    scheduled.PickOnShow = false;
    scheduled.Edit().AddSelected({docs}, "*.odt", true);
    scheduled.Refresh();
    scheduled.setWindowTitle("Backup Files");
    WaitUntil([&] { return !scheduled.Counting(); });
    save(scheduled, "file-list-schedule");
    scheduled.hide();
    TfrmDropWindow drops(false);
    save(drops, "file-list-drop-window");
  }
  {
    TfrmPicker picker(docs);
    WaitUntil([&] { return !picker.Listing(); });
    save(picker, "picker");
    TfrmExtensions extensions({".odt", ".ods", ".txt"}, "*.odt", &picker);
    save(extensions, "picker-extensions");
  }
}

}  // namespace vaultora
