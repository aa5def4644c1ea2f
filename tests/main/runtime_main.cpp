#include <gtest/gtest.h>

#include <QCoreApplication>

#include "platform/runtime/event_loop_hook.h"
#include "support/test_profile.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  vaultora::test::IsolateTestRun();
  QCoreApplication app(argc, argv);
  vaultora::InstallEventLoopHook();
  return RUN_ALL_TESTS();
}
