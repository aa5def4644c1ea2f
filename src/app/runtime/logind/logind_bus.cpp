#include "app/runtime/logind/logind_bus.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>

namespace vaultora {

namespace {

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kInterface = QStringLiteral("org.freedesktop.login1.Manager");

// What a lock and its pending grant share: the grant is kept only while the lock lives.
struct TLockState {
  bool Released = false;
  QDBusUnixFileDescriptor Descriptor;  // closes the lock when the last copy goes
};

class TBusLock : public TInhibitLock {
 public:
  explicit TBusLock(std::shared_ptr<TLockState> state) : FState(std::move(state)) {}
  ~TBusLock() override {
    FState->Released = true;
    FState->Descriptor = QDBusUnixFileDescriptor();
  }

 private:
  std::shared_ptr<TLockState> FState;
};

std::unique_ptr<TLoginManager> ManagerOn(const QDBusConnection& bus) {
  if (!bus.isConnected() || !bus.interface()) return nullptr;
  if (!bus.interface()->isServiceRegistered(kService).value()) return nullptr;
  return std::make_unique<TLogindBus>(bus);
}

}  // namespace

TLogindBus::TLogindBus(const QDBusConnection& bus) : FBus(bus) {
  FBus.connect(kService, kPath, kInterface, QStringLiteral("PrepareForSleep"), this,
               SLOT(PrepareForSleep(bool)));
}

TLogindBus::~TLogindBus() {
  FBus.disconnect(kService, kPath, kInterface, QStringLiteral("PrepareForSleep"), this,
                  SLOT(PrepareForSleep(bool)));
}

std::unique_ptr<TInhibitLock> TLogindBus::Inhibit(const TInhibitRequest& request) {
  auto state = std::make_shared<TLockState>();
  QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, "Inhibit");
  call << QString::fromStdString(request.What) << QString::fromStdString(request.Who)
       << QString::fromStdString(request.Why) << QString::fromStdString(request.Mode);
  auto* watcher = new QDBusPendingCallWatcher(FBus.asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, state](auto* finished) {
    QDBusPendingReply<QDBusUnixFileDescriptor> reply = *finished;
    finished->deleteLater();
    if (state->Released) return;  // the reply's descriptor closes with it
    if (reply.isError()) {
      if (OnError) OnError(reply.error().message().toStdString());
      return;
    }
    state->Descriptor = reply.value();
  });
  return std::make_unique<TBusLock>(state);
}

void TLogindBus::PrepareForSleep(bool beforeSleep) {
  if (OnPrepareForSleep) OnPrepareForSleep(beforeSleep);
}

std::unique_ptr<TLoginManager> SystemLoginManager() {
  return ManagerOn(QDBusConnection::systemBus());
}

std::unique_ptr<TLoginManager> LoginManagerAt(const std::string& busAddress) {
  const QString name = QStringLiteral("vaultora-login-manager");
  QDBusConnection::disconnectFromBus(name);
  return ManagerOn(QDBusConnection::connectToBus(QString::fromStdString(busAddress), name));
}

}  // namespace vaultora
