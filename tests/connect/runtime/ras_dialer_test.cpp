#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "connect/runtime/ras_dialer.h"
#include "connect/simulated_ras_adapter.h"
#include "support/temp_folder.h"

namespace vaultora {
namespace {

void Pump(int ms = 20) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Every event of the dialer as one line, in order.
class RasDialerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    adapter.AddEntry("Office", "ann", "secret");
    dialer.OnRasStatus = [this](TRasDialer&, const std::string& s) { events.push_back(s); };
    dialer.OnRasError = [this](TRasDialer&, const std::string& s) {
      events.push_back("error " + s);
    };
    dialer.OnRasStateChange = [this](TRasDialer&, const std::string& s, int n) {
      events.push_back("state " + std::to_string(n) + " " + s);
    };
    dialer.OnDialdwError = [this](TRasDialer&, const std::string& s, unsigned code) {
      events.push_back("dial error " + std::to_string(code) + " " + s);
    };
    dialer.OnConnect = [this](TRasDialer&) { events.push_back("connect"); };
    dialer.OnDisConnect = [this](TRasDialer&) { events.push_back("disconnect"); };
    dialer.OnLogonFailed = [this](TRasDialer&) { events.push_back("logon failed"); };
  }
  int Count(const std::string& event) const {
    return static_cast<int>(std::count(events.begin(), events.end(), event));
  }

  TSimulatedRasAdapter adapter;
  TRasDialer dialer{nullptr, &adapter};
  std::vector<std::string> events;
};

TEST_F(RasDialerTest, DialsTheSelectedEntryWithItsStoredCredentials) {
  dialer.SetSelPhoneBookName("office");
  EXPECT_EQ(dialer.SelPhoneBookName(), "Office");
  EXPECT_EQ(dialer.UserName(), "ann");
  dialer.SetActive(true);
  EXPECT_EQ(events, std::vector<std::string>{"Dialing 'Office'"});
  Pump();
  EXPECT_TRUE(dialer.Active());
  EXPECT_EQ(events.back(), "connect");
  EXPECT_EQ(Count("state 8192 Connected"), 1);
  EXPECT_EQ(adapter.Calls(), std::vector<std::string>{"dial Office ann"});
  EXPECT_FALSE(dialer.IpAddress().empty());
  dialer.SetActive(false);
  EXPECT_FALSE(dialer.Active());
  EXPECT_EQ(events.back(), "disconnect");
  EXPECT_EQ(adapter.Calls().back(), "hangup Office");
}

TEST_F(RasDialerTest, AlreadyActiveEntryIsAdoptedAndLeftUp) {
  adapter.SetConnected("Office");
  dialer.SetSelPhoneBookName("Office");
  dialer.SetActive(true);
  EXPECT_TRUE(dialer.Active());
  EXPECT_EQ(events, (std::vector<std::string>{"Connection already active", "connect"}));
  dialer.SetActive(false);
  EXPECT_FALSE(dialer.Active());
  EXPECT_EQ(events.back(), "disconnect");
  EXPECT_TRUE(adapter.Calls().empty());  // neither dialled nor hung up
  std::vector<TRasConnection> up;
  adapter.EnumConnections(kMaxActiveConnections, up);
  EXPECT_EQ(up.size(), 1u);
}

TEST_F(RasDialerTest, WrongPasswordEndsInLogonFailedAndOneDisconnect) {
  adapter.AddCourse({0, {{0, 0}, {1, 0}, {5, 0}, {0, kErrorAuthenticationFailure}}});
  dialer.SetSelPhoneBookName("Office");
  dialer.SetActive(true);
  Pump();
  EXPECT_FALSE(dialer.Active());
  EXPECT_EQ(Count("dial error 691 " + RasErrorText(691)), 1);
  EXPECT_EQ(Count("logon failed"), 1);
  EXPECT_EQ(Count("disconnect"), 1);
  EXPECT_EQ(Count("connect"), 0);
  EXPECT_EQ(adapter.Calls(), (std::vector<std::string>{"dial Office ann", "hangup Office"}));
}

TEST_F(RasDialerTest, AFailedStartReportsTheCodeAndStillDisconnects) {
  adapter.AddCourse({676, {}});
  dialer.SetSelPhoneBookName("Office");
  dialer.SetActive(true);
  EXPECT_EQ(events, (std::vector<std::string>{"error 676 " + RasErrorText(676), "disconnect"}));
  EXPECT_EQ(adapter.Calls().back(), "hangup Office");
}

TEST_F(RasDialerTest, NothingSelectedIsReported) {
  dialer.SetActive(true);
  EXPECT_EQ(events, std::vector<std::string>{"error A connection has not been selected"});
  EXPECT_FALSE(dialer.EditEntry());
  EXPECT_EQ(events.back(), "error A RAS connection has not been specified");
  EXPECT_EQ(dialer.UserName(), "");
}

TEST_F(RasDialerTest, SeventeenEntriesGiveTheBufferErrorAndAnEmptyList) {
  for (int i = 2; i <= 16; ++i)
    adapter.AddEntry("Entry " + std::to_string(i));
  EXPECT_EQ(dialer.PhoneBook().size(), 16u);
  EXPECT_TRUE(events.empty());
  adapter.AddEntry("Entry 17");
  EXPECT_TRUE(dialer.PhoneBook().empty());
  EXPECT_EQ(events, std::vector<std::string>{"error " + RasErrorText(kErrorBufferTooSmall)});
  dialer.SetSelPhoneBookName("Office");
  EXPECT_EQ(dialer.SelPhoneBookEntry(), -1);
}

