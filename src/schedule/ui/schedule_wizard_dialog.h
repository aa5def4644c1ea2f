#pragma once
// TfrmSchedules: the "Schedules" wizard, a view of TScheduleWizard. It binds the pages' controls
// to the schedule on the pages and opens the file list editor for the schedule when the wizard
// asks for it.

#include <array>
#include <functional>

#include "controls/wizard_dialog.h"
#include "schedule/schedule_wizard.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTimeEdit;
class QTreeWidget;

namespace vaultora {

class TIniRegistryEditor;
class TNumberField;
class TSummaryText;

class TfrmSchedules : public TWizardDialog {
  Q_OBJECT
 public:
  explicit TfrmSchedules(TIniRegistryEditor& store, QWidget* parent = nullptr);
  ~TfrmSchedules() override;

  TScheduleWizard& Wizard() { return FWizard; }
  // Runs the file list editor (a modal "Backup Files" window); unset, it is exec()'d.
  std::function<void(QDialog& editor)> OnModalDialog;

  void reject() override;

 protected:
  int NextPage(int page) override;
  int BackPage(int page) override;
  bool ApplyPages() override;
  void PageShown(int page) override;

 private:
  QWidget* CreateCover();
  QWidget* CreateName();
  QWidget* CreateExisting();
  QWidget* CreateDetails();
  QWidget* CreateType();
  QWidget* CreateTime(int page);
  QWidget* CreateFinished();
  void FillList();
  void TakeFields(int page);
  void ShowRecord();
  void UpdateDetails();
  void EditFileList(const std::string& name);

  TIniRegistryEditor& FStore;
  TScheduleWizard FWizard;
  QRadioButton* FNew = nullptr;
  QRadioButton* FModify = nullptr;
  QLabel* FNameHeading = nullptr;
  QLineEdit* FName = nullptr;
  QTreeWidget* FList = nullptr;
  QLineEdit* FTitle = nullptr;
  QCheckBox* FNumbered = nullptr;
  QComboBox* FAppend = nullptr;
  QCheckBox* FIncremental = nullptr;
  QCheckBox* FExpire = nullptr;
  TNumberField* FExpireDays = nullptr;
  QCheckBox* FReuse = nullptr;
  QCheckBox* FDisplay = nullptr;
  std::array<QRadioButton*, 3> FTypes{};
  std::array<QTimeEdit*, 3> FTimes{};
  std::array<QCheckBox*, 7> FWeekdays{};
  std::array<QCheckBox*, 12> FMonths{};
  TNumberField* FDayNo = nullptr;
  TSummaryText* FSummary = nullptr;
  bool FShowing = false;
};

}  // namespace vaultora
