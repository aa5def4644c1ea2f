#include "controls/message_box_prompts.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace vaultora {

TMessageBoxPrompts::TMessageBoxPrompts() : FPrevious(SetPrompts(this)) {}

TMessageBoxPrompts::~TMessageBoxPrompts() {
  SetPrompts(FPrevious);
}

bool TMessageBoxPrompts::Prompt(TPromptKind kind, const std::string& text,
                                const std::string& caption) {
  QWidget* parent = QApplication::activeWindow();
  // The texts use a carriage return as their line break.
  const QString message = QString::fromStdString(text).replace('\r', '\n');
  const QString title = QString::fromStdString(caption);
  switch (kind) {
    case TPromptKind::pkQuestion:
      return QMessageBox::question(parent, title, message, QMessageBox::Yes | QMessageBox::No) ==
             QMessageBox::Yes;
    case TPromptKind::pkInformation:
      QMessageBox::information(parent, title, message);
      return true;
    case TPromptKind::pkInformationOkCancel:
      return QMessageBox::information(parent, title, message,
                                      QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
    case TPromptKind::pkError:
      QMessageBox::critical(parent, title, message);
      return true;
  }
  return false;
}

bool TMessageBoxPrompts::PromptLogon(const std::string& entry, std::string& userName,
                                     std::string& password) {
  QWidget* parent = QApplication::activeWindow();
  bool ok = false;
  const QString title = QString::fromStdString("Logon: " + entry);
  const QString name = QInputDialog::getText(parent, title, "User name:", QLineEdit::Normal,
                                             QString::fromStdString(userName), &ok);
  if (!ok) return false;
  const QString secret =
      QInputDialog::getText(parent, title, "Password:", QLineEdit::Password, QString(), &ok);
  if (!ok) return false;
  userName = name.toStdString();
  password = secret.toStdString();
  return true;
}

}  // namespace vaultora
