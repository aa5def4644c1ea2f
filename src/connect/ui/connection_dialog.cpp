#include "connect/ui/connection_dialog.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "connect/runtime/ras_dialer.h"
#include "controls/number_field.h"
#include "controls/summary_text.h"
#include "online/runtime/online_logon_check.h"
#include "settings/registry_keys.h"

namespace vaultora {

namespace {
namespace c = keys::connection;
constexpr const char* kOptionNames[3] = {"rbDirect", "rbExistingDialup", "rbNewDialup"};
}  // namespace

TfrmConnection::TfrmConnection(TIniRegistryEditor& store, TRasAdapter* adapter, QWidget* parent)
    : TWizardDialog("frmConnection", "Connection", parent),
      FStore(store),
      FDialer(std::make_unique<TRasDialer>(nullptr, adapter)) {
  AddPage(CreateCover(), "Connection");
  AddPage(CreateExisting(), "Existing Connection");
  AddPage(CreateServer(), "Server");
  AddPage(CreateFinished(), "Finished");
  FSetup.Load(FStore, FDialer->PhoneBook());
  ShowSetup();
  GoTo(cpCover);
}

TfrmConnection::~TfrmConnection() {
  if (!FCheck) return;
  FCheck->OnStatus = nullptr;
  FCheck->OnLogon = nullptr;
  FCheck->OnCheckOk = nullptr;
  FCheck->OnCheckFailed = nullptr;
  FCheck->OnThreadException = nullptr;
  FCheck->OnClose = nullptr;
}

bool TfrmConnection::Testing() const {
  return FCheck && FCheck->Running();
}

void TfrmConnection::ShowTestStatus(const std::string& text) {
  FTestStatus->setText(QString::fromStdString(text));
}

void TfrmConnection::TestConnection() {
  if (Testing()) return;
  TakeFields();
  const TStoredConnection stored = ReadStoredConnection(FStore);
  if (!stored.Host) {
    ShowTestStatus("There is no stored connection to test yet: apply these settings first.");
    return;
  }
  const std::string where = *stored.Host + ":" + IntToStr(stored.Port.value_or(211));
  const bool typedOther =
      Trim(FSetup.Host) != *stored.Host || Trim(FSetup.Port) != IntToStr(stored.Port.value_or(211));
  const std::string note =
      typedOther ? " (the stored settings; apply to test the ones typed here)" : "";
  FLogonRefused = false;
  FLastStatus.clear();
  FLastError.clear();
  FCheck = std::make_unique<TOnlineLogonCheck>();
  FCheck->OnStatus = [this](TComponent*, const std::string& status) {
    FLastStatus = status;
    ShowTestStatus(status);
  };
  FCheck->OnThreadException = [this](TComponent*, const std::string& text) { FLastError = text; };
  FCheck->OnLogon = [this](TComponent*, bool accepted) { FLogonRefused = !accepted; };
  FCheck->OnCheckOk = [this, where, note](TComponent*) {
    ShowTestStatus("Logged on to the server at " + where + note +
                   ": the connection and the account work.");
    emit TestFinished(true);
  };
  FCheck->OnCheckFailed = [this, where, note](TComponent*) {
    if (FLogonRefused)
      ShowTestStatus("The server at " + where + note +
                     " refused the logon: check the account (vaultora-cli account set).");
    else
      ShowTestStatus("The server at " + where + note + " could not be reached: " +
                     (!FLastError.empty()    ? FLastError
                      : !FLastStatus.empty() ? FLastStatus
                                             : std::string("no answer")));
    emit TestFinished(false);
  };
  FCheck->OnClose = [this](TComponent*) { FTest->setEnabled(true); };
  FTest->setEnabled(false);
  ShowTestStatus("Testing the connection to " + where + note + "...");
  FCheck->Start();
}

QWidget* TfrmConnection::CreateCover() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* intro = new QLabel(
      "How does this computer reach your backup server? Choose a direct connection for a "
      "local network or broadband line, or a dial-up connection that Vaultora dials before "
      "each transfer.");
  intro->setWordWrap(true);
  layout->addWidget(intro);
  for (int i = 0; i < 3; ++i) {
    FOptions[i] = new QRadioButton(kConnectionOptionCaptions[i]);
    FOptions[i]->setObjectName(kOptionNames[i]);
    layout->addWidget(FOptions[i]);
  }
  layout->addStretch(1);
  return page;
}

