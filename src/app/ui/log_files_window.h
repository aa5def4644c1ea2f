#pragma once
// TfrmLogs: the "Log Files" window. The seven logs on the left; the selected one in a read-only
// view that can be refreshed, saved, printed, cleared, and shown in another style, colour and
// size. Closing it posts TWM_RELEASEWINDOW 4 to the main window, which frees it.

#include <QMainWindow>

#include <functional>
#include <string>

class QAction;
class QListWidget;
class QPlainTextEdit;
class QSpinBox;

namespace vaultora {

class TIniRegistryEditor;
class TMessageReceiver;

class TfrmLogs : public QMainWindow {
  Q_OBJECT
 public:
  TfrmLogs(TIniRegistryEditor& store, TMessageReceiver& mainWindow, QWidget* parent = nullptr);
  ~TfrmLogs() override;

  void SelectLog(int index);
  int SelectedLog() const;
  QString ViewText() const;
  void Refresh();
  void Save();
  void Clear();
  void ClearLogs();
  void Print();
  void NextFontStyle();

  // Asks for the file to save to ("" cancels); tests answer it.
  std::function<std::string()> OnAskSaveFileName;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void UpdateCommands();
  QAction* AddAction(const char* name, const QString& caption, std::function<void()> run);

  TIniRegistryEditor& FStore;
  TMessageReceiver& FMainWindow;
  QListWidget* FLogs = nullptr;
  QPlainTextEdit* FView = nullptr;
  QSpinBox* FSize = nullptr;
  QAction* FSave = nullptr;
  QAction* FClear = nullptr;
  QAction* FPrint = nullptr;
  QAction* FRefresh = nullptr;
  QAction* FStyles[4] = {};
  int FNextStyle = 0;
};

}  // namespace vaultora
