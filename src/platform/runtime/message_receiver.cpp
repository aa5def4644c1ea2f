#include "platform/runtime/message_receiver.h"

#include <QCoreApplication>
#include <QEvent>

#include <atomic>

namespace vaultora {

namespace {

std::atomic<long long> gLivePayloads{0};

const QEvent::Type kPostedMessageType = static_cast<QEvent::Type>(QEvent::registerEventType());

class TPostedMessageEvent : public QEvent {
 public:
  TPostedMessageEvent(unsigned msg, intptr_t w, intptr_t l, std::unique_ptr<TMessagePayload> p)
      : QEvent(kPostedMessageType), FMsg(msg), FW(w), FL(l), FPayload(std::move(p)) {
    if (FPayload) ++gLivePayloads;
  }
  ~TPostedMessageEvent() override {
    if (FPayload) --gLivePayloads;
  }

  TMessage AsMessage() const { return TMessage{FMsg, FW, FL, FPayload.get()}; }

 private:
  unsigned FMsg;
  intptr_t FW, FL;
  std::unique_ptr<TMessagePayload> FPayload;
};

}  // namespace

long long LivePayloadCount() {
  return gLivePayloads.load();
}

TMessageReceiver::TMessageReceiver(QObject* parent) : QObject(parent) {}

TMessageReceiver::~TMessageReceiver() {
  OnMessage = nullptr;
  // Qt discards (and deletes) events still queued for a destroyed object.
}

void TMessageReceiver::Post(unsigned msg, intptr_t wParam, intptr_t lParam,
                            std::unique_ptr<TMessagePayload> payload) {
  ++FPending;
  QCoreApplication::postEvent(this,
                              new TPostedMessageEvent(msg, wParam, lParam, std::move(payload)));
}

bool TMessageReceiver::event(QEvent* e) {
  if (e->type() != kPostedMessageType) return QObject::event(e);
  --FPending;
  if (OnMessage) {
    const TMessage message = static_cast<TPostedMessageEvent*>(e)->AsMessage();
    auto handler = OnMessage;  // the handler may reassign OnMessage
    handler(message);
  }
  return true;
}

}  // namespace vaultora
