#include "controls/wizard_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "platform/prompts.h"

namespace vaultora {

namespace {
constexpr const char* kProblemFieldProperty = "problemField";
}  // namespace

TWizardDialog::TWizardDialog(const char* name, const char* caption, QWidget* parent)
    : QDialog(parent) {
  setObjectName(name);
  setWindowTitle(caption);
  setModal(true);
  FPages = new QTabWidget;
  FPages->setObjectName("pcPages");
  FPages->tabBar()->hide();
  FBack = new QPushButton("< &Back");
  FBack->setObjectName("btnBack");
  FNext = new QPushButton("&Next >");
  FNext->setObjectName("btnNext");
  FNext->setDefault(true);
  FClose = new QPushButton("&Close");
  FClose->setObjectName("btnClose");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(FBack);
  buttons->addWidget(FNext);
  buttons->addSpacing(12);
  buttons->addWidget(FClose);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FPages, 1);
  layout->addLayout(buttons);
  connect(FBack, &QPushButton::clicked, this, [this] { Back(); });
  connect(FNext, &QPushButton::clicked, this, [this] { Next(); });
  connect(FClose, &QPushButton::clicked, this, &QDialog::reject);
  connect(FPages, &QTabWidget::currentChanged, this, [this](int page) {
    UpdateButtons();
    if (page >= 0) PageShown(page);
  });
}

int TWizardDialog::Page() const {
  return FPages->currentIndex();
}

int TWizardDialog::PageCount() const {
  return FPages->count();
}

void TWizardDialog::GoTo(int page) {
  if (page < 0 || page >= PageCount()) return;
  if (page == Page()) {
    PageShown(page);
    UpdateButtons();
  } else {
    FPages->setCurrentIndex(page);
  }
}

void TWizardDialog::SetProblemField(QWidget& control, const char* field) {
  control.setProperty(kProblemFieldProperty, QString::fromUtf8(field));
}

int TWizardDialog::AddPage(QWidget* page, const QString& heading) {
  const int index = FPages->addTab(page, heading);
  UpdateButtons();
  return index;
}

QVBoxLayout* TWizardDialog::TitledPage(QWidget* page, const char* title,
                                       std::initializer_list<const char*> lines) {
  auto* layout = new QVBoxLayout(page);
  auto* heading = new QLabel(QString::fromUtf8(title));
  heading->setObjectName("lblPageTitle");
  QFont font = heading->font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.4);
  heading->setFont(font);
  layout->addWidget(heading);
  for (const char* line : lines)
    layout->addWidget(new QLabel(QString::fromUtf8(line)));
  layout->addSpacing(8);
  return layout;
}

void TWizardDialog::SetTabsClickable(bool clickable) {
  FPages->tabBar()->setVisible(clickable);
}

bool TWizardDialog::ShowProblem(const TSetupCheck& problem) {
  if (!problem) return false;
  ShowError(problem->Text, windowTitle().toStdString());
  if (problem->Page >= 0 && problem->Page < PageCount() && problem->Page != Page())
    GoTo(problem->Page);
  const QString field = QString::fromStdString(problem->Field);
  for (QWidget* control : findChildren<QWidget*>())
    if (control->property(kProblemFieldProperty).toString() == field) {
      control->setFocus();
      break;
    }
  return true;
}

void TWizardDialog::Next() {
  const int page = Page();
  if (page == PageCount() - 1) {
    if (ApplyPages()) accept();
    return;
  }
  const int next = NextPage(page);
  if (next >= 0) GoTo(next);
}

void TWizardDialog::Back() {
  const int back = BackPage(Page());
  if (back >= 0) GoTo(back);
}

void TWizardDialog::UpdateButtons() {
  const int page = Page();
  FBack->setEnabled(page > 0);
  FNext->setText(page == PageCount() - 1 ? "&Apply" : "&Next >");
}

}  // namespace vaultora
