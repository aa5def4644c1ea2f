#pragma once
// TfrmDialup: the "Dialup Connection" window, a view of one dial attempt (TDialAttempt, which
// holds its rules: the logon question, the redials, the error marks and the log). It shows the
// attempt's caption ("Connecting to \"entry\""), its status lines and state label, and Cancel.
// The owner refreshes it on every line of the attempt and frees it when the attempt closes;
// after Detach it no longer touches the attempt. User-interface thread only.

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace vaultora {

class TDialAttempt;

class TfrmDialup : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmDialup(TDialAttempt& attempt, QWidget* parent = nullptr);

  // Shows what the attempt holds now.
  void Refresh();
  // The attempt added a line: shown once the event that added it is over (the attempt sets its
  // state label after the line).
  void LineAdded();
  // The attempt closed: the window forgets it (its owner frees the window next).
  void Detach();

  void reject() override;  // the close box and Escape cancel, as the button does

 private:
  TDialAttempt* FAttempt;
  QTreeWidget* FLines = nullptr;
  QLabel* FState = nullptr;
  QPushButton* FCancel = nullptr;
};

}  // namespace vaultora
