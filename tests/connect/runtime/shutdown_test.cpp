#include <gtest/gtest.h>

#include "connect/runtime/shutdown_countdown.h"
#include "connect/runtime/shutdown_intercept.h"
#include "platform/system_names.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"
#include "support/recording_session_adapter.h"
#include "support/test_profile.h"

namespace vaultora {
namespace {

using test::TRecordingSessionAdapter;

TEST(ShutDownSet, ExitWinTypeOfTheCountdownChoices) {
  EXPECT_EQ(ExitWinTypeOf(ShutDownSetOfChoice(scShutDown)), 17);
  EXPECT_EQ(ExitWinTypeOf(ShutDownSetOfChoice(scRestart)), 82);
  EXPECT_EQ(ExitWinTypeOf(ShutDownSetOfChoice(scLogOff)), 16);
  EXPECT_EQ(ExitWinTypeOf(ShutDownSetOfChoice(scStandby)), 8);
  EXPECT_EQ(ExitWinTypeOf(ShutDownSetOfChoice(scShellCommand)), 256);
  EXPECT_EQ(ExitWinTypeOf({}), -1);
  EXPECT_EQ(ExitWinTypeOf({SDX_LOGOFF}), 0);
}

TEST(ShutDownSet, ExitWinTypeMapsBackToMembers) {
  EXPECT_EQ(ShutDownSetOf(17), (TSelectedShutDown{SDX_SHUTDOWN, SDX_FORCEIFHUNG, SDX_LOGOFF}));
  EXPECT_EQ(ShutDownSetOf(8), (TSelectedShutDown{SDX_POWEROFF, SDX_LOGOFF}));
  EXPECT_EQ(ShutDownSetOf(67), (TSelectedShutDown{SD_RESTARTWINDOWS, SD_REBOOTSYSTEM, SDX_SHUTDOWN,
                                                  SDX_REBOOT, SDX_LOGOFF}));
  EXPECT_TRUE(ShutDownSetOf(-1).Empty());
  for (int flags : {0, 1, 16, 17, 82, 8, 256, 66, 67, 68, 2 | 4 | 16})
    EXPECT_EQ(ExitWinTypeOf(ShutDownSetOf(flags)), flags) << flags;
}

TEST(ShutDownSet, DescriptionListsMembersInBitOrder) {
  EXPECT_EQ(ExitWinDescOf({SDX_FORCEIFHUNG, SDX_SHUTDOWN}), "[Shut down] [Force if Hung]");
  EXPECT_EQ(ExitWinDescOf({SDX_LOGOFF, SD_RESTARTWINDOWS}), "[Restart Windows] [Loggoff]");
  EXPECT_EQ(ExitWinDescOf({}), "");
}

TEST(ShutDownSet, PowerEventsAreNamed) {
  EXPECT_EQ(PowerEventName(0), "Request permission to suspend.");
  EXPECT_EQ(PowerEventName(8), "System is resuming from standby mode.");
  EXPECT_EQ(PowerEventName(11), "OEM-defined event occurred.");
  EXPECT_EQ(PowerEventName(12), "");
}

TEST(ShutDownSet, SystemdCommandsNeverForce) {
  EXPECT_EQ(SessionEndCommand(17), (std::vector<std::string>{"systemctl", "poweroff"}));
  EXPECT_EQ(SessionEndCommand(82), (std::vector<std::string>{"systemctl", "reboot"}));
  EXPECT_EQ(SessionEndCommand(1 | 4), (std::vector<std::string>{"systemctl", "poweroff"}));
  EXPECT_EQ(SessionEndCommand(16)[0], "loginctl");
  EXPECT_EQ(PowerStateCommand(POS_RAMALIVE, false),
            (std::vector<std::string>{"systemctl", "suspend"}));
  EXPECT_EQ(PowerStateCommand(POS_HIBERNATE, true),
            (std::vector<std::string>{"systemctl", "hibernate", "--ignore-inhibitors"}));
}

class ShutDownInterceptTest : public ::testing::Test {
 protected:
  TRecordingSessionAdapter adapter;
  TShutDownItercept intercept{nullptr, &adapter};
};

TEST_F(ShutDownInterceptTest, EachChoiceExecutesItsCall) {
  struct TCase {
    TShutDownChoice Choice;
    std::string Call;
  };
  const TCase cases[] = {{scShutDown, "end 17"},
                         {scRestart, "end 82"},
                         {scLogOff, "end 16"},
                         {scStandby, "hibernate"},
                         {scShellCommand, "shell make backup"}};
  intercept.ShellCommand = "make backup";
  for (const TCase& c : cases) {
    adapter.Calls.clear();
    intercept.SelectedShutDown = ShutDownSetOfChoice(c.Choice);
    EXPECT_TRUE(intercept.Execute());
    EXPECT_EQ(adapter.Calls, std::vector<std::string>{c.Call});
  }
}

TEST_F(ShutDownInterceptTest, EmptySetDoesNothingAndBlankShellCommandEndsTheSession) {
  EXPECT_FALSE(intercept.Execute());
  EXPECT_TRUE(adapter.Calls.empty());
  intercept.SelectedShutDown = {SDX_SHELLCOMMAND, SDX_SHUTDOWN};
  intercept.ShellCommand = "  ";
  intercept.Execute();
  EXPECT_EQ(adapter.Calls, std::vector<std::string>{"end 1"});
}

TEST_F(ShutDownInterceptTest, StandbyFollowsPowerOffStateAndForce) {
  intercept.SelectedShutDown = {SDX_POWEROFF};
  intercept.PowerOffState = POS_RAMALIVE;
  intercept.ForcePowerOff = true;
  intercept.Execute();
  EXPECT_EQ(adapter.Calls, std::vector<std::string>{"suspend forced"});
}

TEST_F(ShutDownInterceptTest, WithoutInterceptTheSessionEndsUnasked) {
  int asked = 0;
  intercept.OnShutDown = [&](TShutDownItercept&, bool& allow) {
    ++asked;
    allow = false;
  };
  EXPECT_TRUE(intercept.QueryEndSession());
  EXPECT_EQ(asked, 0);
  intercept.Intercept = true;
  EXPECT_FALSE(intercept.QueryEndSession());
  EXPECT_EQ(asked, 1);
}

TEST_F(ShutDownInterceptTest, PowerEventsReachTheirEvents) {
  std::vector<std::string> seen;
  intercept.OnStandby = [&](TShutDownItercept&, bool& allow) { allow = false; };
  intercept.OnResumePower = [&](TShutDownItercept&, unsigned type, const std::string& text) {
    seen.push_back(std::to_string(type) + " " + text);
  };
  EXPECT_EQ(intercept.PowerBroadcast(0), 1);
  EXPECT_EQ(intercept.PowerBroadcast(1), kBroadcastQueryDeny);
  intercept.PowerBroadcast(7);
  EXPECT_EQ(seen, std::vector<std::string>{"7 Operation resuming after suspension."});
  intercept.OnPowerOff = [&](TShutDownItercept&, unsigned type, const std::string&) {
    seen.push_back(std::to_string(type));
  };
  EXPECT_EQ(intercept.PowerBroadcast(1), 1);  // OnPowerOff takes every event instead
  EXPECT_EQ(seen.back(), "1");
}

namespace prefs = keys::preferences;

class ShutDownCountdownTest : public ::testing::Test {
 protected:
  ShutDownCountdownTest() {
    store.AtUserKey(keys::kBaseKey);
    countdown.OnClose = [this](TShutDownCountdown&, bool ended) { closes.push_back(ended); };
  }
  int StoredChoice() {
    store.SetFilename(keys::kBaseKey);
    return store.ReadInteger(keys::kPreferences, prefs::kShutDownWin, -1);
  }

