#include "connect/ui/shutdown_window.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "connect/runtime/shutdown_countdown.h"

namespace vaultora {

TfrmShutDown::TfrmShutDown(TShutDownCountdown& countdown, QWidget* parent)
    : QDialog(parent), FCountdown(countdown) {
  setObjectName("frmShutDown");
  setWindowTitle(TShutDownCountdown::kCaption);
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  auto* box = new QGroupBox(TShutDownCountdown::kQuestion);
  auto* options = new QVBoxLayout(box);
  FGroup = new QButtonGroup(this);
  const char* names[5] = {"rbStandby", "rbShutDown", "rbRestart", "rbShellCommand", "rbLogOff"};
  for (int i = 0; i < kShutDownChoiceCount; ++i) {
    const auto choice = static_cast<TShutDownChoice>(i);
    FOptions[i] = new QRadioButton(QString::fromStdString(countdown.OptionLabel(choice)));
    FOptions[i]->setObjectName(names[i]);
    FOptions[i]->setVisible(countdown.OptionVisible(choice));
    FGroup->addButton(FOptions[i], i);
    options->addWidget(FOptions[i]);
  }
  FOptions[countdown.Selected()]->setChecked(true);
  connect(FGroup, &QButtonGroup::idClicked, this, [this](int id) {
    FCountdown.Select(static_cast<TShutDownChoice>(id));
    ShowSecond();
  });

  FSeconds = new QLabel;
  FSeconds->setObjectName("lblSeconds");
  QFont big = FSeconds->font();
  big.setPointSize(big.pointSize() * 2);
  big.setBold(true);
  FSeconds->setFont(big);
  FLabel = new QLabel;
  FLabel->setObjectName("lblCountdown");
  auto* count = new QHBoxLayout;
  count->addWidget(FSeconds);
  count->addWidget(FLabel, 1);

  auto* ok = new QPushButton("&Ok");
  ok->setObjectName("btnOk");
  auto* shutDown = new QPushButton("&Shut Down");
  shutDown->setObjectName("btnShutDown");
  auto* cancel = new QPushButton("&Cancel");
  cancel->setObjectName("btnCancel");
  connect(ok, &QPushButton::clicked, this, [this] { FCountdown.Ok(); });
  connect(shutDown, &QPushButton::clicked, this, [this] { FCountdown.ShutDown(); });
  connect(cancel, &QPushButton::clicked, this, [this] { FCountdown.Cancel(); });
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(shutDown);
  buttons->addWidget(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(box);
  layout->addLayout(count);
  layout->addLayout(buttons);
  FCountdown.OnSecond = [this](TShutDownCountdown&) { ShowSecond(); };
  ShowSecond();
}

TfrmShutDown::~TfrmShutDown() {
  FCountdown.OnSecond = nullptr;
}

QRadioButton* TfrmShutDown::Option(int choice) const {
  return choice >= 0 && choice < kShutDownChoiceCount ? FOptions[choice] : nullptr;
}

QString TfrmShutDown::SecondsText() const {
  return FSeconds->text();
}

QString TfrmShutDown::CountdownLabel() const {
  return FLabel->text();
}

void TfrmShutDown::ShowSecond() {
  FSeconds->setText(QString::number(FCountdown.SecondsLeft()));
  FLabel->setText(QString::fromStdString(FCountdown.CountdownLabel()));
}

void TfrmShutDown::reject() {
  FCountdown.Cancel();
}

}  // namespace vaultora
