#include <gtest/gtest.h>

#include "support/test_profile.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  vaultora::test::IsolateTestRun();
  return RUN_ALL_TESTS();
}
