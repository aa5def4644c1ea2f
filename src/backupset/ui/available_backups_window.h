#pragma once
// TfrmAvailableBackups: the "Available Backups" window. It lists the images of the backups the
// server holds as they arrive from the available-backups download, and "R&egister" enters the
// ticked ones into the catalogue through the import (TAvailableBackupsImport), which also keeps
// the window's log. Shown non-modal, so that the download window that feeds it stays usable.
// User-interface thread only.

#include <QDialog>

#include <functional>
#include <memory>
#include <vector>

class QListWidget;
class QPushButton;
class QStatusBar;
class QTreeWidget;

namespace vaultora {

class TAvailableBackupsImport;
class TIniRegistryEditor;

class TfrmAvailableBackups : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmAvailableBackups(TIniRegistryEditor& store, QWidget* parent = nullptr);
  ~TfrmAvailableBackups() override;  // the import writes its log

  // One image from the server; one that cannot be read is dropped (the log says so).
  void AddImage(const std::vector<uint8_t>& image);
  // "R&egister": the ticked rows go into the catalogue.
  void RegisterChecked();

  TAvailableBackupsImport& Import() { return *FImport; }

  // Backups were entered into the catalogue: the main window refreshes its views.
  std::function<void()> OnRegistered;

 private:
  void LineAdded(const std::string& line);

  std::unique_ptr<TAvailableBackupsImport> FImport;
  QTreeWidget* FList = nullptr;
  QListWidget* FLog = nullptr;
  QStatusBar* FStatus = nullptr;
  QPushButton* FRegister = nullptr;
};

}  // namespace vaultora
