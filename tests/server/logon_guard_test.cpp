// The server's check of a logon's time: the moment read from the key and the time code, the
// window around the server's clock in any time zone, and the memory of accepted logons.
#include "server/logon_guard.h"

#include <gtest/gtest.h>

#include "online/logon_envelope.h"
#include "server_fixture.h"

namespace vaultora::test {
namespace {

using server::ReadLogonMoment;
using server::TLogonMoment;
using server::WithinLogonWindow;

// 2026-12-09 12:00:00 UTC.
constexpr std::time_t kNoon = 1796817600;

TEST(LogonMoment, KeyAndTimeCodeMakeOneMomentOrNone) {
  EXPECT_EQ(ReadLogonMoment("091430", "301209"), (TLogonMoment{9, 14 * 3600 + 30 * 60 + 12}));
  // The code may be made in the minute after the key's, and across midnight.
  EXPECT_EQ(ReadLogonMoment("091430", "310509"), (TLogonMoment{9, 14 * 3600 + 31 * 60 + 5}));
  EXPECT_EQ(ReadLogonMoment("312359", "000201"), (TLogonMoment{1, 2}));
  EXPECT_EQ(ReadLogonMoment("092359", "000210"), (TLogonMoment{10, 2}));
  for (const auto& [key, code] : std::vector<std::pair<std::string, std::string>>{
           {"091430", "301208"},  // another day
           {"091430", "401209"},  // ten minutes after the key
           {"091430", "291209"},  // before the key
           {"092460", "301209"},
           {"0914", "301209"},
           {"09143a", "301209"},
           {"", ""}})
    EXPECT_FALSE(ReadLogonMoment(key, code)) << key << " " << code;
}

TEST(LogonMoment, TheWindowHoldsInEveryTimeZoneAndNowhereElse) {
  const auto at = [](int day, int hour, int minute, int second) {
    return TLogonMoment{day, hour * 3600 + minute * 60 + second};
  };
  EXPECT_TRUE(WithinLogonWindow(at(9, 12, 0, 0), kNoon, 120));
  EXPECT_TRUE(WithinLogonWindow(at(9, 12, 1, 59), kNoon, 120));
  EXPECT_FALSE(WithinLogonWindow(at(9, 12, 2, 1), kNoon, 120));
  EXPECT_FALSE(WithinLogonWindow(at(9, 11, 50, 0), kNoon, 120));
  EXPECT_TRUE(WithinLogonWindow(at(9, 17, 30, 30), kNoon, 120));  // UTC+5:30
  EXPECT_TRUE(WithinLogonWindow(at(10, 1, 45, 0), kNoon, 120));   // UTC+13:45, the next day
  EXPECT_TRUE(WithinLogonWindow(at(9, 0, 0, 0), kNoon, 120));     // UTC-12
  EXPECT_FALSE(WithinLogonWindow(at(8, 23, 0, 0), kNoon, 120));   // UTC-13 is no zone
  EXPECT_FALSE(WithinLogonWindow(at(10, 12, 0, 0), kNoon, 120));  // a day ahead
  EXPECT_FALSE(WithinLogonWindow(at(9, 12, 7, 30), kNoon, 120));  // between quarter hours
}

TEST(LogonMoment, AnAcceptedMomentIsRememberedForADayPerAccountAndComputer) {
  server::TLogonGuard guard(120);
  const TLogonMoment moment{9, 43200};
  EXPECT_TRUE(guard.FirstUse("ann pc", moment, kNoon));
  EXPECT_FALSE(guard.FirstUse("ann pc", moment, kNoon + 3600));
  EXPECT_TRUE(guard.FirstUse("ann laptop", moment, kNoon));
  EXPECT_TRUE(guard.FirstUse("ann pc", TLogonMoment{9, 43201}, kNoon));
  // After the memory span it is forgotten (the window refuses it by then).
  EXPECT_TRUE(guard.FirstUse("ann pc", moment, kNoon + server::TLogonGuard::kMemorySeconds + 1));
  EXPECT_FALSE(guard.InWindow(TLogonMoment{9, 43200 + 600}, kNoon));
  EXPECT_TRUE(server::TLogonGuard(0).InWindow(TLogonMoment{9, 43200 + 600}, kNoon));
}

using LogonReplay = TServerFixture;

TEST_F(LogonReplay, ALogonSentAgainOrFromTheWrongTimeIsRefused) {
  const TDateTime now = Now();
  const std::vector<uint8_t> envelope = EnvelopeFor("ann", "ann-secret", now);
  const std::string code = LogonTimeCode(now);
  EXPECT_FALSE(Client("")->Logon(envelope, code).empty());
  EXPECT_EQ(Client("")->Logon(envelope, code), "");  // the same bytes again
  // Ten minutes old, a time code of another moment than the key's, or none.
  const TDateTime old = now - 10.0 / 1440;
  EXPECT_EQ(Client("")->Logon(EnvelopeFor("ann", "ann-secret", old), LogonTimeCode(old)), "");
  EXPECT_EQ(Client("")->Logon(EnvelopeFor("ann", "ann-secret", now), LogonTimeCode(old)), "");
  EXPECT_EQ(Client("")->Logon(EnvelopeFor("ann", "ann-secret", now), ""), "");
  // A client whose clock runs in a zone half an hour from this machine's is served.
  const TDateTime elsewhere = now + 0.5 / 24;
  EXPECT_FALSE(Client("")
                   ->Logon(EnvelopeFor("ann", "ann-secret", elsewhere), LogonTimeCode(elsewhere))
                   .empty());
}

TEST(LogonMoments, NoTwoLogonsOfAProcessShareASecond) {
  const std::string first = LogonTimeCode(NextLogonMoment());
  const std::string second = LogonTimeCode(NextLogonMoment());
  EXPECT_NE(first, second);
}

}  // namespace
}  // namespace vaultora::test
