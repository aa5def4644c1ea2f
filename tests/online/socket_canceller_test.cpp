#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <future>
#include <thread>

#include "online/tcp_socket.h"

namespace vaultora {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// A loopback listener whose connections the kernel completes; nobody accepts or answers them.
class CancelledSocket : public testing::Test {
 protected:
  CancelledSocket() : port(listener.Listen("127.0.0.1", 0)) {}
  std::shared_ptr<TSocketCanceller> canceller = std::make_shared<TSocketCanceller>();
  TTcpListener listener;
  int port;
};

TEST_F(CancelledSocket, ABlockedReceiveReturnsAtOnceAndLaterConnectsAreRefused) {
  TTcpSocket socket;
  socket.SetCanceller(canceller);
  socket.Connect("127.0.0.1", port, 60000);
  auto receive = std::async(std::launch::async, [&socket] {
    uint8_t byte = 0;
    try {
      socket.ReceiveExact(&byte, 1);  // the peer never sends: only the cancel ends this
    } catch (const ESocketError& e) {
      return e.Code();
    }
    return 0;
  });
  EXPECT_EQ(receive.wait_for(milliseconds(100)), std::future_status::timeout);
  const auto cancelled = steady_clock::now();
  canceller->Cancel();
  ASSERT_EQ(receive.wait_for(milliseconds(2000)), std::future_status::ready);
  EXPECT_LT(steady_clock::now() - cancelled, milliseconds(1000));
  EXPECT_NE(receive.get(), 0);
  EXPECT_TRUE(socket.Cancelled());

  try {
    socket.Connect("127.0.0.1", port, 60000);
    FAIL() << "a cancelled socket connected again";
  } catch (const ESocketError& e) {
    EXPECT_EQ(e.Code(), ECANCELED);
  }
  EXPECT_FALSE(socket.Connected());
}

TEST_F(CancelledSocket, CancelAfterTheOwnerClosedLeavesAReusedDescriptorAlone) {
  TTcpSocket first;
  first.SetCanceller(canceller);
  first.Connect("127.0.0.1", port, 5000);
  const int number = first.Handle();
  first.Close();
  TTcpSocket other;  // most likely given the same descriptor number
  other.Connect("127.0.0.1", port, 5000);
  canceller->Cancel();
  EXPECT_TRUE(other.Connected());
  const char byte = 'x';
  EXPECT_EQ(other.SendSome(&byte, 1), 1) << "descriptor " << number << " was shut down";
}

TEST_F(CancelledSocket, WithoutACancelTheSocketWorksAsBefore) {
  TTcpSocket socket;
  socket.SetCanceller(canceller);
  socket.Connect("127.0.0.1", port, 5000);
  const int accepted = listener.Accept();
  ASSERT_GE(accepted, 0);
  TTcpSocket peer(accepted);
  peer.SendAll("ok", 2);
  char reply[2];
  socket.ReceiveExact(reply, 2);
  EXPECT_EQ(std::string(reply, 2), "ok");
  socket.Close();
  socket.Connect("127.0.0.1", port, 5000);  // a second connect through the same canceller
  EXPECT_TRUE(socket.Connected());
}

}  // namespace
}  // namespace vaultora

namespace vaultora {
namespace {

TEST(HostNames, ANameIsLookedUpAndOneThatDoesNotResolveSaysSo) {
  TTcpListener listener;
  const int port = listener.Listen("127.0.0.1", 0);
  TTcpSocket socket;
  socket.Connect("localhost", port, 5000);
  EXPECT_TRUE(socket.Connected());
  socket.Close();
  try {
    socket.Connect("no-such-host.invalid", port, 5000);
    ADD_FAILURE() << "an unknown host connected";
  } catch (const ESocketError& e) {
    EXPECT_NE(std::string(e.what()).find("\"no-such-host.invalid\" could not be resolved"),
              std::string::npos)
        << e.what();
  }
  EXPECT_FALSE(socket.Connected());
}

}  // namespace
}  // namespace vaultora
