// The server under floods of slow and idle connections and oversized requests: it keeps
// serving legitimate clients, ends what does not finish in time and bounds its memory.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "online/protocol.h"
#include "online/wire_integers.h"
#include "server/connection_table.h"
#include "server_fixture.h"
#include "server_process.h"

namespace vaultora::test {
namespace {

using TBytes = std::vector<uint8_t>;
using TClock = std::chrono::steady_clock;

// A raw connection from a chosen loopback source address; -1 when it could not be made.
int ConnectFrom(const std::string& source, int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  inet_pton(AF_INET, source.c_str(), &local.sin_addr);
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(static_cast<uint16_t>(port));
  inet_pton(AF_INET, "127.0.0.1", &peer.sin_addr);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
      ::connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// True when the peer closed the connection (without waiting).
bool PeerClosed(int fd) {
  uint8_t byte;
  const ssize_t got = ::recv(fd, &byte, 1, MSG_DONTWAIT);
  return got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

// Connections from one address that say nothing, or send a logon one byte a second, and are
// opened again a second after the server closes them when `reopen` is set.
class TFlood {
 public:
  TFlood(int port, std::string source, int count, bool reopen)
      : FPort(port), FSource(std::move(source)), FReopen(reopen) {
    FSockets.resize(static_cast<size_t>(count));
    for (TSocket& socket : FSockets)
      Open(socket);
    FThread = std::thread([this] { Run(); });
  }
  ~TFlood() {
    FStop = true;
    FThread.join();
    for (TSocket& socket : FSockets)
      if (socket.Fd >= 0) ::close(socket.Fd);
  }
  int ClosedByServer() const { return FClosed; }

 private:
  struct TSocket {
    int Fd = -1;
    size_t Sent = 0;
    TClock::time_point Next;
  };
  void Open(TSocket& socket) {
    socket.Fd = ConnectFrom(FSource, FPort);
    socket.Sent = 0;
    socket.Next = TClock::now() + std::chrono::seconds(1);
  }
  void Run() {
    // Every other connection trickles a logon announcement and message, a byte a second.
    static const uint8_t kLogon[] = {protocol::kAnnounce, 0x00, 0x01, 0, 0, 1, 0, 0, 0, 0xFF};
    while (!FStop) {
      const TClock::time_point now = TClock::now();
      for (size_t i = 0; i < FSockets.size(); ++i) {
        TSocket& socket = FSockets[i];
        if (socket.Fd < 0) {
          if (FReopen && now >= socket.Next) Open(socket);
          continue;
        }
        if (PeerClosed(socket.Fd)) {
          ::close(socket.Fd);
          socket.Fd = -1;
          socket.Next = now + std::chrono::seconds(1);
          ++FClosed;
          continue;
        }
        if (i % 2 == 1 && now >= socket.Next) {
          ::send(socket.Fd, &kLogon[socket.Sent % sizeof kLogon], 1, MSG_NOSIGNAL | MSG_DONTWAIT);
          ++socket.Sent;
          socket.Next = now + std::chrono::seconds(1);
        }
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }

  int FPort;
  std::string FSource;
  bool FReopen;
  std::vector<TSocket> FSockets;
  std::atomic<bool> FStop{false};
  std::atomic<int> FClosed{0};
  std::thread FThread;
};

class ServerAvailability : public TServerFixture {
 protected:
  void SetUp() override {}  // each test starts the server with the limits it is about

  // The longest a legitimate client took, in rounds of connecting, logging on and two
  // requests, over the given time.
  std::chrono::milliseconds LongestRound(std::chrono::seconds during, int* rounds) {
    const TClock::time_point end = TClock::now() + during;
    std::chrono::milliseconds longest{0};
    *rounds = 0;
    while (TClock::now() < end) {
      const TClock::time_point started = TClock::now();
      auto client = Client();
      EXPECT_EQ(client->RemoteSize(), 0);
      EXPECT_EQ(client->AvailableBackups(), nullptr);
      longest = std::max(
          longest, std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - started));
      ++*rounds;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return longest;
  }

  std::unique_ptr<TTcpSocket> Raw() {
    auto socket = std::make_unique<TTcpSocket>();
    socket->Connect("127.0.0.1", FPort, 3000);
    return socket;
  }

  static TBytes Announce(int64_t length) {
    TBytes head = {protocol::kAnnounce, 0, 0, 0, 0};
    WriteInt32(head.data() + 1, static_cast<int32_t>(length));
    return head;
  }

  // The time the server took to close the connection, from now.
  static std::chrono::milliseconds TimeUntilClosed(TTcpSocket& socket,
                                                   const std::function<void()>& meanwhile) {
    const TClock::time_point started = TClock::now();
    while (!PeerClosed(socket.Handle()) && TClock::now() - started < std::chrono::seconds(20)) {
      meanwhile();
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - started);
  }
};

TEST_F(ServerAvailability, TwoHundredSlowAndIdleConnectionsFromOneAddressLeaveOthersServed) {
  Start(server::TServerLimits{});  // the limits the program ships with
  TFlood flood(FPort, "127.0.0.2", 200, true);
  int rounds = 0;
  const std::chrono::milliseconds longest = LongestRound(std::chrono::seconds(5), &rounds);
  EXPECT_LT(longest.count(), 2000) << rounds << " rounds";
  EXPECT_GE(rounds, 5);
  // The flood held only its share: the server closed the rest of it.
  EXPECT_GE(flood.ClosedByServer(), 200 - server::TServerLimits{}.MaxPerAddress);
}

TEST_F(ServerAvailability, AFloodFromTheClientsOwnAddressGivesWayToIt) {
  Start(server::TServerLimits{});
  TFlood flood(FPort, "127.0.0.1", 200, false);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  int rounds = 0;
  EXPECT_LT(LongestRound(std::chrono::seconds(2), &rounds).count(), 2000);
  // A client that logged on is never closed to make room.
  auto client = Client();
  TFlood more(FPort, "127.0.0.1", 100, false);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(client->RemoteSize(), 0);
}

TEST_F(ServerAvailability, SlowLogonsAndSlowRequestsEndAtTheirDeadlines) {
  server::TServerLimits limits = DefaultLimits();  // idle limit 1 s
  limits.LogonTimeoutMs = 2000;
  limits.RequestTimeoutMs = 2000;
  Start(limits);
  // Never idle for a second, yet never logged on: closed at the logon deadline.
  auto slow = Raw();
  const TBytes logon = Announce(100);
  size_t sent = 0;
  const auto trickle = [&] {  // the announcement, then the message, a byte at a time
    slow->SendSome(sent < logon.size() ? &logon[sent] : logon.data() + 1, 1);
    ++sent;
  };
  auto took = TimeUntilClosed(*slow, trickle);
  EXPECT_GE(took.count(), 1500);
  EXPECT_LT(took.count(), 3500);
  // Logged on, a request whose message trickles in is closed at the request deadline.
  auto client = Client();
  const TBytes head = Announce(100);
  client->Socket().SendAll(head.data(), 5);
  uint8_t ack = 0;
  client->Socket().ReceiveExact(&ack, 1);
  ASSERT_EQ(ack, protocol::kAnnounce);
  took = TimeUntilClosed(client->Socket(), [&] { client->Socket().SendSome("x", 1); });
  EXPECT_GE(took.count(), 1000);
  EXPECT_LT(took.count(), 3500);
  auto fresh = Client();
  EXPECT_EQ(fresh->RemoteSize(), 0);
}

TEST_F(ServerAvailability, BeforeALogonOnlyALogonFits) {
  Start();
  const TBytes large = Announce(protocol::kMaxLogonMessage + 1);
  auto stranger = Raw();
  stranger->SendAll(large.data(), 5);
  uint8_t answer = 0xEE;
  ASSERT_EQ(stranger->ReceiveSome(&answer, 1), 1);
  EXPECT_EQ(answer, 0);
  auto client = Client();
  client->Socket().SendAll(large.data(), 5);
  client->Socket().ReceiveExact(&answer, 1);
  EXPECT_EQ(answer, protocol::kAnnounce);
}

TEST_F(ServerAvailability, MoreItemsThanTheCommandTakesAreRefusedBeforeDecoding) {
  Start();
  auto client = Client();
  TDataInterleaveStream items;
  for (int i = 0; i < 1000; ++i)
    items.AddString("");
  TBytes message = items.PackBytes();
  message.push_back(protocol::cmBeginUpload);
  const TBytes head = Announce(static_cast<int64_t>(message.size()));
  client->Socket().SendAll(head.data(), 5);
  uint8_t ack = 0;
  client->Socket().ReceiveExact(&ack, 1);
  client->Socket().SendAll(message.data(), static_cast<int64_t>(message.size()));
  // Closed at once, not answered and then dropped at the idle limit.
  EXPECT_LT(TimeUntilClosed(client->Socket(), [] {}).count(), 500);
}

// Peak resident memory of a process, from /proc.
int64_t PeakResidentBytes(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atoll(line.c_str() + 6) * 1024;
  return -1;
}

TEST(ServerMemory, TwentyFourMessagesOf16MBOfEmptyItemsAtOnceStayUnder200MB) {
  TTempFolder storage;
  {
    server::TServerLog quiet(nullptr);
    server::TBackupServer setup(storage.Path(), {}, quiet);
    setup.Accounts().Add("ann", "ann-secret", 1000);
  }
  TServerProcess server(storage.Path(), {"--max-per-address", "48", "--max-unauthenticated", "48"});
  ASSERT_GT(server.Port(), 0);
  // 16 MB of empty items: the count and a length block of zeros, then the command byte.
  const int64_t count = (protocol::kDefaultMaxMessage - 5) / 4;
  TBytes message(static_cast<size_t>(4 + 4 * count + 1), 0);
  WriteInt32(message.data(), static_cast<int32_t>(count));
  message.back() = protocol::cmDeleteBackups;
  const auto send = [&](TTcpSocket& socket) {
    TBytes head = {protocol::kAnnounce, 0, 0, 0, 0};
    WriteInt32(head.data() + 1, static_cast<int32_t>(message.size()));
    socket.SendAll(head.data(), 5);
    uint8_t ack = 0;
    if (socket.ReceiveSome(&ack, 1) != 1 || ack != protocol::kAnnounce) return false;
    socket.SendAll(message.data(), static_cast<int64_t>(message.size()));
    return true;
  };
  std::atomic<int> acknowledged{0}, refused{0};
  std::vector<std::thread> senders;
  for (int i = 0; i < 48; ++i)
    senders.emplace_back([&, i] {
      try {
        auto client = std::make_unique<TBkServer>();
        client->SetAddress("127.0.0.1");
        client->SetPort(server.Port());
        client->SetReceiveTimeout(60000);
        client->SetActive(true);
        // Half of them log on first; the other half are strangers.
        if (i % 2 == 0 &&
            client->Logon(EnvelopeFor("ann", "ann-secret"), LogonTimeCode(Now())).empty())
          return;
        (send(client->Socket()) ? acknowledged : refused)++;
        uint8_t rest[64];
        while (client->Socket().ReceiveSome(rest, sizeof rest) > 0) {
        }
      } catch (const std::exception&) {
      }
    });
  for (std::thread& sender : senders)
    sender.join();
  EXPECT_EQ(acknowledged, 24);  // the logged-on ones, each in its turn
  EXPECT_EQ(refused, 24);       // before a logon a message of 16 MB is refused unread
  const int64_t peak = PeakResidentBytes(server.Pid());
  EXPECT_GT(peak, 0);
  EXPECT_LT(peak, 200LL * 1024 * 1024) << peak / (1024 * 1024) << " MB";
  std::printf("peak resident memory of the server: %lld MB\n",
              static_cast<long long>(peak / (1024 * 1024)));
}

TEST(ConnectionTable, NewcomersPushOutTheOldestStrangerOfTheBusiestAddress) {
  server::TConnectionTable table({4, 3, 2});
  EXPECT_TRUE(table.Admit(10, 1).Accepted);
  EXPECT_TRUE(table.Admit(11, 1).Accepted);
  // Address 1 is at its cap: its oldest stranger goes.
  server::TAdmission third = table.Admit(12, 1);
  EXPECT_TRUE(third.Accepted);
  EXPECT_EQ(third.Evicted, std::vector<int>{10});
  table.Remove(10);
  EXPECT_TRUE(table.Admit(20, 2).Accepted);
  // All strangers together at their cap: the busiest address (1) gives way.
  server::TAdmission fifth = table.Admit(30, 3);
  EXPECT_EQ(fifth.Evicted, std::vector<int>{11});
  table.Remove(11);
  // Logged-on clients are never pushed out, and fill the rest of the limit.
  table.SetLoggedOn(12, true);
  table.SetLoggedOn(20, true);
  table.SetLoggedOn(30, true);
  EXPECT_TRUE(table.Admit(40, 4).Accepted);
  table.SetLoggedOn(40, true);
  server::TAdmission full = table.Admit(50, 5);
  EXPECT_FALSE(full.Accepted);
  EXPECT_TRUE(full.Evicted.empty());
}

}  // namespace
}  // namespace vaultora::test
