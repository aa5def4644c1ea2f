#pragma once
// TfrmShutDown: the "Shut Down Windows" countdown window over the shutdown countdown. It shows
// the choices (the stored one preselected), the seconds left with the label of the choice, and
// Ok, Shut Down and Cancel. The countdown's end or cancel is reported to the main window through
// the countdown's OnClose; the main window frees this window then. Non-modal.

#include <QDialog>

class QButtonGroup;
class QLabel;
class QLCDNumber;
class QRadioButton;

namespace vaultora {

class TShutDownCountdown;

class TfrmShutDown : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmShutDown(TShutDownCountdown& countdown, QWidget* parent = nullptr);
  ~TfrmShutDown() override;

  QRadioButton* Option(int choice) const;
  QString SecondsText() const;
  QString CountdownLabel() const;

  void reject() override;  // the close box and Escape cancel

 private:
  void ShowSecond();

  TShutDownCountdown& FCountdown;
  QButtonGroup* FGroup = nullptr;
  QRadioButton* FOptions[5] = {};
  QLabel* FLabel = nullptr;
  QLabel* FSeconds = nullptr;
};

}  // namespace vaultora
