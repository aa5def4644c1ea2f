// The data channel against a scripted peer on loopback: the bytes it sends, how it reads
// replies, and that no read waits for ever.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "online/bk_server.h"
#include "online/protocol.h"

namespace vaultora {
namespace {

using TBytes = std::vector<uint8_t>;

// One connection on an ephemeral loopback port, served by a script on its own thread.
class TScriptedPeer {
 public:
  explicit TScriptedPeer(std::function<void(TTcpSocket&)> script) {
    FPort = FListener.Listen("127.0.0.1", 0, 1);
    FThread = std::thread([this, script] {
      TTcpSocket peer(FListener.Accept());
      peer.SetTimeout(3000);
      try {
        script(peer);
      } catch (const std::exception&) {
      }
    });
  }
  ~TScriptedPeer() { Join(); }
  // Waits for the script to end, so that what it recorded may be read.
  void Join() {
    if (FThread.joinable()) FThread.join();
  }
  int Port() const { return FPort; }

 private:
  TTcpListener FListener;
  int FPort = 0;
  std::thread FThread;
};

TBytes Receive(TTcpSocket& socket, int64_t count) {
  TBytes bytes(static_cast<size_t>(count));
  socket.ReceiveExact(bytes.data(), count);
  return bytes;
}

void Send(TTcpSocket& socket, const TBytes& bytes) {
  socket.SendAll(bytes.data(), static_cast<int64_t>(bytes.size()));
}

class BkServerChannel : public testing::Test {
 protected:
  void Connect(const TScriptedPeer& peer) {
    FServer.SetAddress("127.0.0.1");
    FServer.SetPort(peer.Port());
    FServer.SetReceiveTimeout(1000);
    FServer.SetActive(true);
  }
  TBkServer FServer;
};

TEST_F(BkServerChannel, RemoteSizeWorkedExampleAndAReplyInPieces) {
  TBytes announce, request;
  TScriptedPeer peer([&](TTcpSocket& s) {
    announce = Receive(s, 5);
    Send(s, {0x64});
    request = Receive(s, 1);
    // The reply arrives one byte at a time: it must still be read whole.
    for (uint8_t b : TBytes{1, 0, 0, 0, 4, 0, 0, 0, 0xE8, 0x03, 0, 0}) {
      Send(s, {b});
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });
  Connect(peer);
  EXPECT_EQ(FServer.RemoteSize(), 1000);
  peer.Join();
  EXPECT_EQ(announce, (TBytes{0x64, 1, 0, 0, 0}));
  EXPECT_EQ(request, TBytes{4});
}

TEST_F(BkServerChannel, SetReceiveBufferSizeWorkedExampleReadsNoReply) {
  TBytes message;
  TScriptedPeer peer([&](TTcpSocket& s) {
    EXPECT_EQ(Receive(s, 5), (TBytes{0x64, 0x0D, 0, 0, 0}));
    Send(s, {0x64});
    message = Receive(s, 13);
  });
  Connect(peer);
  FServer.SetReceiveBufferSize(2048);
  FServer.SetActive(false);
  peer.Join();
  EXPECT_EQ(message, (TBytes{1, 0, 0, 0, 4, 0, 0, 0, 0x00, 0x08, 0, 0, 0x08}));
}

TEST_F(BkServerChannel, FailureValuesWithoutExceptions) {
  // A refused announcement drops the request; an empty reply (the peer closes) is a failure.
  TBytes after;
  TScriptedPeer peer([&](TTcpSocket& s) {
    Receive(s, 5);
    Send(s, {0x00});
    Receive(s, 5);  // the next announcement: nothing of the dropped request came first
    Send(s, {0x64});
    Receive(s, 1);
  });
  Connect(peer);
  EXPECT_FALSE(FServer.EndBackup(1.0));
  EXPECT_EQ(FServer.RemoteSize(), 0);
}

TEST_F(BkServerChannel, ReplyItemsAreCutToTheResultsWidth) {
  TScriptedPeer peer([&](TTcpSocket& s) {
    Receive(s, 5);
    Send(s, {0x64});
    Receive(s, 1);
    Send(s, {1, 0, 0, 0, 6, 0, 0, 0, 1, 2, 3, 4, 5, 6});
    Receive(s, 5);
    Send(s, {0x64});
    Receive(s, 1);
    Send(s, {1, 0, 0, 0, 2, 0, 0, 0, 0x10, 0x01});  // missing bytes stay zero
  });
  Connect(peer);
  EXPECT_EQ(FServer.RemoteSize(), 0x04030201);
  EXPECT_EQ(FServer.RemoteSize(), 0x0110);
}

TEST_F(BkServerChannel, MalformedOrOverlongRepliesRaise) {
  TScriptedPeer peer([&](TTcpSocket& s) {
    Receive(s, 5);
    Send(s, {0x64});
    Receive(s, 1);
    Send(s, {0, 0, 0, 0});  // N = 0
  });
  Connect(peer);
  EXPECT_THROW(FServer.RemoteSize(), ETransferStreamError);
}

TEST_F(BkServerChannel, SilentPeerTimesOut) {
  TScriptedPeer peer([&](TTcpSocket& s) {
    Receive(s, 5);
    Send(s, {0x64});
    Receive(s, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  });
  Connect(peer);
  EXPECT_THROW(FServer.RemoteSize(), ESocketError);
}

TEST_F(BkServerChannel, ReceiveFileAtTheEndSendsTheCommandAndReadsNothing) {
  TBytes message;
  TScriptedPeer peer([&](TTcpSocket& s) {
    Receive(s, 5);
    Send(s, {0x64});
    Receive(s, 1);
    Send(s, {1, 0, 0, 0, 4, 0, 0, 0, 10, 0, 0, 0});
    EXPECT_EQ(Receive(s, 5), (TBytes{0x64, 5, 0, 0, 0}));
    Send(s, {0x64});
    message = Receive(s, 5);
  });
  Connect(peer);
  int pieces = 0;
  FServer.OnRestore = [&](TBkServer*, TMemoryStream&, bool&) { ++pieces; };
  FServer.ReceiveFile(10);
  peer.Join();
  EXPECT_EQ(message, (TBytes{10, 0, 0, 0, 7}));
  EXPECT_EQ(pieces, 0);
}

TEST_F(BkServerChannel, ReceiveFileEndsWhenThePeerClosesEarly) {
  TScriptedPeer peer([&](TTcpSocket& s) {
    Receive(s, 5);
    Send(s, {0x64});
    Receive(s, 1);
    Send(s, {1, 0, 0, 0, 4, 0, 0, 0, 0, 0x10, 0, 0});  // 4096 bytes announced
    Receive(s, 5);
    Send(s, {0x64});
    Receive(s, 5);
    Send(s, TBytes(100, 0xAB));
  });
  Connect(peer);
  int64_t received = 0;
  FServer.OnRestore = [&](TBkServer*, TMemoryStream& data, bool&) { received += data.Size(); };
  FServer.ReceiveFile(0);
  EXPECT_EQ(received, 100);
}

TEST_F(BkServerChannel, StoppedUploadReturnsTheBytesSentWithoutTheFinalCount) {
  TBytes head;
  TScriptedPeer peer([&](TTcpSocket& s) {
    head = Receive(s, 5);
    Send(s, {protocol::cmUploadData});
    Receive(s, 300);
  });
  Connect(peer);
  TMemoryStream archive(TBytes(1000, 0x5A));
  int calls = 0;
  FServer.OnBackup = [&](TBkServer*, int64_t size, int64_t position, int& chunk, bool& cont) {
    EXPECT_EQ(size, 1000);
    EXPECT_EQ(position, 100 * ++calls);
    chunk = 100;
    cont = calls < 3;
  };
  EXPECT_EQ(FServer.SendFile(archive, 100), 300);
  peer.Join();
  EXPECT_EQ(head, (TBytes{3, 0xE8, 0x03, 0, 0}));
}

TEST_F(BkServerChannel, UploadRefusedByTheServerSendsNothing) {
  TScriptedPeer peer([&](TTcpSocket& s) {
    Receive(s, 5);
    Send(s, {0});
  });
  Connect(peer);
  TMemoryStream archive(TBytes(10, 1));
  FServer.OnBackup = [](TBkServer*, int64_t, int64_t, int&, bool&) {};
  EXPECT_EQ(FServer.SendFile(archive, 4096), 0);
  EXPECT_EQ(archive.Position(), 0);
}

TEST_F(BkServerChannel, ArchivesOf2GiBAreRefusedBeforeAnythingIsSent) {
  TBytes first;
  TScriptedPeer peer([&](TTcpSocket& s) { first = Receive(s, 5); });
  Connect(peer);
  EXPECT_THROW(
      FServer.InitBackup("a.BFE", "t", "a.bfl", 1.0, protocol::kMaxArchiveSize + 1, "MAC", {}, ""),
      EBkServerError);
  FServer.OnRestore = [](TBkServer*, TMemoryStream&, bool&) {};
  EXPECT_THROW(FServer.ReceiveFile(protocol::kMaxArchiveSize + 1), EBkServerError);
  // The next request is the first thing on the wire.
  FServer.SetReceiveBufferSize(1);
  FServer.SetActive(false);
  peer.Join();
  EXPECT_EQ(first, (TBytes{0x64, 0x0D, 0, 0, 0}));
}

TEST_F(BkServerChannel, AvailableBackupsNoneOnAnyFailure) {
  TScriptedPeer peer([&](TTcpSocket& s) {
    Receive(s, 5);
    Send(s, {0x64});
    Receive(s, 1);
    Send(s, {0xFF, 0xFF, 0xFF, 0x7F});  // a length beyond the limit
  });
  Connect(peer);
  EXPECT_EQ(FServer.AvailableBackups(), nullptr);
}

TEST(BkServerConnect, EmptyAddressAndRefusedConnection) {
  TBkServer server;
  try {
    server.SetActive(true);
    ADD_FAILURE();
  } catch (const ESocketError& e) {
    EXPECT_STREQ(e.what(), "No address specified");
  }
  server.SetAddress("127.0.0.1");
  server.SetPort(1);  // nothing listens there
  std::string error;
  server.OnError = [&](TBkServer*, TTcpSocket&, const std::string& text) { error = text; };
  EXPECT_THROW(server.SetActive(true), ESocketError);
  EXPECT_EQ(error, "Windows socket error: Connection refused (111), on API 'connect'");
  EXPECT_FALSE(server.Active());
}

}  // namespace
}  // namespace vaultora
