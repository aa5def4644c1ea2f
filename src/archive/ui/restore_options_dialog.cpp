#include "archive/ui/restore_options_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "archive/restore_listing.h"
#include "platform/prompts.h"

namespace vaultora {

namespace {

QRadioButton* Radio(const char* text, const char* name) {
  auto* radio = new QRadioButton(text);
  radio->setObjectName(name);
  return radio;
}

}  // namespace

TfrmRestoreOptions::TfrmRestoreOptions(bool anySelected, QWidget* parent) : QDialog(parent) {
  setObjectName("frmRestoreOptions");
  setWindowTitle("Restore Options");

  auto* extract = new QGroupBox("Extract to");
  FOriginal = Radio("Original path", "rbOriginalPath");
  FOther = Radio("Other path:", "rbOtherPath");
  FFolder = new QLineEdit;
  FFolder->setObjectName("edFolder");
  FFolder->setMinimumWidth(240);
  FBrowse = new QPushButton("...");
  FBrowse->setObjectName("btnBrowse");
  FBrowse->setFixedWidth(FBrowse->fontMetrics().horizontalAdvance("...") + 24);
  FBrowse->setToolTip("Choose the folder");
  FFolderNames = new QCheckBox("Use Folder Names");
  FFolderNames->setObjectName("cbUseFolderNames");
  FFolderNames->setChecked(true);
  auto* extractLayout = new QGridLayout(extract);
  extractLayout->addWidget(FOriginal, 0, 0, 1, 3);
  extractLayout->addWidget(FOther, 1, 0);
  extractLayout->addWidget(FFolder, 1, 1);
  extractLayout->addWidget(FBrowse, 1, 2);
  extractLayout->addWidget(FFolderNames, 2, 1, 1, 2);
  extractLayout->setColumnStretch(1, 1);

  auto* files = new QGroupBox("Files");
  FSelected = Radio("Selected File(s)", "rbSelectedFiles");
  FAll = Radio("All Files", "rbAllFiles");
  FFiles = Radio("Files", "rbFiles");
  FMask = new QLineEdit("*.*");
  FMask->setObjectName("edMask");
  // The mask is not applied: "Files" restores the selected rows, as "Selected File(s)" does.
  FMask->setEnabled(false);
  auto* filesLayout = new QGridLayout(files);
  filesLayout->addWidget(FSelected, 0, 0, 1, 2);
  filesLayout->addWidget(FAll, 1, 0, 1, 2);
  filesLayout->addWidget(FFiles, 2, 0);
  filesLayout->addWidget(FMask, 2, 1);

  auto* modes = new QGroupBox(" Options ");
  FModes = new QButtonGroup(this);
  auto* modesLayout = new QVBoxLayout(modes);
  const char* modeNames[] = {"rbOverwriteAll", "rbNoOverwrite", "rbOverwriteOlder",
                             "rbOverwriteExisting", "rbOverwriteExistingOlder"};
  for (int mode = rmAll; mode <= rmExistingNewer; ++mode) {
    QRadioButton* radio =
        Radio(RestoreModeCaption(static_cast<TRestoreMode>(mode)), modeNames[mode]);
    FModes->addButton(radio, mode);
    modesLayout->addWidget(radio);
  }
  FModes->button(rmNewer)->setChecked(true);

  auto* buttons = new QDialogButtonBox;
  QPushButton* extractButton = buttons->addButton("&Extract", QDialogButtonBox::AcceptRole);
  extractButton->setObjectName("btnExtract");
  extractButton->setDefault(true);
  QPushButton* cancel = buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
  cancel->setObjectName("btnCancel");
  connect(extractButton, &QPushButton::clicked, this, [this] { ExtractPressed(); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* left = new QVBoxLayout;
  left->addWidget(extract);
  left->addWidget(files);
  auto* groups = new QHBoxLayout;
  groups->addLayout(left, 1);
  groups->addWidget(modes, 0, Qt::AlignTop);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(groups);
  layout->addWidget(buttons);

  FOriginal->setChecked(true);
  FSelected->setEnabled(anySelected);
  FFiles->setEnabled(anySelected);
  (anySelected ? FSelected : FAll)->setChecked(true);
  for (QRadioButton* radio : {FOriginal, FOther})
    connect(radio, &QRadioButton::toggled, this, [this] { UpdateStates(); });
  connect(FBrowse, &QPushButton::clicked, this, [this] { Browse(); });
  UpdateStates();
}

void TfrmRestoreOptions::UpdateStates() {
  const bool other = FOther->isChecked();
  FFolder->setEnabled(other);
  FBrowse->setEnabled(other);
  FFolderNames->setEnabled(other);
}

void TfrmRestoreOptions::Browse() {
  const QString folder = QFileDialog::getExistingDirectory(this, "Restore to", FFolder->text());
  if (!folder.isEmpty()) FFolder->setText(folder);
}

TRestoreOptions TfrmRestoreOptions::Options() const {
  TRestoreOptions options;
  options.OriginalPath = FOriginal->isChecked();
  options.Folder = options.OriginalPath ? "" : FFolder->text().trimmed().toStdString();
  options.UseFolderNames = !options.OriginalPath && FFolderNames->isChecked();
  options.AllFiles = FAll->isChecked();
  options.Mode = static_cast<TRestoreMode>(FModes->checkedId());
  return options;
}

void TfrmRestoreOptions::ExtractPressed() {
  if (const std::string problem = TRestoreSession::CheckOptions(Options()); !problem.empty()) {
    ShowError(problem);
    return;
  }
  accept();
}

}  // namespace vaultora
