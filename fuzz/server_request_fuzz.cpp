// The server's request decoding: any bytes a client sends, framed or not, logged on or not,
// end in answers or a closed connection, never a crash, a hang or memory beyond the limits.
// The input is what the client sends on one connection; the seed corpus holds well-formed
// sessions (a logon of the account "fuzz", an upload, a download, a delete), written by this
// program when VAULTORA_FUZZ_SEEDS names a folder.
#include <sys/socket.h>
#include <unistd.h>
#include <cstddef>

#include <fstream>
#include <memory>

#include "fuzz_support.h"
#include "online/account_record.h"
#include "online/data_interleave_stream.h"
#include "online/logon_envelope.h"
#include "online/protocol.h"
#include "online/tcp_socket.h"
#include "online/wire_integers.h"
#include "server/backup_server.h"
#include "server/connection_session.h"

using namespace vaultora;
using namespace vaultora::server;

namespace {

using TBytes = std::vector<uint8_t>;

struct TStores {
  TStores()
      : Db(MetadataPath(fuzz::Scratch() + "storage")),
        Accounts(Db),
        Backups(Db, fuzz::Scratch() + "storage/") {
    if (Accounts.IdOf("fuzz") == 0) Accounts.Add("fuzz", "fuzz-secret", 1);
  }
  TServerDatabase Db;
  TAccountStore Accounts;
  TBackupStore Backups;
  TServerLog Log{nullptr};
};

// One request as the client frames it: the announcement and the message.
void Request(TBytes& out, TDataInterleaveStream* args, uint8_t command) {
  TBytes message = args ? args->PackBytes() : TBytes{};
  message.push_back(command);
  TBytes head = {protocol::kAnnounce, 0, 0, 0, 0};
  WriteInt32(head.data() + 1, static_cast<int32_t>(message.size()));
  out.insert(out.end(), head.begin(), head.end());
  out.insert(out.end(), message.begin(), message.end());
}

TBytes Logon() {
  const TDateTime now = Now();
  TDataInterleaveStream args;
  args.AddVariantArray(BuildLogonEnvelope(BuildLogonRecord(
      MakeAccountRecord({"fuzz", "fuzz-secret"}), LogonKey("fuzzhost", "fuzzer", now))));
  args.AddString(LogonTimeCode(now));
  TBytes out;
  Request(out, &args, protocol::cmLogon);
  return out;
}

void WriteSeeds(const std::string& folder) {
  const auto save = [&](const std::string& name, const TBytes& bytes) {
    std::ofstream(folder + "/" + name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
  };
  save("logon", Logon());
  TBytes upload = Logon();
  TDataInterleaveStream begin;
  for (const char* text : {"45000_5.BFE", "Daily", "45000_5.bfl"})
    begin.AddString(text);
  begin.AddDouble(45000.6);
  begin.AddInt32(10);
  begin.AddString("0123456789ABCDEF");
  begin.AddString("list");
  begin.AddString("");
  Request(upload, &begin, protocol::cmBeginUpload);
  Request(upload, nullptr, protocol::cmRemoteSize);
  upload.insert(upload.end(), {protocol::cmUploadData, 10, 0, 0, 0});
  upload.insert(upload.end(), 10, 0x5A);
  TDataInterleaveStream end;
  end.AddDouble(45000.7);
  Request(upload, &end, protocol::cmEndUpload);
  Request(upload, nullptr, protocol::cmAvailableBackups);
  save("upload", upload);
  TBytes download = Logon();
  TDataInterleaveStream restore;
  restore.AddString("45000_5.BFE");
  restore.AddString("Daily");
  restore.AddDouble(45001);
  Request(download, &restore, protocol::cmBeginDownload);
  Request(download, nullptr, protocol::cmRemoteSize);
  TDataInterleaveStream size;
  size.AddInt32(4);
  Request(download, &size, protocol::cmReceiveBufferSize);
  TBytes start = {0, 0, 0, 0, protocol::cmDownloadData};
  download.insert(download.end(), {protocol::kAnnounce, 5, 0, 0, 0});
  download.insert(download.end(), start.begin(), start.end());
  TDataInterleaveStream done;
  done.AddDouble(45001);
  Request(download, &done, protocol::cmEndDownload);
  TDataInterleaveStream names;
  names.AddString("45000_5.BFE");
  names.AddString(".");
  Request(download, &names, protocol::cmDeleteBackups);
  save("download-delete", download);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (const char* seeds = std::getenv("VAULTORA_FUZZ_SEEDS")) {
    WriteSeeds(seeds);
    std::exit(0);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // What fits in the socket's buffer, so the whole session runs on this one thread.
  if (size > 64 * 1024) return 0;
  static TStores* stores = new TStores();
  TServerLimits limits;
  limits.LogonWindowSeconds = 0;  // the seeds' logons stay valid
  limits.LogonTimeoutMs = 2000;
  limits.IdleTimeoutMs = 2000;
  TLogonGuard logons(0);
  TMessageBudget budget(limits.MessageMemory);
  TServerContext context{stores->Accounts, stores->Backups, stores->Log, limits, logons, budget};
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return 0;
  const int buffer = 1 << 20;
  ::setsockopt(pair[0], SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
  ::setsockopt(pair[1], SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
  ::setsockopt(pair[1], SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
  if (size > 0 && ::send(pair[0], data, size, MSG_NOSIGNAL) != static_cast<ssize_t>(size)) {
    ::close(pair[0]);
    ::close(pair[1]);
    return 0;
  }
  ::shutdown(pair[0], SHUT_WR);
  {
    TTcpSocket socket(pair[1]);
    socket.SetTimeout(2000);
    TConnectionSession session(context, socket, 1, "fuzz");
    session.Run();
  }
  ::close(pair[0]);
  return 0;
}
