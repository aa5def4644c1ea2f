#include "cli/online_run.h"

#include <QEventLoop>
#include <QTimer>

#include <cstdio>

#include "app/runtime/client_setup.h"
#include "cli/exit_status.h"
#include "cli/interrupts.h"
#include "settings/registry_keys.h"

namespace vaultora::cli {

namespace {

// The completion rules retry while work of a kind remains; a run that keeps succeeding without
// taking its work away would retry for ever, so one command opens each kind a few times at most.
constexpr int kMaxOpensOfKind = 4;
constexpr int kPollMs = 10;

const char* const kKindNames[] = {"deletion", "upload", "download", "available backups"};

}  // namespace

void PrintLine(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

TOnlineRun::TOnlineRun() : FLine(FStore) {
  FStore.AtUserKey(keys::kBaseKey).SetLazyWrite(true);
  FQueue = std::make_unique<TWorkQueue>(nullptr, FStore, FRestoreList, FLine);
  FHost = std::make_unique<TTransferHost>(nullptr, FStore, *FQueue, FRestoreList);
  FLine.SetQueue(FQueue.get());
  FLine.OnLine = PrintLine;
  FQueue->OnOpenTransfer = [this](TWorkKind kind) { Open(kind); };
  FQueue->OnTransferRunning = [this](TWorkKind kind) { return FHost->Running(kind); };
  // Transfers that run side by side would mix their lines: each then names its window.
  FHost->OnLine = [this](TWorkKind kind, const std::string& line) {
    int open = 0;
    for (int k = wkDelete; k <= wkRegistryUpdate; ++k)
      open += FHost->IsOpen(static_cast<TWorkKind>(k)) ? 1 : 0;
    PrintLine(open > 1 ? "[" + std::string(kKindNames[kind]) + "] " + line : line);
  };
  FHost->OnClosed = [this](TWorkKind, bool success) {
    if (!success) ++FFailed;
  };
}

TOnlineRun::~TOnlineRun() {
  FQueue->OnOpenTransfer = nullptr;
  FHost.reset();
  FLine.SetQueue(nullptr);
  FQueue.reset();
}

bool TOnlineRun::CheckSetup() {
  bool missing = false;
  vaultora::CheckSetup(
      FStore,
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
  FStore.SetFilename(keys::kBaseKey);
  return !missing;
}

void TOnlineRun::Open(TWorkKind kind) {
  if (FStopping) return;
  if (++FOpenedOfKind[kind] > kMaxOpensOfKind) {
    std::fprintf(stderr, "vaultora-cli: the %s run was tried %d times; stopped retrying\n",
                 kKindNames[kind], kMaxOpensOfKind);
    ++FFailed;
    return;
  }
  ++FOpened;
  // The window's caption label heads its lines (a restart keeps the window and its caption).
  if (!FHost->IsOpen(kind)) PrintLine(TTransferHost::Texts(kind).Caption);
  FHost->Open(kind);
}

bool TOnlineRun::Idle() const {
  return !FHost->AnyOpen() && !FLine.Dialling() && FQueue->Receiver().Pending() == 0;
}

bool TOnlineRun::WorkLeftArmed() {
  for (int kind = wkDelete; kind <= wkRegistryUpdate; ++kind)
    if (FQueue->Entry(static_cast<TWorkKind>(kind)).Enabled) return true;
  return false;
}

void TOnlineRun::RunUntil(const std::function<bool()>& stop) {
  CatchInterrupts();
  QEventLoop loop;
  QTimer poll;
  poll.setInterval(kPollMs);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (Interrupted() && !FStopping) {
      FStopping = true;
      FLine.CancelDial();
      FHost->StopAll();
    }
    if (FStopping ? Idle() : stop()) loop.quit();
  });
  poll.start();
  loop.exec();
}

int TOnlineRun::Run(const std::function<void()>& command) {
  command();
  RunUntil([this] { return Idle(); });
  if (WorkLeftArmed()) {
    std::fprintf(stderr,
                 "vaultora-cli: the server could not be reached; the work waits for the "
                 "next run\n");
    return Interrupted() ? kExitInterrupted : kExitFailed;
  }
  if (Interrupted()) return kExitInterrupted;
  return FFailed == 0 ? kExitDone : kExitFailed;
}

}  // namespace vaultora::cli
