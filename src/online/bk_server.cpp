#include "online/bk_server.h"

#include <algorithm>
#include <cstring>

#include "online/protocol.h"
#include "online/wire_integers.h"
#include "platform/plain_file_name.h"

namespace vaultora {

using namespace protocol;

namespace {

bool FirstByteSet(const std::vector<uint8_t>& item) {
  return !item.empty() && item[0] != 0;
}

// A reply item read as an integer: at most its first 4 bytes, missing bytes zero.
int32_t LittleEndianPrefix(const std::vector<uint8_t>& item) {
  uint8_t raw[4] = {0, 0, 0, 0};
  std::memcpy(raw, item.data(), std::min<size_t>(item.size(), 4));
  return ReadInt32(raw);
}

}  // namespace

TBkServer::TBkServer(TComponent* owner) : TComponent(owner) {}

TBkServer::~TBkServer() {
  Destroying();
  FSocket.Close();
}

void TBkServer::SetActive(bool value) {
  if (value == Active()) return;
  if (!value) {
    Disconnect();
    return;
  }
  if (FAddress.empty()) throw ESocketError("No address specified", 0);
  Fire(OnLookup, this, FSocket);
  Fire(OnConnecting, this, FSocket);
  try {
    FSocket.Connect(FAddress, FPort, FReceiveTimeout);
  } catch (const ESocketError& e) {
    Fire(OnError, this, FSocket, std::string(e.what()));
    throw;
  }
  Fire(OnConnect, this, FSocket);
}

void TBkServer::Disconnect() {
  if (!FSocket.Connected()) return;
  FSocket.Close();
  Fire(OnDisconnect, this, FSocket);
}

void TBkServer::CheckArchiveSize(int64_t value) const {
  if (value < 0 || value > kMaxArchiveSize)
    throw EBkServerError(Format(
        "The archive is too large for the backup server: %lld bytes, the limit is %lld bytes",
        static_cast<long long>(value), static_cast<long long>(kMaxArchiveSize)));
}

bool TBkServer::Announce(int64_t length) {
  try {
    uint8_t head[5] = {kAnnounce};
    WriteInt32(head + 1, static_cast<int32_t>(length));
    FSocket.SendAll(head, sizeof head);
    uint8_t answer = 0;
    return FSocket.ReceiveSome(&answer, 1) == 1 && answer == kAnnounce;
  } catch (const std::exception&) {
    return false;
  }
}

bool TBkServer::SendRequest(uint8_t command) {
  std::vector<uint8_t> message = FContainer.PackBytes();
  FContainer.Clear();
  message.push_back(command);
  if (!Announce(static_cast<int64_t>(message.size()))) return false;
  FSocket.SendAll(message.data(), static_cast<int64_t>(message.size()));
  return true;
}

bool TBkServer::SendBare(uint8_t command) {
  FContainer.Clear();
  if (!Announce(1)) return false;
  FSocket.SendAll(&command, 1);
  return true;
}

bool TBkServer::ReadReply(int limit) {
  // A reply may arrive in pieces: read until the container is complete, never past it.
  std::vector<uint8_t> reply(static_cast<size_t>(limit));
  int64_t have = 0;
  int64_t want = 4;
  for (;;) {
    const int64_t got = FSocket.ReceiveSome(reply.data() + have, want - have);
    if (got == 0) {
      if (have == 0) return false;
      throw ETransferStreamError("Invalid container: the reply ended before it was complete");
    }
    have += got;
    if (have < want) continue;
    const int64_t total = TDataInterleaveStream::SerialSize(reply.data(), have);
    const int64_t next =
        total >= 0 ? total
                   : 4 + 4 * static_cast<int64_t>(static_cast<uint32_t>(ReadInt32(reply.data())));
    if (next > limit)
      throw ETransferStreamError(
          Format("Invalid container: the reply is longer than %d bytes", limit));
    if (total >= 0 && have == total) break;
    want = next;
  }
  FContainer.UnpackBytes(reply.data(), have);
  return true;
}

bool TBkServer::RequestBoolean(uint8_t command) {
  if (!SendRequest(command) || !ReadReply(kReplyLimit)) return false;
  const bool result = FirstByteSet(FContainer.Item(0));
  FContainer.Clear();
  return result;
}

int32_t TBkServer::RequestInteger(uint8_t command, bool withArguments) {
  const bool sent = withArguments ? SendRequest(command) : SendBare(command);
  if (!sent || !ReadReply(kReplyLimit)) return 0;
  const int32_t result = LittleEndianPrefix(FContainer.Item(0));
  FContainer.Clear();
  return result;
}

std::string TBkServer::Logon(std::span<const uint8_t> envelope, const std::string& timeCode) {
  FContainer.Clear();
  FContainer.AddVariantArray(envelope);
  FContainer.AddString(timeCode);
  // A refusal is an empty ticket; no answer at all is a line that was cut, which the caller
  // retries like any other cut instead of taking it for wrong logon details.
  if (!SendRequest(cmLogon) || !ReadReply(kLogonReplyLimit))
    throw EBkServerError("The connection was closed during the logon");
  std::string ticket = FContainer.GetItemAsString(0);
  FContainer.Clear();
  return ticket;
}

bool TBkServer::InitBackup(const std::string& archiveName, const std::string& title,
                           const std::string& fileListName, TDateTime finished, int64_t size,
                           const std::string& mac, std::span<const uint8_t> fileList,
                           const std::string& incremental) {
  CheckArchiveSize(size);
  // The server refuses them too; a name that is only dots could never be registered again.
  for (const std::string* name : {&archiveName, &fileListName})
    if (!IsPlainFileName(*name))
      throw EBkServerError("The backup cannot be sent: \"" + *name + "\" is not a plain file name");
  FContainer.Clear();
  FContainer.AddString(archiveName);
  FContainer.AddString(title);
  FContainer.AddString(fileListName);
  FContainer.AddDouble(finished);
  FContainer.AddInt32(static_cast<int32_t>(size));
  FContainer.AddString(mac);
  FContainer.AddVariantArray(fileList);
  FContainer.AddString(incremental);
  return RequestBoolean(cmBeginUpload);
}

int32_t TBkServer::RemoteSize() {
  return RequestInteger(cmRemoteSize, false);
}

int64_t TBkServer::SendFile(TStream& stream, int bufferSize) {
  if (!OnBackup) return 0;
  const int64_t size = stream.Size();
  CheckArchiveSize(size);
  int chunk = std::clamp(bufferSize, 1, kTransferBufferSize);
  uint8_t answer = 0;
  try {
    uint8_t head[5] = {cmUploadData};
    WriteInt32(head + 1, static_cast<int32_t>(size - stream.Position()));
    FSocket.SendAll(head, sizeof head);
    if (FSocket.ReceiveSome(&answer, 1) != 1) return 0;
  } catch (const std::exception&) {
    return 0;
  }
  if (answer == kUploadNoSpace) throw EBkServerError("The server has no space left for the backup");
  if (answer != cmUploadData) return 0;
  FBuffer.resize(kTransferBufferSize);
  int64_t count = 0;
  // The position is kept here rather than asked of the stream: one system call less a chunk.
  int64_t position = stream.Position();
  while (position < size) {
    const int64_t read = stream.Read(FBuffer.data(), std::min<int64_t>(chunk, size - position));
    if (read <= 0) throw EReadError("Stream read error");
    const int64_t sent = FSocket.SendSome(FBuffer.data(), read);
    if (sent <= 0) throw EBkServerError("Backup socket error [sendbuf]");
    if (sent < read) stream.Seek(sent - read, TSeekOrigin::soCurrent);
    position += sent;
    count += sent;
    bool cont = true;
    Fire(OnBackup, this, size, position, chunk, cont);
    chunk = std::clamp(chunk, 1, kTransferBufferSize);
    if (!cont) return count;
  }
  uint8_t confirmed[4];
  FSocket.ReceiveExact(confirmed, sizeof confirmed);
  return ReadInt32(confirmed);
}

bool TBkServer::EndBackup(TDateTime now) {
  FContainer.Clear();
  FContainer.AddDouble(now);
  return RequestBoolean(cmEndUpload);
}

int32_t TBkServer::InitRestore(const std::string& archiveName, const std::string& title,
                               TDateTime today) {
  FContainer.Clear();
  FContainer.AddString(archiveName);
  FContainer.AddString(title);
  FContainer.AddDouble(today);
  return RequestInteger(cmBeginDownload, true);
}

void TBkServer::SetReceiveBufferSize(int32_t size) {
  FContainer.Clear();
  FContainer.AddInt32(size);
  SendRequest(cmReceiveBufferSize);
}

void TBkServer::ReceiveFile(int64_t start) {
  if (!OnRestore) return;
  CheckArchiveSize(start);
  const int64_t total = RemoteSize();
  uint8_t message[5];
  WriteInt32(message, static_cast<int32_t>(start));
  message[4] = cmDownloadData;
  if (!Announce(sizeof message)) return;
  FSocket.SendAll(message, sizeof message);
  FBuffer.resize(kTransferBufferSize);
  TMemoryStream piece;
  int64_t count = start;
  while (count < total) {
    // Never read past the total: the next reply must stay in the socket.
    const int64_t got =
        FSocket.ReceiveSome(FBuffer.data(), std::min<int64_t>(kTransferBufferSize, total - count));
    if (got <= 0) return;
    count += got;
    piece.Clear();
    piece.WriteBuffer(FBuffer.data(), got);
    piece.SetPosition(0);
    bool cont = true;
    Fire(OnRestore, this, piece, cont);
    if (!cont) return;
  }
}

bool TBkServer::EndRestore(TDateTime today) {
  FContainer.Clear();
  FContainer.AddDouble(today);
  return RequestBoolean(cmEndDownload);
}

bool TBkServer::DeleteBackups(const TStringList& archiveNames) {
  if (archiveNames.empty()) return false;
  FContainer.Clear();
  for (const std::string& name : archiveNames)
    FContainer.AddString(name);
  return RequestBoolean(cmDeleteBackups);
}

std::unique_ptr<TMemoryStream> TBkServer::AvailableBackups() {
  try {
    if (!SendBare(cmAvailableBackups)) return nullptr;
    uint8_t head[4];
    FSocket.ReceiveExact(head, sizeof head);
    const int64_t length = static_cast<uint32_t>(ReadInt32(head));
    if (length == 0 || length > kMaxAvailableBackupsReply) return nullptr;
    // Grows with what actually arrives, never with what the length field claims.
    std::vector<uint8_t> reply;
    FBuffer.resize(kTransferBufferSize);
    while (static_cast<int64_t>(reply.size()) < length) {
      const int64_t want =
          std::min<int64_t>(kTransferBufferSize, length - static_cast<int64_t>(reply.size()));
      const int64_t got = FSocket.ReceiveSome(FBuffer.data(), want);
      if (got <= 0) return nullptr;
      reply.insert(reply.end(), FBuffer.begin(), FBuffer.begin() + got);
    }
    FContainer.UnpackBytes(reply.data(), length);
    auto image = std::make_unique<TMemoryStream>(FContainer.Item(0));
    FContainer.Clear();
    return image;
  } catch (const std::exception&) {
    FContainer.Clear();
    return nullptr;
  }
}

}  // namespace vaultora
