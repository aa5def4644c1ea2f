#include "server/connection_session.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/sendfile.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "online/logon_envelope.h"
#include "online/wire_integers.h"
#include "platform/date_time.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "server/backup_image.h"

namespace vaultora::server {

using namespace protocol;

namespace {

constexpr int64_t kReadPiece = 256 * 1024;
constexpr int kMaxSendPiece = 1024 * 1024;

const char* CommandName(uint8_t command) {
  switch (command) {
    case cmLogon:
      return "logon";
    case cmBeginUpload:
      return "begin upload";
    case cmUploadData:
      return "upload data";
    case cmRemoteSize:
      return "remote size";
    case cmEndUpload:
      return "end upload";
    case cmBeginDownload:
      return "begin download";
    case cmDownloadData:
      return "download data";
    case cmReceiveBufferSize:
      return "receive buffer size";
    case cmEndDownload:
      return "end download";
    case cmDeleteBackups:
      return "delete backups";
    case cmAvailableBackups:
      return "available backups";
    default:
      return "unknown command";
  }
}

// An argument that must have a fixed width; false when it has another.
bool FixedItem(const TDataInterleaveStream& args, int index, size_t width, uint8_t* out) {
  if (index >= args.Count() || args.Item(index).size() != width) return false;
  std::memcpy(out, args.Item(index).data(), width);
  return true;
}

std::string RandomTicket() {
  uint8_t bytes[16] = {};
  if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) return "";
  std::string ticket;
  for (uint8_t b : bytes)
    ticket += Format("%02X", b);
  return ticket;
}

// A file descriptor that is flushed and closed when it goes.
class TSyncedFile {
 public:
  explicit TSyncedFile(int fd) : FFd(fd) {}
  ~TSyncedFile() {
    if (FFd >= 0) {
      ::fsync(FFd);
      ::close(FFd);
    }
  }
  TSyncedFile(const TSyncedFile&) = delete;
  TSyncedFile& operator=(const TSyncedFile&) = delete;
  int Fd() const { return FFd; }
  bool Sync() { return ::fsync(FFd) == 0; }

 private:
  int FFd;
};

}  // namespace

TConnectionSession::TConnectionSession(TServerContext& context, TTcpSocket& socket, int id,
                                       std::string peer)
    : FContext(context), FSocket(socket), FId(id), FPeer(std::move(peer)) {}

TConnectionSession::~TConnectionSession() {
  ClearTransfer();
}

void TConnectionSession::Note(const std::string& text) {
  FContext.Log.Line(
      Format("[connection %d%s%s] ", FId, FAccountName.empty() ? "" : " ", FAccountName.c_str()) +
      text);
}

void TConnectionSession::Run() {
  Note("opened from " + FPeer);
  try {
    while (Step()) {
    }
    Note("closed");
  } catch (const std::exception& e) {
    Note(std::string("closed: ") + e.what());
  }
}

bool TConnectionSession::Step() {
  uint8_t first = 0;
  if (FSocket.ReceiveSome(&first, 1) == 0) return false;
  if (first == cmUploadData) return UploadData();
  if (first != kAnnounce) {
    Note(Format("closing: unexpected byte 0x%02X where a request should begin", first));
    return false;
  }
  uint8_t head[4];
  FSocket.ReceiveExact(head, sizeof head);
  const int64_t length = static_cast<uint32_t>(ReadInt32(head));
  if (length < 1 || length > FContext.Limits.MaxMessage) {
    const uint8_t refused = 0;
    FSocket.SendAll(&refused, 1);
    Note(Format("closing: refused a message of %lld bytes (limit %lld)",
                static_cast<long long>(length),
                static_cast<long long>(FContext.Limits.MaxMessage)));
    return false;
  }
  FSocket.SendAll(&kAnnounce, 1);
  // The buffer grows with the bytes that arrive, not with the announced length.
  std::vector<uint8_t> message;
  while (static_cast<int64_t>(message.size()) < length) {
    const size_t have = message.size();
    message.resize(have +
                   static_cast<size_t>(std::min(kReadPiece, length - static_cast<int64_t>(have))));
    FSocket.ReceiveExact(message.data() + have, static_cast<int64_t>(message.size() - have));
  }
  const uint8_t command = message.back();
  message.pop_back();
  return Dispatch(command, message);
}

