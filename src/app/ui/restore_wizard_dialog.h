#pragma once
// TfrmRestoreWizard: the "Online Restore" wizard, a view of TRestoreWizard. Each list is filled
// the first time its page is shown; ticking a backup on the request page ticks the backups it is
// incremental upon. "&Close" and Escape put the restore list back as it was.

#include "app/runtime/restore_wizard.h"
#include "controls/wizard_dialog.h"

class QLabel;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace vaultora {

class TIniRegistryEditor;
class TMessageReceiver;
class TSummaryText;

class TfrmRestoreWizard : public TWizardDialog {
  Q_OBJECT
 public:
  TfrmRestoreWizard(TIniRegistryEditor& store, TStringList& restoreList,
                    TMessageReceiver& mainWindow, QWidget* parent = nullptr);
  ~TfrmRestoreWizard() override;

  TRestoreWizard& Wizard() { return FWizard; }
  void reject() override;

 protected:
  int NextPage(int page) override;
  int BackPage(int page) override;
  bool ApplyPages() override;
  void PageShown(int page) override;

 private:
  QWidget* CreateCover();
  QWidget* CreateList(const char* title, const char* intro, const char* name,
                      const QStringList& columns, const QList<int>& widths, QTreeWidget*& list,
                      std::initializer_list<QLabel**> panels);
  QWidget* CreateFinished();
  void FillRows(QTreeWidget& list, const std::vector<TRestoreWizardRow>& rows, bool checks,
                bool where);
  void ShowRequestTicks();
  void ShowStatus();
  void RequestTicked(QTreeWidgetItem* item);
  void VerifyTicked(QTreeWidgetItem* item);
  void TakeChoice();

  TMessageReceiver& FMainWindow;
  TRestoreWizard FWizard;
  QRadioButton* FFromServer = nullptr;
  QRadioButton* FViewExtract = nullptr;
  QRadioButton* FVerify = nullptr;
  QTreeWidget* FRequest = nullptr;
  QTreeWidget* FLocal = nullptr;
  QTreeWidget* FVerifyList = nullptr;
  QLabel* FAvailable = nullptr;
  QLabel* FRequested = nullptr;
  QLabel* FInbox = nullptr;
  QLabel* FVerifyCount = nullptr;
  TSummaryText* FSummary = nullptr;
  bool FFilled[3] = {};
  bool FFilling = false;
};

}  // namespace vaultora
