#pragma once
// TfrmOptions: the "Options" dialog, a view of TOptionSetup. Its pages are tabs that can also be
// clicked; each control is bound to one field of TOptionValues, so that loading, the dependent
// controls and applying all go through the model.

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "connect/option_setup.h"
#include "controls/wizard_dialog.h"

class QCheckBox;
class QComboBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class QLineEdit;

namespace vaultora {

class TIniRegistryEditor;
class TKeyField;
class TNumberField;
class TSummaryText;

class TfrmOptions : public TWizardDialog {
  Q_OBJECT
 public:
  TfrmOptions(TIniRegistryEditor& store, std::string programPath, QWidget* parent = nullptr);

  const TOptionSetup& Setup() const { return FSetup; }
  // The transfer page's form, where further transfer settings take their rows.
  QFormLayout& TransferForm() const { return *FTransferForm; }

  // Opens the schedule wizard (the main window's); "Enable scheduled backups" is read again
  // afterwards.
  std::function<void()> OnSchedules;
  // Asks where the key file goes; "" = cancelled. The default shows a file dialog.
  std::function<std::string()> OnChooseKeyFile;

 protected:
  int NextPage(int page) override;
  bool ApplyPages() override;
  void PageShown(int page) override;

 private:
  QWidget* CreateWelcome();
  QWidget* CreatePreferences();
  QWidget* CreateEncryption();
  QWidget* CreateCompression();
  QWidget* CreateModem();
  QWidget* CreateTransfer();
  QWidget* CreateShutDown();
  QWidget* CreateNotification();
  QWidget* CreateFinished();

  QCheckBox* Flag(const char* name, const char* caption, bool TOptionValues::*field);
  TNumberField* Number(const char* name, int minimum, int maximum, int step,
                       int32_t TOptionValues::*field);
  template <size_t N>
  QComboBox* Choice(const char* name, const char* const (&items)[N], int32_t TOptionValues::*field);
  QLineEdit* Text(const char* name, std::string TOptionValues::*field, const char* problem = "");

  void ShowValues();
  void TakeValues();
  void UpdateControls();
  void ShowKeyFields();
  void OldKeyTyped(const QString& text);
  void SaveKeyFile();
  void BrowseWorkingFolder();
  void OpenSchedules();

  TIniRegistryEditor& FStore;
  std::string FProgramPath;
  TOptionSetup FSetup;
  bool FShowing = false;  // the controls are being filled: their signals are not the user's
  std::vector<std::pair<QCheckBox*, bool TOptionValues::*>> FFlags;
  std::vector<std::pair<TNumberField*, int32_t TOptionValues::*>> FNumbers;
  std::vector<std::pair<QComboBox*, int32_t TOptionValues::*>> FChoices;
  std::vector<std::pair<QLineEdit*, std::string TOptionValues::*>> FTexts;

  QWidget* FScheduleButton = nullptr;
  TKeyField* FOldKey = nullptr;
  TKeyField* FNewKey = nullptr;
  TKeyField* FConfirmKey = nullptr;
  QLabel* FKeyStatus = nullptr;
  QLineEdit* FWorkingFolder = nullptr;
  QFormLayout* FTransferForm = nullptr;
  QComboBox* FShutDownAction = nullptr;
  TNumberField* FShutdownTimeout = nullptr;
  QLineEdit* FShellCommand = nullptr;
  QGroupBox* FStandbyMode = nullptr;
  QLabel* FShutDownMeaning = nullptr;
  QLineEdit* FEMail = nullptr;
  QLineEdit* FSMS = nullptr;
  TSummaryText* FSummary = nullptr;
};

}  // namespace vaultora
