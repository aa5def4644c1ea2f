#include "controls/summary_text.h"

#include <QTextCursor>

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

void TSummaryText::SetLines(const TSummary& summary) {
  clear();
  QTextCursor cursor(document());
  for (size_t i = 0; i < summary.size(); ++i) {
    const TSummaryLine& line = summary[i];
    QTextCharFormat format;
    format.setFontPointSize(line.Heading ? 10 : 8);
    format.setFontWeight(line.Heading ? QFont::Bold : QFont::Normal);
    format.setFontUnderline(line.Heading);
    if (line.Heading) format.setForeground(QColor(Qt::blue));
    if (i > 0) cursor.insertBlock();
    cursor.insertText(QString::fromStdString(line.Text), format);
  }
}

}  // namespace vaultora
