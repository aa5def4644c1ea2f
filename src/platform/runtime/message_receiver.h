#pragma once
// A receiver that lives on its owner's thread. Any thread posts it a message (number, wParam,
// lParam and an owned payload); the owner's event loop delivers it to OnMessage. The payload is
// freed after delivery, or with the pending event when the receiver is destroyed first, whether
// or not a handler runs.

#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>

namespace vaultora {

struct TMessagePayload {
  virtual ~TMessagePayload() = default;
};

template <class T>
struct TPayload : TMessagePayload {
  explicit TPayload(T v) : value(std::move(v)) {}
  T value;
};

struct TMessage {
  unsigned Msg = 0;
  intptr_t WParam = 0;
  intptr_t LParam = 0;
  TMessagePayload* Payload = nullptr;  // owned by the message; valid during the handler

  template <class T>
  T* PayloadAs() const {
    auto* p = dynamic_cast<TPayload<T>*>(Payload);
    return p ? &p->value : nullptr;
  }
};

// The number that window messages of the components count from (WM_USER).
constexpr unsigned WM_USER = 0x0400;

class TMessageReceiver : public QObject {
  Q_OBJECT
 public:
  explicit TMessageReceiver(QObject* parent = nullptr);
  ~TMessageReceiver() override;

  // Thread-safe. Takes the payload whatever happens.
  void Post(unsigned msg, intptr_t wParam = 0, intptr_t lParam = 0,
            std::unique_ptr<TMessagePayload> payload = nullptr);

  template <class T>
  void PostValue(unsigned msg, intptr_t wParam, intptr_t lParam, T value) {
    Post(msg, wParam, lParam, std::make_unique<TPayload<T>>(std::move(value)));
  }

  // Runs on the receiver's thread for each delivered message.
  std::function<void(const TMessage&)> OnMessage;

  // Messages posted and not yet delivered: a front end that runs until its work is done waits
  // for this to reach 0 as well.
  int Pending() const { return FPending.load(); }

 protected:
  bool event(QEvent* e) override;

 private:
  std::atomic<int> FPending{0};
};

// Live payload blocks, for tests that prove nothing leaks.
long long LivePayloadCount();

}  // namespace vaultora
