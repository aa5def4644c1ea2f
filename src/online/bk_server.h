#pragma once
// TBkServer: the client's data channel to the backup server. One blocking TCP socket, one
// operation per server command (docs/protocol.md), and the two bulk transfers with a per-chunk
// event through which the caller reports progress and can stop. All calls block; every receive
// has a time-out (ReceiveTimeout), so no operation waits for ever on a silent or closed peer.
//
// Failure values: a refused size announcement or an empty reply gives the operation's failure
// value (empty text, false, 0, none). Socket failures raise ESocketError, malformed replies
// ETransferStreamError, a stopped upload's short send EBkServerError. Archives of 2^31 bytes or
// more are refused with EBkServerError before anything is sent.
//
// Owned by one worker thread; not re-entrant (one container, one socket).

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "online/data_interleave_stream.h"
#include "online/tcp_socket.h"
#include "platform/component.h"
#include "platform/date_time.h"
#include "platform/streams.h"
#include "platform/text.h"

namespace vaultora {

class EBkServerError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TBkServer;
using TSocketNotifyEvent = std::function<void(TBkServer* sender, TTcpSocket& socket)>;
using TSocketErrorEvent =
    std::function<void(TBkServer* sender, TTcpSocket& socket, const std::string& error)>;
// After every upload chunk: total size, position after the chunk, the next chunk's size
// (in-out) and whether to go on (in-out, true on entry).
using TNotifyBackup = std::function<void(TBkServer* sender, int64_t size, int64_t position,
                                         int& trxBuffSize, bool& cont)>;
// After every piece of a download: the bytes just received, positioned at 0.
using TNotifyRestore = std::function<void(TBkServer* sender, TMemoryStream& data, bool& cont)>;

class TBkServer : public TComponent {
 public:
  explicit TBkServer(TComponent* owner = nullptr);
  ~TBkServer() override;

  bool Active() const { return FSocket.Connected(); }
  // True connects (blocking; an empty address fails with "No address specified"), false closes.
  void SetActive(bool value);
  const std::string& Address() const { return FAddress; }
  void SetAddress(const std::string& value) { FAddress = value; }
  int Port() const { return FPort; }
  void SetPort(int value) { FPort = value; }
  // Milliseconds any single receive or send may wait; applies from the next connect.
  int ReceiveTimeout() const { return FReceiveTimeout; }
  void SetReceiveTimeout(int value) { FReceiveTimeout = value; }
  TTcpSocket& Socket() { return FSocket; }

  // The socket's events. Blocking sockets signal no reads or writes, so OnRead and OnWrite
  // never fire; OnLookup fires before connecting although no lookup is made.
  TSocketNotifyEvent OnLookup, OnConnecting, OnConnect, OnDisconnect, OnRead, OnWrite;
  TSocketErrorEvent OnError;
  TNotifyBackup OnBackup;
  TNotifyRestore OnRestore;

  // The logon ticket; empty when refused. EBkServerError when no answer came (the line was cut).
  std::string Logon(std::span<const uint8_t> envelope, const std::string& timeCode);
  bool InitBackup(const std::string& archiveName, const std::string& title,
                  const std::string& fileListName, TDateTime finished, int64_t size,
                  const std::string& mac, std::span<const uint8_t> fileList,
                  const std::string& incremental);
  int32_t RemoteSize();
  // Sends the stream from its position on in chunks of at most 4096 bytes; the bytes the
  // server confirmed, or the bytes sent when OnBackup stopped it; 0 when OnBackup is not set or
  // the server refused the transfer.
  int64_t SendFile(TStream& stream, int bufferSize);
  bool EndBackup(TDateTime now);
  // -1 not on the server, 1 ready, 2 held in storage; 0 on failure.
  int32_t InitRestore(const std::string& archiveName, const std::string& title, TDateTime today);
  void SetReceiveBufferSize(int32_t size);
  // Receives the archive from start on through OnRestore until the server's total has arrived,
  // OnRestore stops it or the server closes.
  void ReceiveFile(int64_t start);
  bool EndRestore(TDateTime today);
  bool DeleteBackups(const TStringList& archiveNames);
  // The image of the account's backups (item 0 of the reply), positioned at 0; none on any
  // failure or when the server holds none.
  std::unique_ptr<TMemoryStream> AvailableBackups();

 private:
  bool Announce(int64_t length);
  // Sends the container's arguments and the command byte; false when the announcement failed.
  bool SendRequest(uint8_t command);
  bool SendBare(uint8_t command);
  // Reads one reply container whole (at most limit bytes); false when the server sent nothing.
  bool ReadReply(int limit);
  bool RequestBoolean(uint8_t command);
  int32_t RequestInteger(uint8_t command, bool withArguments);
  void CheckArchiveSize(int64_t value) const;
  void Disconnect();

  TTcpSocket FSocket;
  std::string FAddress;
  int FPort = 0;
  int FReceiveTimeout = TTcpSocket::kDefaultTimeoutMs;
  TDataInterleaveStream FContainer;
  std::vector<uint8_t> FBuffer;  // the one transfer buffer of both bulk transfers
};

}  // namespace vaultora