bool TConnectionSession::Dispatch(uint8_t command, const std::vector<uint8_t>& body) {
  const bool bare = command == cmRemoteSize || command == cmAvailableBackups;
  if ((bare && !body.empty()) || (command == cmDownloadData && body.size() != 4) ||
      command == cmUploadData || command < cmLogon || command > cmAvailableBackups) {
    Note(Format("closing: malformed request (command %d, %zu bytes)", command, body.size()));
    return false;
  }
  // The framing is checked before the account: a broken request ends any connection.
  TDataInterleaveStream args;
  if (!bare && command != cmDownloadData) {
    try {
      args.UnpackBytes(body.data(), static_cast<int64_t>(body.size()));
    } catch (const ETransferStreamError& e) {
      Note(Format("closing: malformed %s request: %s", CommandName(command), e.what()));
      return false;
    }
  }
  if (command != cmLogon && FAccount == 0) {
    Note(std::string(CommandName(command)) + " refused: not logged on");
    if (command == cmAvailableBackups) {
      const uint8_t none[4] = {0, 0, 0, 0};
      FSocket.SendAll(none, sizeof none);
    } else if (command != cmReceiveBufferSize && command != cmDownloadData) {
      ReplyInteger(0);
    }
    return true;
  }
  if (command == cmRemoteSize) {
    const int64_t size = RemoteSize();
    Note(Format("remote size: %lld", static_cast<long long>(size)));
    ReplyInteger(static_cast<int32_t>(size));
    return true;
  }
  if (command == cmAvailableBackups) {
    AvailableBackups();
    return true;
  }
  if (command == cmDownloadData) {
    DownloadData(ReadInt32(body.data()));
    return true;
  }
  switch (command) {
    case cmLogon:
      Logon(args);
      break;
    case cmBeginUpload:
      BeginUpload(args);
      break;
    case cmEndUpload:
      EndUpload();
      break;
    case cmBeginDownload:
      BeginDownload(args);
      break;
    case cmEndDownload:
      EndDownload();
      break;
    case cmDeleteBackups:
      DeleteBackups(args);
      break;
    case cmReceiveBufferSize: {
      uint8_t raw[4];
      if (FixedItem(args, 0, 4, raw)) FSendPiece = std::clamp(ReadInt32(raw), 1, kMaxSendPiece);
      Note(Format("receive buffer size: %d", FSendPiece));
      break;
    }
  }
  return true;
}

