// vaultora-server: the reference backup server.
#include <malloc.h>
#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/folders.h"
#include "platform/terminal_input.h"
#include "platform/text.h"
#include "server/backup_server.h"
#include "vaultora_version.h"

using namespace vaultora;
using namespace vaultora::server;

namespace {

using TArgs = std::vector<std::string>;

void PrintHelp() {
  std::printf(
      "Usage: vaultora-server COMMAND [OPTIONS]\n\n"
      "The Vaultora backup server. Every command takes --storage DIR, the folder that holds\n"
      "the accounts, the metadata and the archives; a folder that does not exist is refused\n"
      "unless --create is given.\n\n"
      "Commands:\n"
      "  serve [--listen 127.0.0.1] [--port N]   serve clients (port 0 picks a free port)\n"
      "        [LIMITS]\n"
      "  account add NAME [--iterations N]       add an account; password on standard input\n"
      "  account password NAME [--iterations N]  set a new password from standard input\n"
      "  account remove NAME                     remove an account and all its backups\n"
      "  account list                            list the accounts\n"
      "  backup list ACCOUNT                     list an account's backups\n"
      "  backup to-storage ACCOUNT ARCHIVE       move a backup into storage\n"
      "  backup from-storage ACCOUNT ARCHIVE     make a stored backup downloadable again\n"
      "  --help                                  this text\n"
      "  --version                               the program's version\n\n"
      "Limits of serve (defaults in brackets):\n"
      "  --max-connections N        connections at once, logged on or not [64]\n"
      "  --max-unauthenticated N    connections that have not logged on yet [3/4 of the\n"
      "                             connection limit]; the rest is kept for clients that\n"
      "                             logged on\n"
      "  --max-per-address N        connections from one address that have not logged on [8];\n"
      "                             when a limit is reached, the oldest connection that has not\n"
      "                             logged on (of that address, or of the busiest) is closed\n"
      "  --logon-timeout SECONDS    from connecting until a logon is accepted [10]\n"
      "  --request-timeout SECONDS  from a request's first byte until all of it has arrived [60]\n"
      "  --idle-timeout SECONDS     the longest wait for a client between requests or for any\n"
      "                             single receive or send [120]\n"
      "  --max-message BYTES        the largest request after a logon [16777216]; before a\n"
      "                             logon only a logon fits (%lld bytes)\n"
      "  --message-memory BYTES     request bytes being received at once, all connections\n"
      "                             together [50331648]; a request beyond it waits its turn\n"
      "  --logon-window SECONDS     how far a logon's time may be from the server's clock, in\n"
      "                             any time zone [120]; 0 turns the check off. A logon time\n"
      "                             seen in the last 26 hours is always refused.\n",
      static_cast<long long>(protocol::kMaxLogonMessage));
}

std::string Option(const TArgs& args, const std::string& name, const std::string& def = "") {
  for (size_t i = 0; i + 1 < args.size(); ++i)
    if (args[i] == name) return args[i + 1];
  return def;
}

long long NumberOption(const TArgs& args, const std::string& name, long long def) {
  const std::string text = Option(args, name);
  long long value = def;
  if (!text.empty() && (!TryStrToInt(text, value) || value < 0))
    throw EServerError("Invalid value \"" + text + "\" for " + name);
  return value;
}

// Arguments that are neither options nor their values.
TArgs Positional(const TArgs& args) {
  TArgs out;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--create") continue;  // the one option without a value
    if (StartsWith(args[i], "--")) {
      ++i;
      continue;
    }
    out.push_back(args[i]);
  }
  return out;
}

std::string ReadPassword() {
  std::string password;
  if (!ReadSecret("Password: ", password)) throw EServerError("No password was given");
  return password;
}

std::string StorageOf(const TArgs& args) {
  const std::string storage = Option(args, "--storage");
  if (storage.empty()) throw EServerError("--storage DIR is required");
  // A mistyped folder must not quietly become an empty store that refuses every logon.
  if (!DirectoryExists(storage)) {
    if (std::find(args.begin(), args.end(), "--create") == args.end())
      throw EServerError("The storage folder \"" + storage +
                         "\" does not exist; give --create to make a new, empty store there");
    if (!ForceDirectories(storage))
      throw EServerError("Cannot create the storage folder \"" + storage + "\"");
  }
  return storage;
}

TBackupServer* gServer = nullptr;

