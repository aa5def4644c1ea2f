#include "connect/runtime/dial_attempt.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "connect/simulated_ras_adapter.h"
#include "platform/log_file.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"
#include "support/scripted_prompts.h"
#include "support/test_profile.h"

namespace vaultora {
namespace {

namespace prefs = keys::preferences;

void Pump(int ms = 20) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Scripted prompts that also answer the logon dialog.
class TLogonPrompts : public test::TScriptedPrompts {
 public:
  bool PromptLogon(const std::string& entry, std::string& user, std::string& password) override {
    Asked.push_back(entry + " " + user);
    if (!Accept) return false;
    user = User;
    password = Password;
    return true;
  }
  bool Accept = true;
  std::string User = "ann", Password = "secret";
  std::vector<std::string> Asked;
};

const TSimulatedRasAdapter::TCourse kBusy{0, {{0, 0}, {1, 0}, {0, 676}}};
const TSimulatedRasAdapter::TCourse kWrongPassword{0, {{0, 0}, {5, 0}, {0, 691}}};

class DialAttemptTest : public testing::Test {
 protected:
  DialAttemptTest() {
    store.SetRootKey(rtHKEY_CURRENT_USER);
    store.SetFilename(keys::kBaseKey);
    store.WriteString(keys::kConnection, keys::connection::kConnection, "Office");
    adapter.AddEntry("Office", "ann", "secret");
    attempt.AutoTimer = false;
    attempt.OnClose = [this](TDialAttempt&, bool connected) { closes.push_back(connected); };
    attempt.OnConnected = [this](TDialAttempt&) { ++connects; };
  }
  bool HasLine(const std::string& line) const {
    return std::find(attempt.Lines().begin(), attempt.Lines().end(), line) != attempt.Lines().end();
  }
  bool RasError(const std::string& name) {
    store.SetFilename(keys::kBaseKey);
    return store.ValueExists(keys::kRasErrors, name);
  }
  void Preferences(int retry, int wait) {
    store.WriteInteger(keys::kPreferences, prefs::kDialRetry, retry);
    store.WriteInteger(keys::kPreferences, prefs::kDialWait, wait);
  }

