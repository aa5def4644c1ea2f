#pragma once
// TDialupLine: the work queue's line over the dial-up component. Dialling shows the dial-up
// attempt (the "Dialup Connection" window without the window); when it reports the line up the
// queue posts its work, and a line that drops later is reported to the queue's dropped-line rule.
// Owner's thread only.

#include <functional>
#include <memory>
#include <string>

#include "app/runtime/work_queue.h"
#include "connect/runtime/dial_attempt.h"
#include "connect/runtime/ras_dialer.h"

namespace vaultora {

class TIniRegistryEditor;

class TDialupLine : public TWorkQueueLine {
 public:
  // adapter: nullptr = the facility chosen by $VAULTORA_DIALUP.
  TDialupLine(TIniRegistryEditor& store, TRasAdapter* adapter = nullptr);
  ~TDialupLine() override;

  // The queue to tell of the line's events; set once the queue exists.
  void SetQueue(TWorkQueue* queue) { FQueue = queue; }

  void Dial() override;
  bool Dialling() const override;
  bool Active() const override { return FDialer.Active(); }
  void HangUp() override;
  // The user interrupted: an open dial is cancelled.
  void CancelDial();

  TRasDialer& Dialer() { return FDialer; }
  // Each line of the dial-up window.
  std::function<void(const std::string& line)> OnLine;
  // A dial attempt is about to show (a window may view it) and, later, has closed.
  std::function<void(TDialAttempt& attempt)> OnAttemptShown;
  std::function<void(TDialAttempt& attempt)> OnAttemptClosed;

 private:
  void AttemptClosed();

  TIniRegistryEditor& FStore;
  TRasDialer FDialer;
  TWorkQueue* FQueue = nullptr;
  std::unique_ptr<TDialAttempt> FAttempt;
  std::unique_ptr<TDialAttempt> FClosedAttempt;  // freed at the next dial or with the line
};

}  // namespace vaultora
