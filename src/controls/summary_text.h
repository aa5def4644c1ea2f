#pragma once
// The summary on a wizard's last page: what applying will store, one line per choice.

#include <QPlainTextEdit>

#include "platform/summary_line.h"
#include "platform/text.h"

namespace vaultora {

class TSummaryText : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit TSummaryText(const char* name, QWidget* parent = nullptr);
  void SetLines(const TStringList& lines);
  // Headings bold, underlined and blue over the lines in the window's text colour.
  void SetLines(const TSummary& summary);
};

}  // namespace vaultora