  test::TTestProfile profile;
  TLogonPrompts prompts;
  TIniRegistryEditor store;
  TSimulatedRasAdapter adapter;
  TRasDialer dialer{nullptr, &adapter};
  std::vector<std::pair<std::string, TStringList>> logs;
  TDialAttempt attempt{dialer, store, [this](const std::string& file, TStringList& lines) {
                         logs.emplace_back(file, lines);
                         lines.clear();
                       }};
  std::vector<bool> closes;
  int connects = 0;
};

TEST_F(DialAttemptTest, ConnectsClosesAndGivesTheDialerBackItsHandlers) {
  int mainWindowConnects = 0;
  dialer.OnConnect = [&](TRasDialer&) { ++mainWindowConnects; };
  attempt.Show();
  EXPECT_EQ(attempt.Caption(), "Connecting to \"Office\"");
  Pump();
  EXPECT_EQ(connects, 1);
  EXPECT_EQ(closes, std::vector<bool>{true});
  EXPECT_TRUE(attempt.Connected());
  EXPECT_EQ(attempt.StateLabel(), "Connected");
  EXPECT_TRUE(HasLine("Dialing 'Office'"));
  EXPECT_TRUE(HasLine("Authenticated"));
  EXPECT_EQ(mainWindowConnects, 0);
  ASSERT_TRUE(dialer.OnConnect);  // the main window's handler is back
  dialer.OnConnect(dialer);
  EXPECT_EQ(mainWindowConnects, 1);
  EXPECT_TRUE(prompts.Asked.empty());  // stored credentials: no logon dialog
}

TEST_F(DialAttemptTest, WrongPasswordMarksFailedLogonAndDoesNotRedial) {
  Preferences(3, 0);
  adapter.AddCourse(kWrongPassword);
  attempt.Show();
  Pump();
  EXPECT_TRUE(RasError(keys::errors::kFailedLogon));
  EXPECT_EQ(closes, std::vector<bool>{false});
  EXPECT_EQ(attempt.WaitTimerMs(), 0);
  EXPECT_TRUE(HasLine("RAS error [691] : " + RasErrorText(691)));
  EXPECT_EQ(attempt.StateLabel(), "Disconnected");
  EXPECT_EQ(std::count(adapter.Calls().begin(), adapter.Calls().end(), "dial Office ann"), 1);
}

TEST_F(DialAttemptTest, ThreeRedialsAtNoWaitThenTheWindowCloses) {
  Preferences(3, 0);
  for (int i = 0; i < 4; ++i)
    adapter.AddCourse(kBusy);
  attempt.Show();
  for (int k = 1; k <= 3; ++k) {
    Pump();
    ASSERT_EQ(attempt.WaitTimerMs(), 3000) << "before redial " << k;
    EXPECT_EQ(attempt.Lines().back(), "Redialing...");
    attempt.TimerElapsed();
    const std::string line = "Redialing (" + std::to_string(k) + ") of 3 times.";
    EXPECT_TRUE(HasLine(line));
    EXPECT_EQ(attempt.StateLabel(), line);
  }
  Pump();
  EXPECT_EQ(closes, std::vector<bool>{false});
  EXPECT_EQ(std::count(adapter.Calls().begin(), adapter.Calls().end(), "dial Office ann"), 4);
  EXPECT_FALSE(RasError(keys::errors::kFailedLogon));
}

TEST_F(DialAttemptTest, DialWaitInMinutesIsAnnounced) {
  Preferences(1, 2);
  adapter.AddCourse(kBusy);
  attempt.Show();
  Pump();
  EXPECT_EQ(attempt.WaitTimerMs(), 2 * 60000);
  EXPECT_EQ(attempt.StateLabel(), "Waiting to redial in 2 minute(s)");
  attempt.TimerElapsed();
  Pump();
  EXPECT_EQ(connects, 1);  // the second dial takes the default, connecting course
}

TEST_F(DialAttemptTest, RecordedRasErrorEndsTheAttemptInsteadOfHanging) {
  Preferences(2, 0);
  store.WriteBool(keys::kRasErrors, "Earlier", true);
  adapter.AddCourse(kBusy);
  attempt.Show();
  Pump();
  EXPECT_EQ(closes, std::vector<bool>{false});
  EXPECT_EQ(attempt.WaitTimerMs(), 0);
}

TEST_F(DialAttemptTest, CancelMarksTheStopHangsUpAndCloses) {
  Preferences(3, 5);
  adapter.AddCourse(kBusy);
  attempt.Show();
  Pump();
  ASSERT_GT(attempt.WaitTimerMs(), 0);
  attempt.Cancel();
  EXPECT_TRUE(RasError(keys::errors::kUserStoppedRasDial));
  EXPECT_EQ(attempt.WaitTimerMs(), 0);
  EXPECT_EQ(closes, std::vector<bool>{false});
  EXPECT_EQ(attempt.StateLabel(), "Disconnected");
}

TEST_F(DialAttemptTest, LogonDialogIsAskedWithoutStoredCredentials) {
  TSimulatedRasAdapter bare;
  bare.AddEntry("Office", "bob");
  TRasDialer bareDialer(nullptr, &bare);
  TDialAttempt asked(bareDialer, store);
  prompts.User = std::string(40, 'u');
  asked.Show();
  EXPECT_EQ(prompts.Asked, std::vector<std::string>{"Office bob"});
  EXPECT_EQ(bare.Calls(), std::vector<std::string>{"dial Office " + std::string(31, 'u')});

  prompts.Accept = false;
  TDialAttempt cancelled(bareDialer, store);
  bool closed = false;
  cancelled.OnClose = [&](TDialAttempt&, bool) { closed = true; };
  bareDialer.SetUserName("");
  cancelled.Show();
  EXPECT_TRUE(closed);
  EXPECT_EQ(cancelled.Lines().back(), "Internet Logon or password not supplied");
}

TEST_F(DialAttemptTest, WithoutAConnectionSettingNothingIsDialled) {
  store.DeleteValue(keys::kConnection, keys::connection::kConnection);
  attempt.Show();
  EXPECT_EQ(attempt.Lines(), (TStringList{"A dialup connection has not been specified",
                                          "A connection has not been selected"}));
  EXPECT_TRUE(adapter.Calls().empty());
}

TEST_F(DialAttemptTest, ListKeepsTheNewest52LinesAndTheLogGetsThemAll) {
  store.WriteBool(keys::kPreferences, prefs::kKeepLogFiles, true);
  Preferences(30, 0);
  for (int i = 0; i < 31; ++i)
    adapter.AddCourse(kBusy);
  attempt.Show();
  for (int i = 0; i < 30; ++i) {
    Pump(5);
    attempt.TimerElapsed();
  }
  Pump();
  EXPECT_EQ(attempt.Lines().size(), TDialAttempt::kMaxLines);
  EXPECT_EQ(attempt.Lines().back(), "RAS error [676] : " + RasErrorText(676));
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_EQ(logs[0].first, "RasDialup.log");
  EXPECT_GT(logs[0].second.size(), TDialAttempt::kMaxLines);
  EXPECT_EQ(logs[0].second.front(), "Dialing 'Office'");
}

TEST_F(DialAttemptTest, WithoutAWriterTheLinesGoToRasDialupLog) {
  store.WriteBool(keys::kPreferences, prefs::kKeepLogFiles, true);
  TDialAttempt logged(dialer, store);
  logged.Show();
  Pump();
  ASSERT_TRUE(logged.Closed());
  const std::string log = test::ReadTextFile(LogFilePath(kRasDialupLog));
  EXPECT_NE(log.find("Dialing 'Office'\r\n"), std::string::npos);
  EXPECT_TRUE(logged.KeptLines().empty());
}

}  // namespace
}  // namespace vaultora
