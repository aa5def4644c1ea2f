#pragma once
// A masked field for an encryption key: the characters are never shown, nothing can be copied
// or dragged out of it, and it holds no more than a key can be long.

#include <QLineEdit>

#include <string>

namespace vaultora {

class TKeyField : public QLineEdit {
  Q_OBJECT
 public:
  explicit TKeyField(const char* name, QWidget* parent = nullptr);
  std::string Key() const { return text().toStdString(); }
  // A closed field is read-only, in the button-face colour.
  void SetOpen(bool open);
  bool Open() const { return !isReadOnly(); }
};

}  // namespace vaultora
