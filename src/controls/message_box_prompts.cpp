#include "controls/message_box_prompts.h"

#include <QApplication>
#include <QMessageBox>

#include "connect/ui/logon_dialog.h"

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
  return TfrmLogon::Ask(entry, userName, password, QApplication::activeWindow());
}

}  // namespace vaultora
