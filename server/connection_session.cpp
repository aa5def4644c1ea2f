#include "server/connection_session.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/sendfile.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <stdexcept>

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

// The most items a request of the command may carry (delete backups: one name per item). A
// container that announces more is refused before it is decoded.
int64_t MaxItems(uint8_t command) {
  switch (command) {
    case cmLogon:
      return 2;
    case cmBeginUpload:
      return 8;
    case cmBeginDownload:
      return 3;
    case cmDeleteBackups:
      return 65536;
    default:
      return 1;
  }
}

// An argument that must have a fixed width; false when it has another.
bool FixedItem(const TDataInterleaveStream& args, int index, size_t width, uint8_t* out) {
  if (index >= args.Count() || args.View(index).size() != width) return false;
  std::memcpy(out, args.View(index).data(), width);
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

}  // namespace

TConnectionSession::TConnectionSession(TServerContext& context, TTcpSocket& socket, int id,
                                       std::string peer, std::function<void(bool)> loggedOn)
    : FContext(context),
      FSocket(socket),
      FId(id),
      FPeer(std::move(peer)),
      FLoggedOn(std::move(loggedOn)),
      FLogonDeadline(TClock::now() + std::chrono::milliseconds(context.Limits.LogonTimeoutMs)) {}

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

TConnectionSession::TClock::time_point TConnectionSession::NextRequestDeadline() const {
  const TClock::time_point idle =
      TClock::now() + std::chrono::milliseconds(FContext.Limits.IdleTimeoutMs);
  return FAccount == 0 ? std::min(idle, FLogonDeadline) : idle;
}

int64_t TConnectionSession::ReceiveBy(void* data, int64_t count, TClock::time_point deadline,
                                      bool whole) {
  auto* p = static_cast<uint8_t*>(data);
  int64_t got = 0;
  while (got < count) {
    // Each receive waits at most the idle limit, and never past the deadline.
    const int64_t left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now()).count();
    if (left <= 0) {
      if (FAccount == 0 && TClock::now() >= FLogonDeadline)
        throw std::runtime_error(
            Format("not logged on within %d s", FContext.Limits.LogonTimeoutMs / 1000));
      if (!whole) throw std::runtime_error("idle past the limit");
      throw std::runtime_error(Format("the request did not arrive within %d s",
                                      FContext.Limits.RequestTimeoutMs / 1000));
    }
    const int64_t wait = std::min<int64_t>(left, FContext.Limits.IdleTimeoutMs);
    FSocket.SetReceiveTimeout(static_cast<int>(wait));
    int64_t some = 0;
    try {
      some = FSocket.ReceiveSome(p + got, count - got);
    } catch (const ESocketError& e) {
      if (e.Code() != EAGAIN && e.Code() != EWOULDBLOCK) throw;
      if (wait < left) throw std::runtime_error("idle past the limit");
      continue;  // the deadline's time-out: the loop says which
    }
    if (some == 0) {
      if (got == 0) return 0;
      RaiseSocketError(ECONNRESET, "recv");
    }
    got += some;
    if (!whole) break;
  }
  return got;
}

