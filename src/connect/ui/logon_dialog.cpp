#include "connect/ui/logon_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "connect/runtime/dial_attempt.h"

namespace vaultora {

TfrmLogon::TfrmLogon(const std::string& entry, const std::string& userName, QWidget* parent)
    : QDialog(parent) {
  setObjectName("frmLogon");
  setWindowTitle("Logon");
  auto* connection = new QLabel(QString::fromStdString(entry));
  connection->setObjectName("lblConnection");
  connection->setTextFormat(Qt::PlainText);
  constexpr int kMax = static_cast<int>(TDialAttempt::kMaxLogonLength);
  FUser = new QLineEdit(QString::fromStdString(userName).left(kMax));
  FUser->setObjectName("edtUserName");
  FUser->setMaxLength(kMax);
  FPassword = new QLineEdit;
  FPassword->setObjectName("edtPassword");
  FPassword->setMaxLength(kMax);
  FPassword->setEchoMode(QLineEdit::Password);
  auto* form = new QFormLayout;
  form->addRow("Connection:", connection);
  auto* userLabel = new QLabel("&User Name:");
  userLabel->setBuddy(FUser);
  form->addRow(userLabel, FUser);
  auto* passwordLabel = new QLabel("&Password:");
  passwordLabel->setBuddy(FPassword);
  form->addRow(passwordLabel, FPassword);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->setObjectName("bbButtons");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  (FUser->text().isEmpty() ? FUser : FPassword)->setFocus();
}

std::string TfrmLogon::UserName() const {
  return FUser->text().toStdString();
}

std::string TfrmLogon::Password() const {
  return FPassword->text().toStdString();
}

bool TfrmLogon::Ask(const std::string& entry, std::string& userName, std::string& password,
                    QWidget* parent) {
  TfrmLogon dialog(entry, userName, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  userName = dialog.UserName();
  password = dialog.Password();
  return true;
}

}  // namespace vaultora