int Serve(const TArgs& args) {
  TServerLimits limits;
  limits.MaxConnections =
      static_cast<int>(NumberOption(args, "--max-connections", limits.MaxConnections));
  // The default shares follow the connection limit unless given.
  limits.MaxUnauthenticated = static_cast<int>(
      NumberOption(args, "--max-unauthenticated", std::max(1, limits.MaxConnections * 3 / 4)));
  limits.MaxPerAddress = static_cast<int>(NumberOption(
      args, "--max-per-address", std::min(limits.MaxPerAddress, limits.MaxUnauthenticated)));
  limits.MaxMessage = NumberOption(args, "--max-message", limits.MaxMessage);
  limits.MessageMemory =
      NumberOption(args, "--message-memory", std::max(limits.MessageMemory, limits.MaxMessage));
  limits.IdleTimeoutMs = static_cast<int>(NumberOption(args, "--idle-timeout", 120) * 1000);
  limits.LogonTimeoutMs = static_cast<int>(NumberOption(args, "--logon-timeout", 10) * 1000);
  limits.RequestTimeoutMs = static_cast<int>(NumberOption(args, "--request-timeout", 60) * 1000);
  limits.LogonWindowSeconds =
      static_cast<int>(NumberOption(args, "--logon-window", limits.LogonWindowSeconds));
  if (limits.MaxConnections < 1 || limits.MaxMessage < 64 || limits.IdleTimeoutMs < 1000 ||
      limits.LogonTimeoutMs < 1000 || limits.RequestTimeoutMs < 1000)
    throw EServerError("Limits too small: at least 1 connection, 64 bytes and 1 second");
  if (limits.MaxUnauthenticated < 1 || limits.MaxUnauthenticated > limits.MaxConnections ||
      limits.MaxPerAddress < 1 || limits.MaxPerAddress > limits.MaxUnauthenticated)
    throw EServerError(
        "--max-per-address must be at least 1 and at most --max-unauthenticated, which must be "
        "at most --max-connections");
  if (limits.MessageMemory < limits.MaxMessage)
    throw EServerError("--message-memory must be at least --max-message");
  TServerLog log;
  TBackupServer server(StorageOf(args), limits, log);
  const int port = server.Listen(Option(args, "--listen", "127.0.0.1"),
                                 static_cast<int>(NumberOption(args, "--port", 0)));
  std::printf("%d\n", port);
  std::fflush(stdout);
  // SIGINT and SIGTERM end the server in order: a thread waits for them and stops it.
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGINT);
  sigaddset(&stop, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);
  gServer = &server;
  std::thread waiter([&stop] {
    int signal = 0;
    sigwait(&stop, &signal);
    gServer->Stop();
  });
  server.Serve();
  log.Line("stopping");
  server.Stop();
  pthread_kill(waiter.native_handle(), SIGTERM);
  waiter.join();
  return 0;
}

int AccountCommand(const TArgs& args) {
  const TArgs words = Positional(args);
  const std::string storage = StorageOf(args);
  TServerDatabase db(MetadataPath(storage));
  TAccountStore accounts(db);
  const std::string verb = words.empty() ? "" : words[0];
  const int iterations =
      static_cast<int>(NumberOption(args, "--iterations", TAccountStore::kDefaultIterations));
  if (verb == "list" && words.size() == 1) {
    for (const std::string& name : accounts.List())
      std::printf("%s\n", name.c_str());
    return 0;
  }
  if (words.size() != 2)
    throw EServerError("Usage: vaultora-server account add|password|remove NAME");
  const std::string& name = words[1];
  if (verb == "add") {
    accounts.Add(name, ReadPassword(), std::max(iterations, 1));
    std::printf("Account \"%s\" added\n", name.c_str());
    return 0;
  }
  if (verb == "password") {
    if (!accounts.SetPassword(name, ReadPassword(), std::max(iterations, 1)))
      throw EServerError("There is no account \"" + name + "\"");
    std::printf("Password of \"%s\" changed\n", name.c_str());
    return 0;
  }
  if (verb == "remove") {
    const int64_t id = accounts.IdOf(name);
    if (id == 0 || !accounts.Remove(name))
      throw EServerError("There is no account \"" + name + "\"");
    TBackupStore(db, storage).RemoveAccountFiles(id);
    std::printf("Account \"%s\" removed\n", name.c_str());
    return 0;
  }
  throw EServerError("Unknown account command \"" + verb + "\"");
}

int BackupCommand(const TArgs& args) {
  const TArgs words = Positional(args);
  const std::string storage = StorageOf(args);
  TServerDatabase db(MetadataPath(storage));
  TAccountStore accounts(db);
  TBackupStore backups(db, storage);
  if (words.size() < 2)
    throw EServerError(
        "Usage: vaultora-server backup list|to-storage|from-storage ACCOUNT [ARCHIVE]");
  const int64_t account = accounts.IdOf(words[1]);
  if (account == 0) throw EServerError("There is no account \"" + words[1] + "\"");
  if (words[0] == "list" && words.size() == 2) {
    for (const TBackupInfo& info : backups.Complete(account))
      std::printf("%s\t%lld\t%s\t%s\n", info.Name.c_str(), static_cast<long long>(info.Size),
                  info.InStorage ? "in storage" : "online", info.Title.c_str());
    return 0;
  }
  if ((words[0] == "to-storage" || words[0] == "from-storage") && words.size() == 3) {
    const bool into = words[0] == "to-storage";
    if (!backups.SetInStorage(account, words[2], into))
      throw EServerError("\"" + words[1] + "\" holds no complete backup \"" + words[2] + "\"");
    std::printf("\"%s\" is %s\n", words[2].c_str(), into ? "in storage" : "online again");
    return 0;
  }
  throw EServerError("Unknown backup command \"" + words[0] + "\"");
}

}  // namespace

int main(int argc, char** argv) {
  // Request buffers of a megabyte and more are mapped afresh and given back when freed, instead
  // of staying resident in the arena of each connection thread that once held one.
  mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    PrintHelp();
    return argc < 2 ? 2 : 0;
  }
  if (std::strcmp(argv[1], "--version") == 0) {
    std::printf("vaultora-server %s\n", VAULTORA_VERSION);
    return 0;
  }
  const std::string command = argv[1];
  const TArgs args(argv + 2, argv + argc);
  try {
    if (command == "serve") return Serve(args);
    if (command == "account") return AccountCommand(args);
    if (command == "backup") return BackupCommand(args);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vaultora-server: %s\n", e.what());
    return 1;
  }
  std::fprintf(stderr, "vaultora-server: unknown command \"%s\" (see vaultora-server --help)\n",
               argv[1]);
  return 2;
}
