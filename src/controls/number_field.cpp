#include "controls/number_field.h"

#include <QLineEdit>

namespace vaultora {

TNumberField::TNumberField(const char* name, int minimum, int maximum, int step, int value,
                           QWidget* parent)
    : QSpinBox(parent) {
  setObjectName(name);
  setRange(minimum, maximum);
  setSingleStep(step);
  setValue(value);
  // An emptied field stays empty until the user types again; the page decides what that means.
  setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
  setKeyboardTracking(false);
  setAccelerated(true);
}

std::string TNumberField::Text() const {
  return lineEdit()->text().trimmed().toStdString();
}

void TNumberField::SetText(const std::string& text) {
  lineEdit()->setText(QString::fromStdString(text));
}

}  // namespace vaultora
