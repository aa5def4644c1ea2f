#pragma once
// TfrmConnection: the "Connection" dialog, a view of TConnectionSetup. The cover page chooses how
// the server is reached, the second lists the dial-up phone book, the third takes the host and
// port, the last sums up and applies. The phone book comes from a dialer over the given adapter
// (the system's when none is given).

#include <memory>

#include "connect/connection_setup.h"
#include "controls/wizard_dialog.h"

class QLabel;
class QListWidget;
class QPushButton;
class QLineEdit;
class QRadioButton;

namespace vaultora {

class TIniRegistryEditor;
class TNumberField;
class TOnlineLogonCheck;
class TRasAdapter;
class TRasDialer;
class TSummaryText;

class TfrmConnection : public TWizardDialog {
  Q_OBJECT
 public:
  TfrmConnection(TIniRegistryEditor& store, TRasAdapter* adapter = nullptr,
                 QWidget* parent = nullptr);
  ~TfrmConnection() override;

  const TConnectionSetup& Setup() const { return FSetup; }
  // "Test connection": logs on to the stored server with the stored account on a worker; the
  // status line says how it went.
  void TestConnection();
  bool Testing() const;

 signals:
  void TestFinished(bool worked);

 protected:
  int NextPage(int page) override;
  int BackPage(int page) override;
  bool ApplyPages() override;
  void PageShown(int page) override;

 private:
  QWidget* CreateCover();
  QWidget* CreateExisting();
  QWidget* CreateServer();
  QWidget* CreateFinished();
  void ShowSetup();   // the model into the controls
  void TakeFields();  // the controls into the model
  void FillPhoneBook();
  void EditProperties();
  void ShowTestStatus(const std::string& text);

  TIniRegistryEditor& FStore;
  std::unique_ptr<TRasDialer> FDialer;
  TConnectionSetup FSetup;
  QRadioButton* FOptions[3]{};
  QListWidget* FEntries = nullptr;
  QLineEdit* FHost = nullptr;
  TNumberField* FPort = nullptr;
  TSummaryText* FSummary = nullptr;
  QPushButton* FTest = nullptr;
  QLabel* FTestStatus = nullptr;
  std::unique_ptr<TOnlineLogonCheck> FCheck;
  bool FLogonRefused = false;
  std::string FLastStatus;
  std::string FLastError;
};

}  // namespace vaultora
