// The "Dialup Connection" window as a view of a dial attempt, and the "Logon" dialog.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "connect/runtime/dial_attempt.h"
#include "connect/runtime/ras_dialer.h"
#include "connect/simulated_ras_adapter.h"
#include "connect/ui/dialup_window.h"
#include "connect/ui/logon_dialog.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"
#include "support/test_profile.h"

namespace vaultora {
namespace {

TEST(DialupWindow, ShowsTheAttemptsLinesAndCancelStopsTheDial) {
  test::TTestProfile profile;
  TIniRegistryEditor store;
  store.SetRootKey(rtHKEY_CURRENT_USER);
  store.SetFilename(keys::kBaseKey);
  store.WriteString(keys::kConnection, keys::connection::kConnection, "Office");
  TSimulatedRasAdapter adapter;
  adapter.AddEntry("Office", "ann", "secret");
  // The dial stops half-way, as a modem that never answers.
  adapter.AddCourse({0, {{0, 0}, {1, 0}, {5, 0}}});
  TRasDialer dialer(nullptr, &adapter);
  TDialAttempt attempt(dialer, store);
  TfrmDialup window(attempt);
  attempt.OnLine = [&window](const std::string&) { window.LineAdded(); };
  attempt.Show();
  QCoreApplication::processEvents();
  EXPECT_EQ(window.windowTitle(), "Connecting to \"Office\"");
  auto* lines = window.findChild<QTreeWidget*>("lvStatus");
  ASSERT_EQ(lines->topLevelItemCount(), static_cast<int>(attempt.Lines().size()));
  EXPECT_EQ(lines->topLevelItem(0)->text(0), "Dialing 'Office'");
  EXPECT_EQ(window.findChild<QLabel*>("lblState")->text(), "Authenticating user...")
      << "the label set after the state's line is shown too";

  window.findChild<QPushButton*>("btnCancel")->click();
  EXPECT_TRUE(attempt.Closed());
  store.SetFilename(keys::kBaseKey);
  EXPECT_TRUE(store.ValueExists(keys::kRasErrors, keys::errors::kUserStoppedRasDial));
  window.Detach();
  EXPECT_FALSE(window.findChild<QPushButton*>("btnCancel")->isEnabled());
  window.reject();  // after Detach the window no longer reaches the attempt
  attempt.OnLine = nullptr;
}

TEST(LogonDialog, PrefillsTheUserLimitsBothFieldsAndMasksThePassword) {
  TfrmLogon withUser("Office", "ann");
  auto* user = withUser.findChild<QLineEdit*>("edtUserName");
  auto* password = withUser.findChild<QLineEdit*>("edtPassword");
  EXPECT_EQ(withUser.windowTitle(), "Logon");
  EXPECT_EQ(withUser.findChild<QLabel*>("lblConnection")->text(), "Office");
  EXPECT_EQ(user->text(), "ann");
  EXPECT_EQ(user->maxLength(), 31);
  EXPECT_EQ(password->maxLength(), 31);
  EXPECT_EQ(password->echoMode(), QLineEdit::Password);
  password->setText("secret");
  EXPECT_EQ(withUser.Password(), "secret");
  EXPECT_EQ(withUser.focusWidget(), password) << "the user name is there: on to the password";

  TfrmLogon noUser("Office", std::string(40, 'u'));
  EXPECT_EQ(noUser.UserName(), std::string(31, 'u')) << "a stored name is cut to the field";
  TfrmLogon empty("Office", "");
  EXPECT_EQ(empty.focusWidget(), empty.findChild<QLineEdit*>("edtUserName"));
}

}  // namespace
}  // namespace vaultora
