// "Test connection" in the connection dialog: it logs on to a real server on loopback with the
// stored account on its worker, the window's thread free meanwhile, and says how it went.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>

#include "connect/simulated_ras_adapter.h"
#include "connect/ui/connection_dialog.h"
#include "online/account_record.h"
#include "settings/registry_keys.h"
#include "support/runtime/online_test_fixture.h"
#include "support/scripted_prompts.h"

namespace vaultora::test {
namespace {

class ConnectionTestButton : public OnlineTest {
 protected:
  ConnectionTestButton() : OnlineTest(VAULTORA_SERVER_PATH) { SetUpProfile(); }

  // Clicks the button, checks it returned at once, and waits for the outcome.
  QString Tested(bool& worked) {
    TfrmConnection dialog(*FStore, &facility);
    QSignalSpy finished(&dialog, &TfrmConnection::TestFinished);
    dialog.findChild<QPushButton*>("btnTestConnection")->click();
    EXPECT_TRUE(dialog.Testing());
    EXPECT_FALSE(dialog.findChild<QPushButton*>("btnTestConnection")->isEnabled());
    EXPECT_TRUE(finished.wait(30000));
    worked = !finished.isEmpty() && finished.first().first().toBool();
    return dialog.findChild<QLabel*>("lblTestStatus")->text();
  }

  TScriptedPrompts prompts;
  TSimulatedRasAdapter facility;
};

TEST_F(ConnectionTestButton, TheStoredAccountLogsOn) {
  bool worked = false;
  const QString status = Tested(worked);
  EXPECT_TRUE(worked);
  EXPECT_TRUE(status.startsWith("Logged on to the server at 127.0.0.1:")) << status.toStdString();
}

TEST_F(ConnectionTestButton, AWrongPasswordIsNamedAsTheCause) {
  WriteAccountSetup(*FStore, {"ann", "not the password"});
  bool worked = true;
  const QString status = Tested(worked);
  EXPECT_FALSE(worked);
  EXPECT_TRUE(status.contains("refused the logon")) << status.toStdString();
}

TEST_F(ConnectionTestButton, AHostNameThatDoesNotResolveIsNamed) {
  FStore->WriteString(keys::kConnection, keys::connection::kHost, "no-such-host.invalid");
  bool worked = true;
  const QString status = Tested(worked);
  EXPECT_FALSE(worked);
  EXPECT_TRUE(status.contains("\"no-such-host.invalid\" could not be resolved"))
      << status.toStdString();
}

}  // namespace
}  // namespace vaultora::test
