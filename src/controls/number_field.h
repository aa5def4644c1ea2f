#pragma once
// A whole-number field with a range, a step and a default, as the set-up dialogs use them. The
// field keeps what was typed, also when it was emptied: Text() is "" then, so that a page can
// refuse a blank field instead of silently keeping the old number.

#include <QLineEdit>
#include <QSpinBox>

#include <string>

namespace vaultora {

class TNumberField : public QSpinBox {
  Q_OBJECT
 public:
  TNumberField(const char* name, int minimum, int maximum, int step, int value,
               QWidget* parent = nullptr);
  // The typed digits, "" when the field was emptied.
  std::string Text() const;
  bool Blank() const { return Text().empty(); }
  void SetText(const std::string& text);
  // The field's editor, as a user types into it.
  QLineEdit& Editor() const { return *lineEdit(); }
};

}  // namespace vaultora
