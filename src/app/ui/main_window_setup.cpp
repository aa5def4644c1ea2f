// The set-up windows and wizards the main window opens: connection, options, schedules and the
// backup and restore wizards. Each is modal; the main window reads its settings again when it
// closes (in Run).
#include "app/ui/backup_wizard_dialog.h"
#include "app/ui/main_window.h"
#include "app/ui/restore_wizard_dialog.h"
#include "connect/ui/connection_dialog.h"
#include "connect/ui/options_dialog.h"
#include "schedule/ui/schedule_wizard_dialog.h"

namespace vaultora {

void TfrmMain::RunModal(QDialog& dialog) {
  if (OnModalDialog)
    OnModalDialog(dialog);
  else
    dialog.exec();
}

void TfrmMain::BackupWizardCommand() {
  TfrmBackupWizard wizard(FStore, FQueue->AnyWork(), FRestoreList, *FReceiver, this);
  RunModal(wizard);
}

void TfrmMain::RestoreWizardCommand() {
  TfrmRestoreWizard wizard(FStore, FRestoreList, *FReceiver, this);
  RunModal(wizard);
}

void TfrmMain::ConnectionCommand() {
  TfrmConnection dialog(FStore, nullptr, this);
  RunModal(dialog);
}

void TfrmMain::OptionsCommand() {
  TfrmOptions dialog(FStore, FOptions.ProgramPath, this);
  dialog.OnSchedules = [this] { ScheduleCommand(); };
  RunModal(dialog);
}

void TfrmMain::ScheduleCommand() {
  TfrmSchedules dialog(FStore, this);
  RunModal(dialog);
}

}  // namespace vaultora
