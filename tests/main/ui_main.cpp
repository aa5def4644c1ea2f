#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>

#include "platform/runtime/event_loop_hook.h"
#include "support/test_profile.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  vaultora::test::IsolateTestRun();
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  vaultora::InstallEventLoopHook();
  return RUN_ALL_TESTS();
}
