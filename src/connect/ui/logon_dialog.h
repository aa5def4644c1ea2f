#pragma once
// TfrmLogon: the "Logon" dialog of a dial-up entry that has no stored user name and password:
// the entry's name, the user name (prefilled) and the masked password, each at most 31
// characters. The focus starts on the password when a user name is already there.

#include <QDialog>

#include <string>

class QLineEdit;

namespace vaultora {

class TfrmLogon : public QDialog {
  Q_OBJECT
 public:
  TfrmLogon(const std::string& entry, const std::string& userName, QWidget* parent = nullptr);

  std::string UserName() const;
  std::string Password() const;

  // Shows the dialog modally; true with the two values on OK.
  static bool Ask(const std::string& entry, std::string& userName, std::string& password,
                  QWidget* parent = nullptr);

 private:
  QLineEdit* FUser = nullptr;
  QLineEdit* FPassword = nullptr;
};

}  // namespace vaultora