bool TConnectionSession::Step() {
  uint8_t first = 0;
  if (ReceiveBy(&first, 1, NextRequestDeadline(), false) == 0) return false;
  // The whole request, from its first byte, arrives within the request limit (and before a
  // logon within the logon limit), however slowly its bytes trickle in.
  TClock::time_point deadline =
      TClock::now() + std::chrono::milliseconds(FContext.Limits.RequestTimeoutMs);
  if (FAccount == 0) deadline = std::min(deadline, FLogonDeadline);
  if (first == cmUploadData) return UploadData(deadline);
  if (first != kAnnounce) {
    Note(Format("closing: unexpected byte 0x%02X where a request should begin", first));
    return false;
  }
  uint8_t head[4];
  if (ReceiveBy(head, sizeof head, deadline, true) != sizeof head) return false;
  const int64_t length = static_cast<uint32_t>(ReadInt32(head));
  // Before a logon only a logon fits.
  const int64_t limit = FAccount == 0 ? std::min(FContext.Limits.MaxMessage, kMaxLogonMessage)
                                      : FContext.Limits.MaxMessage;
  TMessageShare share(FContext.Budget, length);
  const bool fits = length >= 1 && length <= limit;
  if (!fits || !share.Take(deadline)) {
    const uint8_t refused = 0;
    FSocket.SendAll(&refused, 1);
    Note(fits ? Format("closing: no memory came free for a message of %lld bytes in time",
                       static_cast<long long>(length))
              : Format("closing: refused a message of %lld bytes (limit %lld%s)",
                       static_cast<long long>(length), static_cast<long long>(limit),
                       FAccount == 0 ? " before a logon" : ""));
    return false;
  }
  FSocket.SendAll(&kAnnounce, 1);
  // Reserved whole but filled (and so made resident) only as the bytes arrive.
  std::vector<uint8_t> message;
  message.reserve(static_cast<size_t>(length));
  while (static_cast<int64_t>(message.size()) < length) {
    const size_t have = message.size();
    message.resize(have +
                   static_cast<size_t>(std::min(kReadPiece, length - static_cast<int64_t>(have))));
    if (ReceiveBy(message.data() + have, static_cast<int64_t>(message.size() - have), deadline,
                  true) == 0)
      RaiseSocketError(ECONNRESET, "recv");
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
    const int64_t items = body.size() >= 4 ? static_cast<uint32_t>(ReadInt32(body.data())) : 0;
    if (items > MaxItems(command)) {
      Note(Format("closing: %s request of %lld items (at most %lld)", CommandName(command),
                  static_cast<long long>(items), static_cast<long long>(MaxItems(command))));
      return false;
    }
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
  if (FAccount != 0 && FLoggedOn) FLoggedOn(false);
  FAccount = 0;
  FAccountName.clear();
  const std::time_t now = std::time(nullptr);
  std::optional<TOpenedLogon> logon;
  if (args.Count() >= 1) logon = OpenLogonEnvelope(args.View(0));
  std::optional<std::string> timeCode;
  if (args.Count() >= 2) timeCode = ReadLogonTimeCode(args.GetItemAsString(1));
  const std::optional<TLogonMoment> moment =
      logon && timeCode ? ReadLogonMoment(logon->KeyTime, *timeCode) : std::nullopt;
  std::string refusal;
  if (!logon)
    refusal = "the logon envelope cannot be opened";
  else if (!moment)
    refusal = "the time code is missing or does not match the logon key";
  else if (!FContext.Logons.InWindow(*moment, now))
    refusal = Format("the logon time is not within %d s of the server's clock",
                     FContext.Logons.WindowSeconds());
  int64_t account = 0;
  if (refusal.empty()) {
    account = FContext.Accounts.Verify(logon->Account.LogonName, logon->Account.Password);
    if (account == 0)
      refusal = "wrong logon name or password for \"" + logon->Account.LogonName + "\"";
  }
  const std::string who = refusal.empty() ? logon->Account.LogonName + '\x1F' +
                                                logon->ComputerName + '\x1F' + logon->UserName
                                          : "";
  if (refusal.empty() && !FContext.Logons.FirstUse(who, *moment, now))
    refusal = "this logon was accepted before (a replay)";
  const std::string ticket = refusal.empty() ? RandomTicket() : "";
  if (!refusal.empty() || ticket.empty()) {
    Note("logon refused: " + (refusal.empty() ? std::string("no random ticket") : refusal));
    ReplyItem({});
    return;
  }
  FAccount = account;
  FAccountName = logon->Account.LogonName;
  if (FLoggedOn) FLoggedOn(true);
  Note("logon accepted from " + logon->ComputerName + " (user " + logon->UserName + ")");
  ReplyItem(std::vector<uint8_t>(ticket.begin(), ticket.end()));
}

void TConnectionSession::ClearTransfer() {
  // What was received of an upload reaches the disk before the upload is let go.
  if (!FUploadFile.Close()) Note("cannot flush the upload of \"" + FBackup + "\"");
  if (FTransfer == TTransfer::Upload)
    FContext.Backups.ReleaseUpload(FAccount, FBackup, FUploadToken);
  FTransfer = TTransfer::None;
  FBackup.clear();
}

int64_t TConnectionSession::RemoteSize() {
  if (FTransfer == TTransfer::Upload) {
    FUploadFile.Sync();  // the count reported is durable
    return FContext.Backups.HeldBytes(FAccount, FBackup);
  }
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

bool TConnectionSession::UploadData(TClock::time_point deadline) {
  uint8_t head[4];
  if (ReceiveBy(head, sizeof head, deadline, true) != sizeof head) return false;
  FSocket.SetTimeout(FContext.Limits.IdleTimeoutMs);
  const int64_t count = ReadInt32(head);
  int64_t held = -1;
  if (FTransfer == TTransfer::Upload &&
      FContext.Backups.IsCurrentUpload(FAccount, FBackup, FUploadToken)) {
    const std::string path = FContext.Backups.PartialPath(FAccount, FBackup);
    if (FUploadFile.Path() == path || FUploadFile.Open(path)) held = FUploadFile.Size();
  } else {
    FUploadFile.Close();
  }
  if (held < 0 || count < 0 || held + count > FUploadSize) {
    const uint8_t refused = 0;
    FSocket.SendAll(&refused, 1);
    Note(Format("upload data of %lld bytes refused", static_cast<long long>(count)));
    return true;
  }
  // The free space is checked before the client sends: a full disk is told in words instead of
  // a connection closed halfway (one that fills up meanwhile is found out by the writes).
  if (!FUploadFile.HasRoomFor(held, count)) {
    FSocket.SendAll(&kUploadNoSpace, 1);
    Note(Format("upload data of %lld bytes refused: no space left on the server's disk",
                static_cast<long long>(count)));
    return true;
  }
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
    if (!FUploadFile.WriteAt(buffer.data(), static_cast<size_t>(got), held + received)) {
      Note("closing: cannot write the upload of \"" + FBackup + "\": " + std::strerror(errno));
      return false;
    }
    received += got;
    if (!FUploadFile.SyncIfDue()) {
      Note("closing: cannot flush the upload of \"" + FBackup + "\"");
      return false;
    }
  }
  // The count reported is on the disk.
  if (!FUploadFile.Sync()) {
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
  FUploadFile.Close();
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