void TConnectionSession::ReplyItem(const std::vector<uint8_t>& item) {
  TDataInterleaveStream reply;
  reply.AddVariantArray(item);
  const std::vector<uint8_t> bytes = reply.PackBytes();
  FSocket.SendAll(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TConnectionSession::ReplyBoolean(bool value) {
  ReplyItem({static_cast<uint8_t>(value ? 1 : 0)});
}

void TConnectionSession::ReplyInteger(int32_t value) {
  std::vector<uint8_t> item(4);
  WriteInt32(item.data(), value);
  ReplyItem(item);
}

void TConnectionSession::Logon(const TDataInterleaveStream& args) {
  ClearTransfer();
  FAccount = 0;
  FAccountName.clear();
  std::optional<TOpenedLogon> logon;
  if (args.Count() >= 1) logon = OpenLogonEnvelope(args.Item(0));
  const int64_t account =
      logon ? FContext.Accounts.Verify(logon->Account.LogonName, logon->Account.Password) : 0;
  if (account == 0) {
    Note(logon ? "logon refused: wrong logon name or password for \"" + logon->Account.LogonName +
                     "\""
               : std::string("logon refused: the logon envelope cannot be opened"));
    ReplyItem({});
    return;
  }
  const std::string ticket = RandomTicket();
  if (!ticket.empty()) {
    FAccount = account;
    FAccountName = logon->Account.LogonName;
  }
  Note("logon accepted from " + logon->ComputerName + " (user " + logon->UserName + ")");
  ReplyItem(std::vector<uint8_t>(ticket.begin(), ticket.end()));
}

void TConnectionSession::ClearTransfer() {
  if (FTransfer == TTransfer::Upload)
    FContext.Backups.ReleaseUpload(FAccount, FBackup, FUploadToken);
  FTransfer = TTransfer::None;
  FBackup.clear();
}

int64_t TConnectionSession::RemoteSize() {
  if (FTransfer == TTransfer::Upload) return FContext.Backups.HeldBytes(FAccount, FBackup);
  if (FTransfer == TTransfer::Download) return FDownloadTotal;
  return 0;
}

void TConnectionSession::BeginUpload(const TDataInterleaveStream& args) {
  ClearTransfer();
  TBackupInfo info;
  uint8_t finished[8], size[4];
  bool ok = args.Count() == 8 && FixedItem(args, 3, 8, finished) && FixedItem(args, 4, 4, size);
  if (ok) {
    info.Name = args.GetItemAsString(0);
    info.Title = args.GetItemAsString(1);
    info.FileListName = args.GetItemAsString(2);
    info.Finished = ReadDouble(finished);
    info.Size = ReadInt32(size);
    info.Mac = args.GetItemAsString(5);
    info.FileList = args.Item(6);
    info.Incremental = args.GetItemAsString(7);
    info.Started = StartedFromName(info.Name);
    FUploadToken = FContext.Backups.BeginUpload(FAccount, info);
    ok = FUploadToken != 0;
  }
  if (ok) {
    FTransfer = TTransfer::Upload;
    FBackup = info.Name;
    FUploadSize = info.Size;
  }
  Note(Format("begin upload \"%s\" (%lld bytes): %s", info.Name.c_str(),
              static_cast<long long>(info.Size), ok ? "accepted" : "refused"));
  ReplyBoolean(ok);
}

bool TConnectionSession::UploadData() {
  uint8_t head[4];
  FSocket.ReceiveExact(head, sizeof head);
  const int64_t count = ReadInt32(head);
  int64_t held = 0;
  int fd = -1;
  if (FTransfer == TTransfer::Upload &&
      FContext.Backups.IsCurrentUpload(FAccount, FBackup, FUploadToken)) {
    held = FContext.Backups.HeldBytes(FAccount, FBackup);
    if (count >= 0 && held + count <= FUploadSize)
      fd = ::open(FContext.Backups.PartialPath(FAccount, FBackup).c_str(), O_WRONLY | O_CLOEXEC);
  }
  if (fd < 0) {
    const uint8_t refused = 0;
    FSocket.SendAll(&refused, 1);
    Note(Format("upload data of %lld bytes refused", static_cast<long long>(count)));
    return true;
  }
  TSyncedFile file(fd);
  const uint8_t ready = cmUploadData;
  FSocket.SendAll(&ready, 1);
  std::vector<uint8_t> buffer(
      static_cast<size_t>(std::min<int64_t>(kReadPiece, std::max<int64_t>(count, 1))));
  int64_t received = 0;
  while (received < count) {
    const int64_t got = FSocket.ReceiveSome(
        buffer.data(), std::min<int64_t>(static_cast<int64_t>(buffer.size()), count - received));
    if (got == 0) {
      Note(Format("upload of \"%s\" cut after %lld of %lld bytes; %lld held", FBackup.c_str(),
                  static_cast<long long>(received), static_cast<long long>(count),
                  static_cast<long long>(held + received)));
      return false;
    }
    if (::pwrite(fd, buffer.data(), static_cast<size_t>(got), held + received) != got) {
      Note("closing: cannot write the upload of \"" + FBackup + "\": " + std::strerror(errno));
      return false;
    }
    received += got;
  }
  // Acknowledged bytes are on the disk.
  if (!file.Sync()) {
    Note("closing: cannot flush the upload of \"" + FBackup + "\"");
    return false;
  }
  uint8_t confirmed[4];
  WriteInt32(confirmed, static_cast<int32_t>(received));
  FSocket.SendAll(confirmed, sizeof confirmed);
  Note(Format("upload data: %lld bytes received, %lld held", static_cast<long long>(received),
              static_cast<long long>(held + received)));
  return true;
}

void TConnectionSession::EndUpload() {
  const bool ok = FTransfer == TTransfer::Upload &&
                  FContext.Backups.EndUpload(FAccount, FBackup, FUploadToken, Now());
  Note("end upload \"" + FBackup + "\": " + (ok ? "complete" : "incomplete"));
  ClearTransfer();
  ReplyBoolean(ok);
}

void TConnectionSession::BeginDownload(const TDataInterleaveStream& args) {
  ClearTransfer();
  const std::string name = args.Count() >= 1 ? args.GetItemAsString(0) : "";
  int32_t answer = kDownloadNotOnServer;
  const std::optional<TBackupInfo> info =
      TBackupStore::ValidName(name) ? FContext.Backups.Find(FAccount, name) : std::nullopt;
  if (info && info->InStorage) {
    answer = kDownloadInStorage;
  } else if (info) {
    const int64_t size = FileSizeOf(FContext.Backups.CompletePath(FAccount, name));
    if (size >= 0) {
      answer = kDownloadReady;
      FTransfer = TTransfer::Download;
      FBackup = name;
      FDownloadTotal = size;
    }
  }
  Note(Format("begin download \"%s\": %d", name.c_str(), answer));
  ReplyInteger(answer);
}

void TConnectionSession::DownloadData(int64_t start) {
  if (FTransfer != TTransfer::Download || start < 0 || start > FDownloadTotal) {
    Note(Format("download data from %lld refused", static_cast<long long>(start)));
    return;
  }
  const int fd =
      ::open(FContext.Backups.CompletePath(FAccount, FBackup).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    Note("closing: cannot open \"" + FBackup + "\" for download");
    throw ESocketError("download source missing", ENOENT);
  }
  off_t offset = start;
  while (offset < FDownloadTotal) {
    const size_t piece =
        static_cast<size_t>(std::min<int64_t>(FSendPiece, FDownloadTotal - offset));
    const ssize_t sent = ::sendfile(FSocket.Handle(), fd, &offset, piece);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) {
      const int code = sent == 0 ? EPIPE : errno;
      ::close(fd);
      RaiseSocketError(code, "sendfile");
    }
  }
  ::close(fd);
  Note(Format("download data: sent \"%s\" from %lld to %lld", FBackup.c_str(),
              static_cast<long long>(start), static_cast<long long>(FDownloadTotal)));
}

void TConnectionSession::EndDownload() {
  const bool ok = FTransfer == TTransfer::Download;
  if (ok) FContext.Backups.RecordDownload(FAccount, FBackup, Now());
  Note("end download \"" + FBackup + "\": " + (ok ? "confirmed" : "no download"));
  ClearTransfer();
  ReplyBoolean(ok);
}

void TConnectionSession::DeleteBackups(const TDataInterleaveStream& args) {
  std::vector<std::string> names;
  for (int i = 0; i < args.Count(); ++i)
    names.push_back(args.GetItemAsString(i));
  if (FTransfer != TTransfer::None && std::find(names.begin(), names.end(), FBackup) != names.end())
    ClearTransfer();
  const bool ok = FContext.Backups.Delete(FAccount, names);
  Note(Format("delete backups (%zu): %s", names.size(), ok ? "deleted" : "refused, none deleted"));
  ReplyBoolean(ok);
}

void TConnectionSession::AvailableBackups() {
  const std::vector<TBackupInfo> backups = FContext.Backups.Complete(FAccount);
  std::vector<uint8_t> reply(4, 0);
  if (!backups.empty()) {
    TDataInterleaveStream images;
    for (const TBackupInfo& info : backups)
      images.AddVariantArray(BackupImage(info));
    TDataInterleaveStream outer;
    outer.AddVariantArray(images.PackBytes());
    const std::vector<uint8_t> packed = outer.PackBytes();
    WriteInt32(reply.data(), static_cast<int32_t>(packed.size()));
    reply.insert(reply.end(), packed.begin(), packed.end());
  }
  FSocket.SendAll(reply.data(), static_cast<int64_t>(reply.size()));
  Note(Format("available backups: %zu", backups.size()));
}

}  // namespace vaultora::server