QWidget* TfrmConnection::CreateExisting() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(new QLabel("Available Dailup Connection:"));
  FEntries = new QListWidget;
  FEntries->setObjectName("lbConnections");
  SetProblemField(*FEntries, kPhoneBookField);
  layout->addWidget(FEntries, 1);
  auto* properties = new QPushButton("Connection Properties");
  properties->setObjectName("btnProperties");
  layout->addWidget(properties, 0, Qt::AlignLeft);
  connect(properties, &QPushButton::clicked, this, [this] { EditProperties(); });
  connect(FEntries, &QListWidget::itemDoubleClicked, this, [this] { EditProperties(); });
  connect(FEntries, &QListWidget::currentRowChanged, this,
          [this](int row) { FSetup.SelectEntry(row); });
  return page;
}

QWidget* TfrmConnection::CreateServer() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* intro = new QLabel(
      "Where is your backup server? Give its host name or IPv4 address and the port it "
      "listens on (211 unless your provider says otherwise).");
  intro->setWordWrap(true);
  layout->addWidget(intro);
  auto* form = new QFormLayout;
  FHost = new QLineEdit;
  FHost->setObjectName("edHost");
  SetProblemField(*FHost, kHostField);
  FPort = new TNumberField("edServerPort", c::kMinServerPort, c::kMaxServerPort, 1,
                           c::kDefaultServerPort);
  SetProblemField(*FPort, kServerPortField);
  form->addRow("Host Name:", FHost);
  form->addRow("Server Port:", FPort);
  layout->addLayout(form);
  FTest = new QPushButton("Test connection");
  FTest->setObjectName("btnTestConnection");
  FTest->setToolTip("Log on to the stored server with the stored account");
  layout->addWidget(FTest, 0, Qt::AlignLeft);
  FTestStatus = new QLabel;
  FTestStatus->setObjectName("lblTestStatus");
  FTestStatus->setWordWrap(true);
  layout->addWidget(FTestStatus);
  connect(FTest, &QPushButton::clicked, this, [this] { TestConnection(); });
  layout->addStretch(1);
  return page;
}

QWidget* TfrmConnection::CreateFinished() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(new QLabel("Finished. \"&Apply\" stores these settings:"));
  FSummary = new TSummaryText("mmSummary");
  layout->addWidget(FSummary, 1);
  return page;
}

void TfrmConnection::ShowSetup() {
  FOptions[FSetup.Option()]->setChecked(true);
  FillPhoneBook();
  FHost->setText(QString::fromStdString(FSetup.Host));
  FPort->SetText(FSetup.Port);
}

void TfrmConnection::FillPhoneBook() {
  const int selected = FSetup.SelectedEntry();
  const QSignalBlocker blocker(FEntries);
  FEntries->clear();
  for (const std::string& entry : FSetup.PhoneBook())
    FEntries->addItem(QString::fromStdString(entry));
  FEntries->setCurrentRow(selected);
}

void TfrmConnection::TakeFields() {
  for (int i = 0; i < 3; ++i)
    if (FOptions[i]->isChecked()) FSetup.SetOption(static_cast<TConnectionOption>(i));
  FSetup.Host = FHost->text().toStdString();
  FSetup.Port = FPort->Text();
}

void TfrmConnection::EditProperties() {
  if (FSetup.SelectedEntry() < 0) return;
  const int previous = FDialer->SelPhoneBookEntry();
  FDialer->SetSelPhoneBookEntry(FSetup.SelectedEntry());
  FDialer->EditEntry();
  FSetup.RefreshPhoneBook(FDialer->PhoneBook());
  FDialer->SetSelPhoneBookEntry(previous);
  FillPhoneBook();
}

int TfrmConnection::NextPage(int page) {
  TakeFields();
  if (page == cpCover) {
    if (FSetup.Option() == coExistingDialup) {
      FSetup.RefreshPhoneBook(FDialer->PhoneBook());
    } else if (FSetup.Option() == coNewDialup) {
      const bool created = FDialer->CreateEntry() && FSetup.EntryCreated(FDialer->PhoneBook());
      FillPhoneBook();
      if (!created) return -1;
      FOptions[coExistingDialup]->setChecked(true);
      FSetup.SetOption(coExistingDialup);
    }
    FillPhoneBook();
  }
  if (ShowProblem(FSetup.Check(page))) return -1;
  return FSetup.NextPage(page);
}

int TfrmConnection::BackPage(int page) {
  TakeFields();
  return FSetup.BackPage(page);
}

void TfrmConnection::PageShown(int page) {
  if (page == cpFinished) FSummary->SetLines(FSetup.Summary());
  if (page == cpServer) FHost->setFocus();
}

bool TfrmConnection::ApplyPages() {
  TakeFields();
  return !ShowProblem(FSetup.Apply(FStore));
}

}  // namespace vaultora
