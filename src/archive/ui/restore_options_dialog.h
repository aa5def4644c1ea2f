#pragma once
// TfrmRestoreOptions: the "Restore Options" dialog of the "Restore" window: extract to the
// original path or another folder (with or without the folder names), the selected or all
// files, and the overwrite rule. "&Extract" refuses another path without a folder name and
// stays open. Modal; the caller frees it.

#include <QDialog>

#include "archive/restore_session.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vaultora {

class TfrmRestoreOptions : public QDialog {
  Q_OBJECT
 public:
  // anySelected: some file row is selected (else "Selected File(s)" is not offered).
  TfrmRestoreOptions(bool anySelected, QWidget* parent = nullptr);

  // What the dialog holds now; Selected is left for the caller to fill.
  TRestoreOptions Options() const;

 private:
  void UpdateStates();
  void Browse();
  void ExtractPressed();

  QRadioButton* FOriginal = nullptr;
  QRadioButton* FOther = nullptr;
  QLineEdit* FFolder = nullptr;
  QPushButton* FBrowse = nullptr;
  QCheckBox* FFolderNames = nullptr;
  QRadioButton* FSelected = nullptr;
  QRadioButton* FAll = nullptr;
  QRadioButton* FFiles = nullptr;
  QLineEdit* FMask = nullptr;
  QButtonGroup* FModes = nullptr;
};

}  // namespace vaultora
