#pragma once
// A test suite whose tests share one vaultora-server with the account kAccount: the server starts
// before the suite's first test and stops after its last. Header-only, for the process test
// programs, which define VAULTORA_SERVER_PATH.

#include <gtest/gtest.h>

#include <memory>

#include "support/background_server.h"

namespace vaultora::test {

class TServerSuite : public testing::Test {
 public:
  static void SetUpTestSuite() {
    Shared() = std::make_unique<TBackgroundServer>(VAULTORA_SERVER_PATH,
                                                   std::vector<TServerAccount>{kAccount});
  }
  static void TearDownTestSuite() { Shared().reset(); }

 protected:
  static inline const TServerAccount kAccount = {"ann", "secret"};
  static TBackgroundServer& Server() { return *Shared(); }

 private:
  static std::unique_ptr<TBackgroundServer>& Shared() {
    static std::unique_ptr<TBackgroundServer> server;
    return server;
  }
};

}  // namespace vaultora::test
