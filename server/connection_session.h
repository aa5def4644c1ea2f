#pragma once
// TConnectionSession: one client connection of the server, run on its own thread. Reads the
// framed requests (docs/protocol.md), answers them for the account that logged on, and ends
// when the client closes, stays idle past the limit or breaks the framing. Every command result
// is logged. A session never raises out of Run().

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "online/data_interleave_stream.h"
#include "online/tcp_socket.h"
#include "server/server_context.h"

namespace vaultora::server {

class TConnectionSession {
 public:
  TConnectionSession(TServerContext& context, TTcpSocket& socket, int id, std::string peer);
  ~TConnectionSession();
  void Run();

 private:
  // False ends the connection.
  bool Step();
  bool Dispatch(uint8_t command, const std::vector<uint8_t>& body);
  void Logon(const TDataInterleaveStream& args);
  void BeginUpload(const TDataInterleaveStream& args);
  bool UploadData();
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
  int64_t FAccount = 0;  // 0 until a logon succeeded
  std::string FAccountName;
  // The backup of the current upload or download, if any.
  enum class TTransfer { None, Upload, Download } FTransfer = TTransfer::None;
  std::string FBackup;
  uint64_t FUploadToken = 0;
  int64_t FUploadSize = 0;
  int64_t FDownloadTotal = 0;
  int FSendPiece = protocol::kTransferBufferSize;
};

}  // namespace vaultora::server
