#include "controls/summary_text.h"

namespace vaultora {

TSummaryText::TSummaryText(const char* name, QWidget* parent) : QPlainTextEdit(parent) {
  setObjectName(name);
  setReadOnly(true);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setFocusPolicy(Qt::StrongFocus);
}

void TSummaryText::SetLines(const TStringList& lines) {
  setPlainText(QString::fromStdString(Join(lines, "\n")));
}

}  // namespace vaultora
