#include "cli/online_run.h"

#include <QEventLoop>
#include <QTimer>

#include <cctype>
#include <cstdio>

#include "app/runtime/client_setup.h"
#include "cli/exit_status.h"
#include "cli/interrupts.h"
#include "cli/output.h"
#include "connect/connection_setup.h"
#include "platform/text.h"
#include "settings/registry_keys.h"

namespace vaultora::cli {

namespace {

constexpr int kPollMs = 10;

// The transfer windows keep the socket's own line; a terminal gets the cause and the server:
// "Windows socket error: Connection refused (111), on API 'connect'" becomes
// "cannot connect to 127.0.0.1:7070: connection refused".
std::string CommandLineText(const std::string& line, TIniRegistryEditor& store) {
  static const std::string kPrefix = "Windows socket error: ";
  const size_t code = line.rfind(" (");
  const size_t api = line.rfind(", on API '");
  if (line.rfind(kPrefix, 0) != 0 || code == std::string::npos || api == std::string::npos ||
      code < kPrefix.size())
    return line;
  std::string cause = line.substr(kPrefix.size(), code - kPrefix.size());
  if (!cause.empty())
    cause[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(cause[0])));
  const TStoredConnection stored = ReadStoredConnection(store);
  const std::string server = (stored.Host ? *stored.Host : std::string("(no host)")) + ":" +
                             (stored.Port ? std::to_string(*stored.Port) : std::string("?"));
  const std::string call = line.substr(api + 10, line.size() - api - 11);
  return call == "connect" ? "cannot connect to " + server + ": " + cause
                           : "the connection to " + server + " failed: " + cause;
}

}  // namespace

void PrintLine(const std::string& line) {
  StatusLine(line);
}

void TOnlineRun::Say(const std::string& line) {
  FMeter.Clear();
  StatusLine(line);
}

TOnlineRun::TOnlineRun() {
  FRuntime.Line().OnLine = [this](const std::string& line) { Say(line); };
  // The window's caption label heads its lines (a restart keeps the window and its caption).
  FRuntime.OnOpening = [this](TWorkKind kind, bool restart) {
    if (!restart) Say(TTransferHost::Texts(kind).Caption);
  };
  FRuntime.OnRetriesStopped = [](TWorkKind, std::string line) {
    line[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(line[0])));
    std::fprintf(stderr, "vaultora-cli: %s\n", line.c_str());
  };
  // Transfers that run side by side would mix their lines: each then names its window.
  TTransferHost& host = FRuntime.Host();
  host.OnLine = [this, &host](TWorkKind kind, const std::string& line) {
    int open = 0;
    for (int k = wkDelete; k <= wkRegistryUpdate; ++k)
      open += host.IsOpen(static_cast<TWorkKind>(k)) ? 1 : 0;
    const std::string text = CommandLineText(line, FRuntime.Store());
    Say(open > 1 ? "[" + std::string(TWorkQueue::KindName(kind)) + "] " + text : text);
    // The meter follows the file the transfer is moving, named by its backup's title.
    if (TTransferSession* session = host.Session(kind))
      session->OnProgress = [this, session](double, double) {
        FMeter.Show(Format("%3d %%  %s  %s", session->ProgressPosition(),
                           session->RateText().c_str(), session->StatusLabel().c_str()));
      };
  };
}

bool TOnlineRun::CheckSetup() {
  bool missing = false;
  vaultora::CheckSetup(
      Store(),
      [&missing] {
        missing = true;
        std::fprintf(stderr,
                     "vaultora-cli: the backup server is not set up: vaultora-cli connection set "
                     "--host HOST --port PORT --direct\n");
      },
      [&missing] {
        missing = true;
        std::fprintf(stderr,
                     "vaultora-cli: the encryption key is not set up: vaultora-cli key set\n");
      });
  return !missing;
}

void TOnlineRun::RunUntil(const std::function<bool()>& stop) {
  CatchInterrupts();
  QEventLoop loop;
  QTimer poll;
  poll.setInterval(kPollMs);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (Interrupted() && !FRuntime.Stopping()) FRuntime.StopAll();
    if (FRuntime.Stopping() ? FRuntime.Idle() : stop()) loop.quit();
  });
  poll.start();
  loop.exec();
}

int TOnlineRun::Run(const std::function<void()>& command) {
  command();
  RunUntil([this] { return FRuntime.Idle(); });
  FMeter.Clear();
  if (FRuntime.WorkLeftArmed()) {
    std::fprintf(stderr,
                 "vaultora-cli: the server could not be reached; the work waits for the "
                 "next run\n");
    return Interrupted() ? kExitInterrupted : kExitFailed;
  }
  if (Interrupted()) return kExitInterrupted;
  return TransfersFailed() == 0 ? kExitDone : kExitFailed;
}

}  // namespace vaultora::cli