TEST_F(RasDialerTest, SelectionPastTheListKeepsTheOldOne) {
  adapter.AddEntry("Home");
  dialer.SetSelPhoneBookEntry(1);
  dialer.SetSelPhoneBookEntry(2);
  EXPECT_EQ(dialer.SelPhoneBookName(), "Home");
  dialer.SetSelPhoneBookName("Nowhere");
  EXPECT_EQ(dialer.SelPhoneBookEntry(), -1);
  EXPECT_EQ(dialer.SelPhoneBookName(), "");
}

TEST(RasDialer, CredentialErrorsAreReportedAndOtherFailuresLeaveThemEmpty) {
  struct TFailingCredentials : TSimulatedRasAdapter {
    unsigned Code = kErrorCorruptPhoneBook;
    unsigned GetEntryDialParams(const std::string&, TRasDialParams&) override { return Code; }
  } adapter;
  adapter.AddEntry("Office", "ann", "secret");
  TRasDialer dialer(nullptr, &adapter);
  std::vector<std::string> errors;
  dialer.OnRasError = [&](TRasDialer&, const std::string& s) { errors.push_back(s); };
  dialer.SetSelPhoneBookName("Office");
  EXPECT_EQ(dialer.UserName(), "");
  EXPECT_EQ(errors, std::vector<std::string>{"The phone book is corrupted or missing components."});
  adapter.Code = 5;
  dialer.SetSelPhoneBookEntry(0);  // a new selection reads them again
  EXPECT_EQ(dialer.Password(), "");
  EXPECT_EQ(errors.size(), 1u);
}

TEST_F(RasDialerTest, StateNamesIncludeUnknownNumbers) {
  EXPECT_EQ(TRasDialer::StateName(0), "Opening Port");
  EXPECT_EQ(TRasDialer::StateName(21), "Logon Network");
  EXPECT_EQ(TRasDialer::StateName(22), "");
  EXPECT_EQ(TRasDialer::StateName(4099), "Password Expired");
  EXPECT_EQ(TRasDialer::StateName(8193), "Disconnected");
  EXPECT_EQ(TRasDialer::StateName(30), "Connection state #30");
  EXPECT_EQ(TRasDialer::StateName(4100), "Connection state #4100");
}

TEST_F(RasDialerTest, PollNoticesALineThatWentDown) {
  dialer.SetTimerInterval(5);
  dialer.SetSelPhoneBookName("Office");
  dialer.SetActive(true);
  Pump();
  ASSERT_TRUE(dialer.Active());
  adapter.DropConnection("Office");
  Pump(100);
  EXPECT_FALSE(dialer.Active());
  EXPECT_EQ(Count("Connection closed"), 1);
  EXPECT_EQ(events.back(), "disconnect");
}

TEST_F(RasDialerTest, NotificationsOfAnEarlierDialAreIgnored) {
  adapter.AddCourse({0, {{0, 0}, {1, 0}, {kRasConnected, 0}}});
  dialer.SetSelPhoneBookName("Office");
  dialer.SetActive(true);
  dialer.SetActive(false);  // hung up before the notifications were handled
  Pump();
  EXPECT_FALSE(dialer.Active());
  EXPECT_EQ(Count("connect"), 0);
}

TEST(SimulatedRasAdapter, ReadsItsScriptFile) {
  test::TTempFolder folder;
  test::WriteTextFile(folder / "dialup.txt",
                      "# a script\nentry Office|ann|secret\nentry Home\nactive Home\n"
                      "dial 0 1 0/691\nfail 676\n");
  TSimulatedRasAdapter adapter;
  std::string error;
  ASSERT_TRUE(adapter.LoadFromFile(folder / "dialup.txt", error)) << error;
  TStringList names;
  EXPECT_EQ(adapter.EnumEntries(16, names), 0u);
  EXPECT_EQ(names, (TStringList{"Office", "Home"}));
  std::vector<TRasConnection> up;
  adapter.EnumConnections(11, up);
  ASSERT_EQ(up.size(), 1u);
  EXPECT_EQ(up[0].EntryName, "Home");
  std::vector<std::string> steps;
  TRasHandle handle = 0;
  adapter.Dial(
      {"Office", "", "*", "ann", "secret", "*"},
      [&](unsigned s, unsigned e) { steps.push_back(std::to_string(s) + "/" + std::to_string(e)); },
      handle);
  EXPECT_EQ(steps, (std::vector<std::string>{"0/0", "1/0", "0/691"}));
  EXPECT_EQ(adapter.Dial(
                {"Office", "", "*", "", "", "*"}, [](unsigned, unsigned) {}, handle),
            676u);

  test::WriteTextFile(folder / "bad.txt", "dial 0 x\n");
  EXPECT_FALSE(adapter.LoadFromFile(folder / "bad.txt", error));
  EXPECT_EQ(error, "Line 1: bad step \"x\"");
}

}  // namespace
}  // namespace vaultora
