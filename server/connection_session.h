#pragma once
// TConnectionSession: one client connection of the server, run on its own thread. Reads the
// framed requests (docs/protocol.md), answers them for the account that logged on, and ends
// when the client closes, stays idle past the limit, does not log on in time, takes longer than
// the request limit to send one request's message, or breaks the framing. Every command result
// is logged. A session never raises out of Run().

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "online/data_interleave_stream.h"
#include "online/tcp_socket.h"
#include "server/durable_files.h"
#include "server/server_context.h"

namespace vaultora::server {

class TConnectionSession {
 public:
  // loggedOn is told each time the connection's logon state changes.
  TConnectionSession(TServerContext& context, TTcpSocket& socket, int id, std::string peer,
                     std::function<void(bool)> loggedOn = {});
  ~TConnectionSession();
  void Run();

 private:
  using TClock = std::chrono::steady_clock;

  // False ends the connection.
  bool Step();
  // Receives into data until count bytes (or, when !whole, at least one: the start of a request)
  // arrived; raises when the deadline or the idle limit passes first. Returns 0 when the peer
  // closed before anything arrived.
  int64_t ReceiveBy(void* data, int64_t count, TClock::time_point deadline, bool whole);
  // The deadline of the wait for the next request to begin.
  TClock::time_point NextRequestDeadline() const;
  bool Dispatch(uint8_t command, const std::vector<uint8_t>& body);
  void Logon(const TDataInterleaveStream& args);
  void BeginUpload(const TDataInterleaveStream& args);
  bool UploadData(TClock::time_point deadline);
  void EndUpload();
  void BeginDownload(const TDataInterleaveStream& args);
  void DownloadData(int64_t start);
  void EndDownload();
  void DeleteBackups(const TDataInterleaveStream& args);
  void AvailableBackups();
  int64_t RemoteSize();

  void ReplyItem(const std::vector<uint8_t>& item);
  void ReplyBoolean(bool value);
  void ReplyInteger(int32_t value);
  void Note(const std::string& text);
  void ClearTransfer();

  TServerContext& FContext;
  TTcpSocket& FSocket;
  int FId;
  std::string FPeer;
  std::function<void(bool)> FLoggedOn;
  TClock::time_point FLogonDeadline;
  int64_t FAccount = 0;  // 0 until a logon succeeded
  std::string FAccountName;
  // The backup of the current upload or download, if any.
  enum class TTransfer { None, Upload, Download } FTransfer = TTransfer::None;
  std::string FBackup;
  uint64_t FUploadToken = 0;
  int64_t FUploadSize = 0;
  // The partial file of the current upload, open across its upload commands.
  TUploadFile FUploadFile;
  int64_t FDownloadTotal = 0;
  int FSendPiece = protocol::kTransferBufferSize;
};

}  // namespace vaultora::server
