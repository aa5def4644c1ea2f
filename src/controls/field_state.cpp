#include "controls/field_state.h"

#include <QApplication>
#include <QLineEdit>

namespace vaultora {

void ShowFieldOpen(QLineEdit& field, bool open, bool readOnly) {
  if (readOnly)
    field.setReadOnly(!open);
  else
    field.setEnabled(open);
  QPalette colours = QApplication::palette(&field);
  if (!open) colours.setColor(QPalette::Base, colours.color(QPalette::Button));
  field.setPalette(colours);
}

}  // namespace vaultora
