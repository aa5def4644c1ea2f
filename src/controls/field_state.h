#pragma once
// How a text field shows whether it can be typed in: an open field has the window colour, a
// closed one the button-face colour of the desktop's palette.

class QLineEdit;

namespace vaultora {

// readOnly: the field stays enabled (it can be focused and read) but cannot be changed;
// otherwise a closed field is disabled.
void ShowFieldOpen(QLineEdit& field, bool open, bool readOnly = false);

}  // namespace vaultora
