// The set-up windows the main window opens: connection, options and schedules. Each is modal;
// the main window reads its settings again when it closes (in Run).
#include "app/ui/main_window.h"
#include "connect/ui/connection_dialog.h"
#include "connect/ui/options_dialog.h"
#include "schedule/ui/schedule_wizard_dialog.h"

namespace vaultora {

namespace {

void RunModal(const std::function<void(QDialog&)>& hook, QDialog& dialog) {
  if (hook)
    hook(dialog);
  else
    dialog.exec();
}

}  // namespace

void TfrmMain::ConnectionCommand() {
  TfrmConnection dialog(FStore, nullptr, this);
  RunModal(OnModalDialog, dialog);
}

void TfrmMain::OptionsCommand() {
  TfrmOptions dialog(FStore, FOptions.ProgramPath, this);
  dialog.OnSchedules = [this] { ScheduleCommand(); };
  RunModal(OnModalDialog, dialog);
}

void TfrmMain::ScheduleCommand() {
  TfrmSchedules dialog(FStore, this);
  RunModal(OnModalDialog, dialog);
}

}  // namespace vaultora
