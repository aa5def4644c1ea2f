#include "connect/ui/options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "archive/key_file.h"
#include "connect/option_summary.h"
#include "controls/field_state.h"
#include "controls/key_field.h"
#include "controls/number_field.h"
#include "controls/summary_text.h"
#include "platform/folders.h"
#include "platform/prompts.h"
#include "settings/registry_keys.h"

namespace vaultora {

namespace {

namespace p = keys::preferences;
using V = TOptionValues;

const char* const kKeyWarning =
    "Your backups are enciphered with this key on this computer before they are sent. The "
    "backup server never sees the key, and nobody can recover it for you: without it your "
    "backups cannot be restored. Keep a copy somewhere safe, away from this computer (\"Save "
    "key to a file\" below).";
const char* const kFileListNote =
    "The list of files sent with each backup is otherwise enciphered under a pass phrase every "
    "copy of the program knows, so the backup server, and anyone who reads its storage, can read "
    "the name, size and date of every file. A private list is enciphered under your key; only "
    "a backup's title, times and size stay readable. Another computer needs the same key to "
    "fetch the list again.";
const char* const kKeyLockedText =
    "Type the present key in \"Old Key\" to change it or to save it to a file.";
const char* const kKeyOpenText = "Type the new key twice (at most 56 characters).";
const char* const kSaveKeyFirst =
    "There is no key to save yet: type the present key in \"Old Key\", or enter a new key in "
    "both fields.";

QLabel* Intro(const char* text) {
  auto* label = new QLabel(text);
  label->setWordWrap(true);
  return label;
}

QVBoxLayout* PageLayout(QWidget* page, const char* intro) {
  auto* layout = new QVBoxLayout(page);
  if (*intro) layout->addWidget(Intro(intro));
  return layout;
}

}  // namespace

TfrmOptions::TfrmOptions(TIniRegistryEditor& store, std::string programPath, QWidget* parent)
    : TWizardDialog("frmOptions", "Options", parent),
      FStore(store),
      FProgramPath(std::move(programPath)) {
  AddPage(CreateWelcome(), "Welcome");
  AddPage(CreatePreferences(), "Preferences");
  AddPage(CreateEncryption(), "Encryption");
  AddPage(CreateCompression(), "Compression");
  AddPage(CreateModem(), "Modem");
  AddPage(CreateTransfer(), "Transfer");
  AddPage(CreateShutDown(), "Shut Down");
  AddPage(CreateNotification(), "Notification");
  AddPage(CreateFinished(), "Finished");
  SetTabsClickable(true);
  FSetup.Load(FStore);
  ShowValues();
  GoTo(opWelcome);
}

QCheckBox* TfrmOptions::Flag(const char* name, const char* caption, bool V::*field) {
  auto* box = new QCheckBox(caption);
  box->setObjectName(name);
  FFlags.emplace_back(box, field);
  connect(box, &QCheckBox::toggled, this, [this] { UpdateControls(); });
  return box;
}

TNumberField* TfrmOptions::Number(const char* name, int minimum, int maximum, int step,
                                  int32_t V::*field) {
  auto* number = new TNumberField(name, minimum, maximum, step, FSetup.Values.*field);
  FNumbers.emplace_back(number, field);
  return number;
}

template <size_t N>
QComboBox* TfrmOptions::Choice(const char* name, const char* const (&items)[N], int32_t V::*field) {
  auto* box = new QComboBox;
  box->setObjectName(name);
  for (const char* item : items)
    box->addItem(QString::fromUtf8(item));
  FChoices.emplace_back(box, field);
  connect(box, &QComboBox::currentIndexChanged, this, [this] { UpdateControls(); });
  return box;
}

QLineEdit* TfrmOptions::Text(const char* name, std::string V::*field, const char* problem) {
  auto* edit = new QLineEdit;
  edit->setObjectName(name);
  if (*problem) SetProblemField(*edit, problem);
  FTexts.emplace_back(edit, field);
  return edit;
}

QWidget* TfrmOptions::CreateWelcome() {
  auto* page = new QWidget;
  auto* layout = PageLayout(
      page,
      "These pages set how Vaultora works: when it starts, your encryption key, how backups "
      "are packed, dialling, transfers, what happens at shut down and how you are told about "
      "finished work. Walk them with \"Next\" or click a tab; nothing is stored until you "
      "apply on the last page.");
  layout->addStretch(1);
  return page;
}

QWidget* TfrmOptions::CreatePreferences() {
  auto* page = new QWidget;
  auto* layout = PageLayout(page, "");
  layout->addWidget(Flag("cbRunAtStartup", "Run at startup", &V::RunAtStartup));
  layout->addWidget(Flag("cbRemoveFromTaskbar", "Remove from the taskbar", &V::RemoveFromTaskbar));
  auto* schedules = new QHBoxLayout;
  schedules->addWidget(
      Flag("cbScheduledBackups", "Enable scheduled backups", &V::ScheduledBackups));
  auto* button = new QPushButton("Schedules...");
  button->setObjectName("btnSchedules");
  connect(button, &QPushButton::clicked, this, [this] { OpenSchedules(); });
  FScheduleButton = button;
  schedules->addWidget(button);
  schedules->addStretch(1);
  layout->addLayout(schedules);
  auto* catchUp = new QHBoxLayout;
  catchUp->addWidget(Flag("cbCatchUpMissed", "Run a schedule missed while off or asleep, after",
                          &V::CatchUpMissed));
  catchUp->addWidget(Number("edCatchUpDelay", 0, p::kMaxCatchUpDelay, 1, &V::CatchUpDelay));
  catchUp->addWidget(new QLabel("minute(s)"));
  catchUp->addStretch(1);
  layout->addLayout(catchUp);
  layout->addWidget(Flag("cbKeepLogFiles", "Keep log files", &V::KeepLogFiles));
  auto* form = new QFormLayout;
  form->addRow("Maximum log size:", Number("edMaxLogSize", p::kMinMaxLogFileSize,
                                           p::kMaxMaxLogFileSize, 512, &V::MaxLogFileSize));
  layout->addLayout(form);
  layout->addStretch(1);
  return page;
}

QWidget* TfrmOptions::CreateEncryption() {
  auto* page = new QWidget;
  auto* layout = PageLayout(page, kKeyWarning);
  auto* form = new QFormLayout;
  FOldKey = new TKeyField("edOldKey");
  FNewKey = new TKeyField("edNewKey");
  FConfirmKey = new TKeyField("edConfirmKey");
  SetProblemField(*FNewKey, kNewKeyField);
  form->addRow("Old Key", FOldKey);
  form->addRow("New Key:", FNewKey);
  form->addRow("Confirm:", FConfirmKey);
  layout->addLayout(form);
  FKeyStatus = new QLabel;
  FKeyStatus->setObjectName("lblKeyStatus");
  FKeyStatus->setWordWrap(true);
  layout->addWidget(FKeyStatus);
  auto* save = new QPushButton("Save key to a file...");
  save->setObjectName("btnSaveKey");
  layout->addWidget(save, 0, Qt::AlignLeft);
  layout->addWidget(Flag("cbPrivateFileList", "Keep file lists private (enciphered under this key)",
                         &V::PrivateFileList));
  layout->addWidget(Intro(kFileListNote));
  layout->addStretch(1);
  connect(FOldKey, &QLineEdit::textEdited, this, [this](const QString& t) { OldKeyTyped(t); });
  connect(save, &QPushButton::clicked, this, [this] { SaveKeyFile(); });
  return page;
}

QWidget* TfrmOptions::CreateCompression() {
  auto* page = new QWidget;
  auto* layout = PageLayout(page,
                            "Faster compression makes larger backups; the working folder holds "
                            "the archives and file lists before they are sent.");
  auto* form = new QFormLayout;
  form->addRow("Compression  type:",
               Choice("cbCompressionType", kCompressionTypeItems, &V::CompressionType));
  form->addRow("Compression threads (0 = every core):",
               Number("edCompressionThreads", keys::setting::CompressionThreads.Min,
                      keys::setting::CompressionThreads.Max, 1, &V::CompressionThreads));
  FWorkingFolder = Text("edWorkingFolder", &V::WorkingFolder, kWorkingFolderField);
  auto* browse = new QPushButton("...");
  browse->setObjectName("btnBrowseFolder");
  connect(browse, &QPushButton::clicked, this, [this] { BrowseWorkingFolder(); });
  auto* folder = new QHBoxLayout;
  folder->addWidget(FWorkingFolder, 1);
  folder->addWidget(browse);
  form->addRow("Working folder:", folder);
  layout->addLayout(form);
  layout->addStretch(1);
  return page;
}

QWidget* TfrmOptions::CreateModem() {
  auto* page = new QWidget;
  auto* layout = PageLayout(page, "");
  layout->addWidget(Flag("cbAutoReconnect", "Reconnect automatically", &V::AutoReconnect));
  layout->addWidget(
      Flag("cbDisconnectWhenFinished", "Disconnect when finished", &V::DisconnectWhenFinished));
  auto* redial = new QGroupBox("Redial");
  auto* form = new QFormLayout(redial);
  form->addRow("Retries:", Number("edDialRetry", 0, p::kMaxDialRetry, 1, &V::DialRetry));
  form->addRow("Minutes between dials:", Number("edDialWait", 0, p::kMaxDialWait, 1, &V::DialWait));
  layout->addWidget(redial);
  layout->addStretch(1);
  return page;
}

QWidget* TfrmOptions::CreateTransfer() {
  auto* page = new QWidget;
  auto* layout = PageLayout(page, "");
  FTransferForm = new QFormLayout;
  FTransferForm->addRow("Transmit buffer (bytes):",
                        Number("edTransmitBuffer", p::kMinTrxBufferSize, p::kMaxTrxBufferSize,
                               p::kTrxBufferSizeStep, &V::TransmitBufferSize));
  FTransferForm->addRow("Receive buffer (bytes):",
                        Number("edReceiveBuffer", p::kMinTrxBufferSize, p::kMaxTrxBufferSize,
                               p::kTrxBufferSizeStep, &V::ReceiveBufferSize));
  FTransferForm->addRow("Transmit priority:",
                        Choice("cbTransmitPriority", kThreadPriorityItems, &V::TransmitPriority));
  FTransferForm->addRow("Receive priority:",
                        Choice("cbReceivePriority", kThreadPriorityItems, &V::ReceivePriority));
  FTransferForm->addRow(
      "Bandwidth limit (KB/s, 0 = none):",
      Number("edBandwidthLimit", 0, p::kMaxBandwidthLimit, 64, &V::BandwidthLimit));
  layout->addLayout(FTransferForm);
  layout->addStretch(1);
  return page;
}

QWidget* TfrmOptions::CreateShutDown() {
  auto* page = new QWidget;
  auto* layout = PageLayout(page, "");
  layout->addWidget(Flag("cbPromptBeforeShutdown", "Prompt for backup before shut down",
                         &V::PromptBeforeShutdown));
  auto* form = new QFormLayout;
  FShutDownAction = Choice("cbShutDownAction", kShutDownActionItems, &V::ShutDownAction);
  form->addRow("How to shut down:", FShutDownAction);
  FShutdownTimeout = Number("edShutdownTimeout", p::kMinShutdownTimeout, p::kMaxShutdownTimeout, 1,
                            &V::ShutdownTimeout);
  form->addRow("Shut down after:", FShutdownTimeout);
  FShellCommand = Text("edShellCommand", &V::ShellCommand);
  form->addRow("Shell Command:", FShellCommand);
  layout->addLayout(form);
  FShutDownMeaning = new QLabel;
  FShutDownMeaning->setObjectName("lblShutDownMeaning");
  FShutDownMeaning->setWordWrap(true);
  layout->addWidget(FShutDownMeaning);
  FStandbyMode = new QGroupBox("Standby Mode");
  FStandbyMode->setObjectName("gbStandbyMode");
  auto* standby = new QFormLayout(FStandbyMode);
  standby->addRow("&Technique:",
                  Choice("cbStandbyTechnique", kStandbyTechniqueItems, &V::StandbyTechnique));
  standby->addRow(Flag("cbForceStandby", "&Force suspend:", &V::ForceStandby));
  layout->addWidget(FStandbyMode);
  layout->addStretch(1);
  return page;
}

QWidget* TfrmOptions::CreateNotification() {
  auto* page = new QWidget;
  auto* layout = PageLayout(page, "");
  auto* form = new QFormLayout;
  FEMail = Text("edEMailAddress", &V::EMailAddress, kEMailAddressField);
  form->addRow(Flag("cbEMailNotification", "Send a e-mail notification", &V::EMailNotification),
               FEMail);
  FSMS = Text("edSMSNumber", &V::SMSNumber, kSMSNumberField);
  form->addRow(Flag("cbSMSNotification", "Send a SMS notification", &V::SMSNotification), FSMS);
  layout->addLayout(form);
  layout->addStretch(1);
  return page;
}

QWidget* TfrmOptions::CreateFinished() {
  auto* page = new QWidget;
  auto* layout = PageLayout(page, "Finished. \"Apply\" stores these options:");
  FSummary = new TSummaryText("mmSummary");
  layout->addWidget(FSummary, 1);
  return page;
}

void TfrmOptions::ShowValues() {
  FShowing = true;
  const TOptionValues& v = FSetup.Values;
  for (auto& [box, field] : FFlags)
    box->setChecked(v.*field);
  for (auto& [number, field] : FNumbers)
    number->setValue(v.*field);  // the field raises a value below its minimum
  for (auto& [box, field] : FChoices)
    if (v.*field >= 0 && v.*field < box->count()) box->setCurrentIndex(v.*field);
  for (auto& [edit, field] : FTexts)
    edit->setText(QString::fromStdString(v.*field));
  ShowKeyFields();
  FShowing = false;
  UpdateControls();
}

void TfrmOptions::TakeValues() {
  TOptionValues& v = FSetup.Values;
  for (auto& [box, field] : FFlags)
    v.*field = box->isChecked();
  for (auto& [number, field] : FNumbers) {
    number->interpretText();
    v.*field = number->value();
  }
  for (auto& [box, field] : FChoices)
    v.*field = box->currentIndex();
  for (auto& [edit, field] : FTexts)
    v.*field = edit->text().toStdString();
  FSetup.SetNewKey(FNewKey->Key());
  FSetup.SetConfirmKey(FConfirmKey->Key());
}

void TfrmOptions::UpdateControls() {
  if (FShowing) return;
  TakeValues();
  const TOptionControls c = FSetup.Controls();
  FScheduleButton->setEnabled(c.ScheduleButton);
  FShutDownAction->setEnabled(c.ShutDownAction);
  FShutdownTimeout->setEnabled(c.ShutDownAction);
  FStandbyMode->setEnabled(c.StandbyMode);
  FShellCommand->setEnabled(c.ShellCommand);
  ShowFieldOpen(*FEMail, c.EMailAddress);
  ShowFieldOpen(*FSMS, c.SMSNumber);
  FShutDownMeaning->setText(QString::fromStdString(
      ShutDownMeaning(FSetup.Values.ShutDownAction, FSetup.Values.StandbyTechnique)));
  FShutDownMeaning->setEnabled(c.ShutDownAction);
}

void TfrmOptions::ShowKeyFields() {
  const bool open = FSetup.KeyUnlocked();
  FNewKey->setText(QString::fromStdString(FSetup.NewKey()));
  FConfirmKey->setText(QString::fromStdString(FSetup.ConfirmKey()));
  FNewKey->SetOpen(open);
  FConfirmKey->SetOpen(open);
  // With no key stored there is nothing to type as the old one.
  FOldKey->SetOpen(!open);
  FKeyStatus->setText(open ? kKeyOpenText : kKeyLockedText);
}

void TfrmOptions::OldKeyTyped(const QString& text) {
  if (!FSetup.TypeOldKey(text.toStdString())) return;
  ShowKeyFields();
  FNewKey->setFocus();
}

void TfrmOptions::SaveKeyFile() {
  TakeValues();
  const std::string key = Trim(FSetup.NewKey());
  if (!FSetup.KeyUnlocked() || key.empty()) return ShowInformation(kSaveKeyFirst, "Options");
  if (key != Trim(FSetup.ConfirmKey())) {
    ShowProblem(TSetupProblem{opEncryption, kNewKeyField, kKeyMismatchText});
    return;
  }
  std::string path;
  if (OnChooseKeyFile) {
    path = OnChooseKeyFile();
  } else {
    path = QFileDialog::getSaveFileName(this, "Save the encryption key",
                                        QDir::homePath() + "/vaultora-key.txt")
               .toStdString();
  }
  if (path.empty()) return;
  std::string error;
  if (!WriteKeyFile(path, key, error))
    return ShowError("The key could not be saved to \"" + path + "\": " + error, "Options");
  ShowInformation("The key was saved to \"" + path +
                      "\", readable by you only. Keep it away from this computer; "
                      "vaultora-cli key set --from FILE reads it back.",
                  "Options");
}

void TfrmOptions::BrowseWorkingFolder() {
  const QString start =
      FWorkingFolder->text().trimmed().isEmpty() ? QDir::currentPath() : FWorkingFolder->text();
  const QString chosen = QFileDialog::getExistingDirectory(this, "Working folder", start);
  if (!chosen.isEmpty()) FWorkingFolder->setText(chosen);
}

void TfrmOptions::OpenSchedules() {
  if (OnSchedules) OnSchedules();
  FSetup.ReloadScheduledBackups(FStore);
  for (auto& [box, field] : FFlags)
    if (field == &V::ScheduledBackups) box->setChecked(FSetup.Values.ScheduledBackups);
}

int TfrmOptions::NextPage(int page) {
  TakeValues();
  if (ShowProblem(FSetup.Check(page))) return -1;
  return page + 1;
}

void TfrmOptions::PageShown(int page) {
  if (page != opFinished) return;
  TakeValues();
  FSummary->SetLines(OptionSummary(FSetup));
}

bool TfrmOptions::ApplyPages() {
  TakeValues();
  return !ShowProblem(FSetup.Apply(FStore, FProgramPath));
}

}  // namespace vaultora
