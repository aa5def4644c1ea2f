#include "controls/key_field.h"

#include "archive/blowfish.h"
#include "controls/field_state.h"

namespace vaultora {

TKeyField::TKeyField(const char* name, QWidget* parent) : QLineEdit(parent) {
  setObjectName(name);
  setEchoMode(QLineEdit::Password);
  setMaxLength(static_cast<int>(kMaxBlowfishKey));
  // A key must not travel through the clipboard.
  setContextMenuPolicy(Qt::NoContextMenu);
  setDragEnabled(false);
}

void TKeyField::SetOpen(bool open) {
  ShowFieldOpen(*this, open, true);
}

}  // namespace vaultora
