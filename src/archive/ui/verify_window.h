#pragma once
// TfrmVerify: "Verify Backups", the window that proves chosen backups. Backups that are not on
// this computer are received from the server first (through the caller's OnReceive and
// ReceiveEnded); then a worker thread of its own checks each with the backup verifier while the
// window shows one row a backup: waiting, receiving, the percent, and at the end "verified" or
// what is wrong. Non-modal; closing it stops the check after its current block.

#include <QDialog>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "archive/backup_verifier.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace vaultora {

class TIniRegistryEditor;

class TfrmVerify : public QDialog {
  Q_OBJECT
 public:
  TfrmVerify(TIniRegistryEditor& store, std::vector<std::string> keys, QWidget* parent = nullptr);
  ~TfrmVerify() override;

  // Asks for these backups to be received; unset, a backup not on disk is reported as such.
  std::function<void(const TStringList& keys)> OnReceive;
  // Starts: receives what is missing (then waits for ReceiveEnded), else checks at once.
  void Start();
  // The receive asked for by OnReceive has ended.
  void ReceiveEnded();
  bool Receiving() const { return FReceiving; }
  bool Finished() const { return FFinished; }
  const std::vector<TVerifyResult>& Results() const { return FResults; }

 signals:
  void VerifyFinished();

 private:
  void CheckAll();
  void Progress(size_t index, int percent);
  void Checked(size_t index, TVerifyResult result);

  TIniRegistryEditor& FStore;
  std::vector<std::string> FKeys;
  std::vector<TVerifyResult> FResults;
  std::vector<QTreeWidgetItem*> FRows;
  std::thread FWorker;
  std::atomic<bool> FStopped{false};
  bool FReceiving = false;
  bool FFinished = false;
  QTreeWidget* FList = nullptr;
  QLabel* FStatus = nullptr;
  QProgressBar* FProgress = nullptr;
  QPushButton* FClose = nullptr;
};

}  // namespace vaultora
