#pragma once
// TfrmSession: "Backup Files", the view of TSessionEdit. The list's folders are a tree on the
// left, the chosen folder's entries on the right; the status bar shows the folder's count and
// size and the tally of what the backup will read, counted on a worker so that a large monitored
// folder never holds up the window. As a viewer it is docked under the main window's list,
// read-only, without menus or toolbar; in the wizard and schedule modes it is a modal editor.

#include <QDialog>
#include <QHash>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "selection/list_tally.h"
#include "selection/session_edit.h"

class QAction;
class QLabel;
class QMenuBar;
class QThread;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace vaultora {

class TEntryViews;
class TIniRegistryEditor;
class TTextRowsModel;
struct TPickerResult;

// The stored list reference of the backup wizard and of a schedule.
TSessionSource WizardSessionSource();
TSessionSource ScheduleSessionSource(const std::string& scheduleName);

class TfrmSession : public QDialog {
  Q_OBJECT
 public:
  TfrmSession(TIniRegistryEditor& store, TSessionMode mode, TSessionSource source = {},
              bool fresh = false, QWidget* parent = nullptr);
  ~TfrmSession() override;

  TSessionEdit& Edit() { return FEdit; }
  // Viewer: shows a catalogue entry's list ("" empties the viewer).
  void ShowList(const std::string& fileName);
  // The tree and entries drawn again from the list.
  void Refresh();
  bool SelectFolder(const std::string& folder);
  // The folder whose entries are shown, "" for none.
  std::string ShownFolder() const;
  TTextRowsModel& Rows() const { return *FModel; }
  TEntryViews& Entries() const { return *FViews; }
  QTreeWidget& Folders() const { return *FTree; }
  QAction* Action(const char* name) const;
  // The last tally shown, and whether one is still being counted.
  const TListTally& Tally() const { return FTally; }
  bool Counting() const { return FTallyThread != nullptr; }

  void AddCommand();
  void RemoveCommand();
  void ApplyCommand();
  void ShrinkCommand();
  // Closing: a changed list asks to be saved first.
  void reject() override;
  // Takes a drop's local paths, as a drop on the window does.
  void DropPaths(const TStringList& paths);

  // Opens the picker at a folder and fills the result; false when cancelled. Unset, the picker
  // window is shown modally.
  std::function<bool(const std::string& folder, TPickerResult& result)> OnPick;
  // Runs the compact drop window; unset, it is exec()'d.
  std::function<int(QDialog& window)> OnDropWindow;
  // Outside the viewer, showing the window opens the picker at once (as users expect of Add).
  bool PickOnShow = true;

 signals:
  // A tally arrived (tests and the benchmark wait on it).
  void TallyShown();

 protected:
  void showEvent(QShowEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void CreateActions();
  void CreateMenus(QMenuBar& bar);
  void ShowEntries(QTreeWidgetItem* item);
  void ShowStatus();
  void SetViewStyle(int style);
  void StartTally();
  void StopTally();
  void TallyArrived(int generation, TListTally tally);
  void ShowFolderTallies();
  void AfterAdd();

  TIniRegistryEditor& FStore;
  TSessionEdit FEdit;
  TListTally FTally;
  std::shared_ptr<std::atomic<bool>> FTallyStop;
  QThread* FTallyThread = nullptr;
  int FTallyGeneration = 0;
  bool FTallyAgain = false;

  QHash<QString, QAction*> FActions;
  QToolBar* FToolBar = nullptr;
  QTreeWidget* FTree = nullptr;
  TTextRowsModel* FModel = nullptr;
  TEntryViews* FViews = nullptr;
  QLabel* FCount = nullptr;
  QLabel* FSize = nullptr;
  QLabel* FTotal = nullptr;
  bool FClearing = false;
};

}  // namespace vaultora
