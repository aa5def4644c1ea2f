#include "app/runtime/transfer_host.h"

#include "app/runtime/main_messages.h"
#include "online/runtime/transfer_binding.h"
#include "settings/ini_registry_editor.h"
#include "settings/preferences.h"
#include "settings/registry_keys.h"

namespace vaultora {

namespace {

constexpr TTransferKind kSessionKinds[] = {tkDelete, tkUpload, tkDownload, tkRegistryUpdate};
constexpr unsigned kDoneMessages[] = {messages::TWM_DELETEDONE, messages::TWM_BACKUPSENDDONE,
                                      messages::TWM_RESTOREDONE, messages::TWM_REGISTRYUPDATEDONE};

// Marked when the component would not start: the line went down between the posting of the
// work and its start. The mark stops the queue from retrying at once.
constexpr const char* kNotStartedMark = "ServerNotReachable";

size_t Slot(TWorkKind kind) {
  return static_cast<size_t>(kind);
}

}  // namespace

// A transfer window: its session, and the binding that lends it the component's events.
struct TTransferHost::TWindow {
  TTransferSession Session;
  std::unique_ptr<TTransferBinding> Binding;
  bool Closing = false;
  TWindow(TTransferKind kind, TIniRegistryEditor& store) : Session(kind, store) {}
};

TTransferHost::TTransferHost(TComponent* owner, TIniRegistryEditor& store, TWorkQueue& queue,
                             TStringList& restoreList)
    : TComponent(owner), FStore(store), FQueue(queue), FRestoreList(restoreList) {
  for (int kind = wkDelete; kind <= wkRegistryUpdate; ++kind) {
    TBaseOnlineTransfer& component = Component(static_cast<TWorkKind>(kind));
    component.BeforeStart = [this](TComponent*, bool& canStart) { canStart = FQueue.CanStart(); };
    component.OnClose = [this, kind](TComponent*) { Closed(static_cast<TWorkKind>(kind)); };
  }
}

TTransferHost::~TTransferHost() {
  Destroying();
  for (auto& window : FWindows)
    window.reset();
  for (int kind = wkDelete; kind <= wkRegistryUpdate; ++kind)
    Component(static_cast<TWorkKind>(kind)).OnClose = nullptr;
}

TBaseOnlineTransfer& TTransferHost::Component(TWorkKind kind) {
  switch (kind) {
    case wkDelete:
      return FDelete;
    case wkSend:
      return FUpload;
    case wkReceive:
      return FDownload;
    case wkRegistryUpdate:
      break;
  }
  return FRegistryUpdate;
}

const TTransferKindTexts& TTransferHost::Texts(TWorkKind kind) {
  return TransferKindTexts(kSessionKinds[Slot(kind)]);
}

bool TTransferHost::IsOpen(TWorkKind kind) const {
  return FWindows[Slot(kind)] != nullptr;
}

bool TTransferHost::AnyOpen() const {
  for (const auto& window : FWindows)
    if (window) return true;
  return false;
}

bool TTransferHost::Running(TWorkKind kind) {
  return Component(kind).Running();
}

TTransferSession* TTransferHost::Session(TWorkKind kind) {
  return FWindows[Slot(kind)] ? &FWindows[Slot(kind)]->Session : nullptr;
}

void TTransferHost::StopAll() {
  for (auto& window : FWindows)
    if (window && !window->Session.Stopping()) window->Session.UserStop();
}

TThreadPriority TTransferHost::Priority(const keys::TIntSetting& setting) {
  // The key's range is the scale of thread priorities.
  return static_cast<TThreadPriority>(ReadSetting(FStore, setting));
}

void TTransferHost::Open(TWorkKind kind) {
  if (!CanFireEvents()) return;
  std::unique_ptr<TWindow>& window = FWindows[Slot(kind)];
  if (!window) {
    window = std::make_unique<TWindow>(kSessionKinds[Slot(kind)], FStore);
    window->Session.OnLine = [this, kind](const std::string& line) { Fire(OnLine, kind, line); };
    switch (kind) {
      case wkDelete:
        window->Binding = std::make_unique<TTransferBinding>(FDelete, window->Session);
        break;
      case wkSend:
        window->Binding = std::make_unique<TTransferBinding>(FUpload, window->Session);
        break;
      case wkReceive:
        window->Binding = std::make_unique<TTransferBinding>(FDownload, window->Session);
        break;
      case wkRegistryUpdate:
        window->Binding = std::make_unique<TTransferBinding>(
            FRegistryUpdate, window->Session,
            [this](TComponent*, std::vector<uint8_t> image) { Fire(OnItemToRegister, image); });
        break;
    }
  }
  Start(kind);
}

// The window's start message: refill from the kept lines, then start unless running.
void TTransferHost::Start(TWorkKind kind) {
  TTransferSession& session = FWindows[Slot(kind)]->Session;
  session.Begin();
  TBaseOnlineTransfer& component = Component(kind);
  if (component.Running()) return;
  if (kind == wkSend) FUpload.SetThreadPriority(Priority(keys::setting::TransmitThreadPriority));
  if (kind == wkReceive) {
    FDownload.SetThreadPriority(Priority(keys::setting::ReceiveThreadPriority));
    FDownload.SetRestoreList(FRestoreList);
  }
  component.Start();
  // A start that was refused (or failed before its thread ran) never closes by itself.
  if (!component.Running() && FWindows[Slot(kind)]) {
    session.MarkError(kNotStartedMark);
    Closed(kind);
  }
}

void TTransferHost::Closed(TWorkKind kind) {
  TWindow* open = FWindows[Slot(kind)].get();
  if (!open || open->Closing) return;
  // The closing lines are added while the session is still the kind's, so that a window
  // showing it sees them.
  open->Closing = true;
  open->Session.Closed();
  open->Session.FlushLog();
  const bool success = open->Session.Success();
  std::unique_ptr<TWindow> window = std::move(FWindows[Slot(kind)]);
  // The binding gives the component its own handlers back before the window goes.
  window.reset();
  Fire(OnClosed, kind, success);
  if (CanFireEvents()) FQueue.Receiver().Post(WM_USER + kDoneMessages[Slot(kind)]);
}

}  // namespace vaultora
