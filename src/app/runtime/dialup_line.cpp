#include "app/runtime/dialup_line.h"

namespace vaultora {

TDialupLine::TDialupLine(TIniRegistryEditor& store, TRasAdapter* adapter)
    : FStore(store), FDialer(nullptr, adapter) {
  FDialer.OnDisConnect = [this](TRasDialer&) {
    if (FQueue) FQueue->LineDropped();
  };
}

TDialupLine::~TDialupLine() {
  FAttempt.reset();
  FClosedAttempt.reset();
  FDialer.OnDisConnect = nullptr;
}

void TDialupLine::Dial() {
  if (Dialling()) return;
  FClosedAttempt.reset();
  FAttempt = std::make_unique<TDialAttempt>(FDialer, FStore);
  FAttempt->OnLine = [this](const std::string& line) {
    if (OnLine) OnLine(line);
  };
  FAttempt->OnConnected = [this](TDialAttempt&) {
    if (FQueue) FQueue->LineConnected();
  };
  // The attempt closes from inside its own handlers: it is kept until the next dial.
  FAttempt->OnClose = [this](TDialAttempt&, bool) { AttemptClosed(); };
  if (OnAttemptShown) OnAttemptShown(*FAttempt);
  FAttempt->Show();
  // Without a selected entry the window would wait for the user to close it.
  if (FAttempt && !FAttempt->Closed() && FDialer.SelPhoneBookEntry() < 0) FAttempt->Cancel();
}

bool TDialupLine::Dialling() const {
  return FAttempt && !FAttempt->Closed();
}

void TDialupLine::CancelDial() {
  if (Dialling()) FAttempt->Cancel();
}

void TDialupLine::HangUp() {
  FDialer.SetActive(false);
}

void TDialupLine::AttemptClosed() {
  FClosedAttempt = std::move(FAttempt);
  if (FClosedAttempt && OnAttemptClosed) OnAttemptClosed(*FClosedAttempt);
}

}  // namespace vaultora
