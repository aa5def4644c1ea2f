// The server under hostile input: it refuses and closes, and legitimate clients keep being
// served.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "online/protocol.h"
#include "online/wire_integers.h"
#include "server_fixture.h"

namespace vaultora::test {
namespace {

using TBytes = std::vector<uint8_t>;

class HostileInput : public TServerFixture {
 protected:
  std::unique_ptr<TTcpSocket> Raw() {
    auto socket = std::make_unique<TTcpSocket>();
    socket->Connect("127.0.0.1", FPort, 3000);
    return socket;
  }
  // True when the server closed the connection (instead of waiting for more).
  static bool ClosedByServer(TTcpSocket& socket) {
    uint8_t rest[256];
    try {
      while (socket.ReceiveSome(rest, sizeof rest) > 0) {
      }
      return true;
    } catch (const ESocketError& e) {
      return e.Code() == ECONNRESET;
    }
  }
  // A legitimate client still gets its work done.
  void ExpectServing() {
    auto client = Client();
    EXPECT_EQ(client->RemoteSize(), 0);
    EXPECT_EQ(client->AvailableBackups(), nullptr);
  }
  static TBytes Announce(int64_t length) {
    TBytes head = {protocol::kAnnounce, 0, 0, 0, 0};
    WriteInt32(head.data() + 1, static_cast<int32_t>(length));
    return head;
  }
};

TEST_F(HostileInput, OversizedAnnouncementsAreRefused) {
  for (const int64_t length :
       {int64_t{0x7FFFFFFF}, int64_t{-1}, int64_t{0}, int64_t{1024 * 1024 + 1}}) {
    auto socket = Raw();
    const TBytes head = Announce(length);
    socket->SendAll(head.data(), 5);
    uint8_t answer = 0xEE;
    ASSERT_EQ(socket->ReceiveSome(&answer, 1), 1);
    EXPECT_NE(answer, protocol::kAnnounce);
    EXPECT_TRUE(ClosedByServer(*socket));
  }
  ExpectServing();
}

TEST_F(HostileInput, GarbageAndHostileContainersCloseTheConnection) {
  const std::vector<TBytes> messages = {
      {0x00, 0x13, 0x37},   // not a request at all
      {0x64, 5, 0, 0, 0},   // announced, then garbage:
      {0x64, 9, 0, 0, 0},   // a container with N = 0
      {0x64, 9, 0, 0, 0},   // N beyond the data
      {0x64, 13, 0, 0, 0},  // a length beyond the data
      {0x64, 3, 0, 0, 0},   // download data without start
  };
  const std::vector<TBytes> bodies = {
      {},
      {0xFF, 0xFF, 0xFF, 0xFF, 42},
      {0, 0, 0, 0, 0, 0, 0, 0, protocol::cmLogon},
      {0xFF, 0xFF, 0xFF, 0x0F, 0, 0, 0, 0, protocol::cmLogon},
      {1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 'b', 'c', 'd', protocol::cmBeginUpload},
      {1, 2, protocol::cmDownloadData},
  };
  for (size_t i = 0; i < messages.size(); ++i) {
    auto socket = Raw();
    socket->SendAll(messages[i].data(), static_cast<int64_t>(messages[i].size()));
    if (!bodies[i].empty()) {
      uint8_t answer = 0;
      ASSERT_EQ(socket->ReceiveSome(&answer, 1), 1) << i;
      ASSERT_EQ(answer, protocol::kAnnounce) << i;
      socket->SendAll(bodies[i].data(), static_cast<int64_t>(bodies[i].size()));
    }
    EXPECT_TRUE(ClosedByServer(*socket)) << i;
  }
  ExpectServing();
}

TEST_F(HostileInput, AnnouncedBytesThatNeverComeDoNotHoldMemoryOrTheServer) {
  // A large announcement whose bytes never arrive: the connection ends at the idle limit.
  auto socket = Raw();
  const TBytes head = Announce(1000000);
  socket->SendAll(head.data(), 5);
  uint8_t answer = 0;
  ASSERT_EQ(socket->ReceiveSome(&answer, 1), 1);
  socket->SendAll("abc", 3);
  ExpectServing();
  EXPECT_TRUE(ClosedByServer(*socket));
}

TEST_F(HostileInput, ConnectionsOpenedAndDroppedAndSlowClients) {
  for (int i = 0; i < 20; ++i)
    Raw();  // opened and dropped at once
  // Their slots come free as soon as the server sees them closed.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  std::vector<std::unique_ptr<TTcpSocket>> slow;
  for (int i = 0; i < 4; ++i)
    slow.push_back(Raw());   // hold a connection, say nothing
  slow[0]->SendAll("d", 1);  // or half a header
  ExpectServing();
  // Idle connections end at the limit, so they cannot hold the server for ever.
  const auto started = std::chrono::steady_clock::now();
  for (auto& socket : slow)
    EXPECT_TRUE(ClosedByServer(*socket));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
}

TEST_F(HostileInput, ConnectionsBeyondTheLimitAreRefusedUntilOthersEnd) {
  std::vector<std::unique_ptr<TTcpSocket>> held;
  for (int i = 0; i < DefaultLimits().MaxConnections; ++i)
    held.push_back(Raw());
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  auto extra = Raw();
  EXPECT_TRUE(ClosedByServer(*extra));
  held.clear();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ExpectServing();
}

TEST_F(HostileInput, ManyClientsAtOnce) {
  std::vector<std::thread> clients;
  std::atomic<int> served{0};
  for (int i = 0; i < 6; ++i)
    clients.emplace_back([&, i] {
      auto client = Client();
      const std::string path = WriteArchive(FFiles, Format("4500%d.BFE", i), 20000 + i);
      if (Upload(*client, path) && Download(*client, ExtractFileName(path)) == ReadBytes(path))
        ++served;
    });
  for (auto& t : clients)
    t.join();
  EXPECT_EQ(served, 6);
}

}  // namespace
}  // namespace vaultora::test