  test::TTestProfile profile;
  TIniRegistryEditor store;
  TRecordingSessionAdapter adapter;
  TShutDownItercept intercept{nullptr, &adapter};
  TShutDownCountdown countdown{store, intercept};
  std::vector<bool> closes;
};

TEST_F(ShutDownCountdownTest, DefaultsWithoutStoredOptions) {
  countdown.Load();
  EXPECT_EQ(countdown.Selected(), scShutDown);
  EXPECT_EQ(countdown.SecondsLeft(), 30);
  EXPECT_EQ(countdown.CountdownLabel(), "Seconds till shut down.");
  EXPECT_FALSE(countdown.OptionVisible(scShellCommand));
  EXPECT_EQ(countdown.OptionLabel(scLogOff), "Log off " + UserName() + "...");
}

TEST_F(ShutDownCountdownTest, EachChoiceIsStoredAndGivesItsFlags) {
  store.WriteString(keys::kPreferences, prefs::kShellCommand, "Exit To Dos");
  countdown.Load();
  EXPECT_EQ(countdown.OptionLabel(scShellCommand), "Restart in Shell \"Exit To Dos\"");
  struct TCase {
    TShutDownChoice Choice;
    int Flags;
    const char* Label;
  };
  const TCase cases[] = {{scStandby, 8, "Seconds till standby."},
                         {scShutDown, 17, "Seconds till shut down."},
                         {scRestart, 82, "Seconds till restart."},
                         {scShellCommand, 256, "Seconds till restart shell execute."},
                         {scLogOff, 16, "Seconds till Log off."}};
  for (const TCase& c : cases) {
    countdown.Select(c.Choice);
    EXPECT_EQ(StoredChoice(), c.Choice);
    EXPECT_EQ(intercept.ExitWinType(), c.Flags);
    EXPECT_EQ(countdown.CountdownLabel(), c.Label);
  }
}

TEST_F(ShutDownCountdownTest, CountsDownThenHandsOverTheChoiceWithTheShellCommand) {
  store.WriteInteger(keys::kPreferences, prefs::kShutdownTimeout, 2);
  store.WriteInteger(keys::kPreferences, prefs::kShutDownWin, scShellCommand);
  store.WriteString(keys::kPreferences, prefs::kShellCommand, "backup-done.sh");
  countdown.Load();
  countdown.Start();
  countdown.Step();
  EXPECT_EQ(countdown.SecondsLeft(), 1);
  EXPECT_TRUE(closes.empty());
  countdown.Step();
  EXPECT_EQ(closes, std::vector<bool>{true});
  EXPECT_EQ(intercept.ShellCommand, "backup-done.sh");
  EXPECT_TRUE(intercept.Execute());
  EXPECT_EQ(adapter.Calls, std::vector<std::string>{"shell backup-done.sh"});
  EXPECT_FALSE(KeepsProgramRunning(intercept));
}

TEST_F(ShutDownCountdownTest, AnEmptySetAtTheEndShutsDown) {
  countdown.Load();
  countdown.Start();
  intercept.SelectedShutDown = {};
  countdown.Ok();
  EXPECT_EQ(closes, std::vector<bool>{true});
  EXPECT_EQ(intercept.ExitWinType(), 17);
}

TEST_F(ShutDownCountdownTest, ShutDownButtonAndCancel) {
  store.WriteInteger(keys::kPreferences, prefs::kShutDownWin, scStandby);
  countdown.Load();
  EXPECT_TRUE(KeepsProgramRunning(intercept));
  countdown.Start();
  countdown.ShutDown();
  EXPECT_EQ(StoredChoice(), scShutDown);
  EXPECT_EQ(intercept.ExitWinType(), 17);
  countdown.Start();
  countdown.Cancel();
  EXPECT_EQ(closes, (std::vector<bool>{true, false}));
  EXPECT_EQ(intercept.ExitWinType(), -1);
  EXPECT_FALSE(countdown.Running());
}

TEST_F(ShutDownCountdownTest, HiddenOrUnknownStoredChoiceFallsBackToShutDown) {
  store.WriteInteger(keys::kPreferences, prefs::kShutDownWin, scShellCommand);
  countdown.Load();  // no shell command stored: that option is hidden
  EXPECT_EQ(countdown.Selected(), scShutDown);
  store.WriteInteger(keys::kPreferences, prefs::kShutDownWin, 9);
  countdown.Load();
  EXPECT_EQ(countdown.Selected(), scShutDown);
}

}  // namespace
}  // namespace vaultora
