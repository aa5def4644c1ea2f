#pragma once
// TLogindBus: the login manager over D-Bus (org.freedesktop.login1). Locks are asked for without
// waiting: the window thread never blocks on the bus, and a lock released before its grant
// arrives closes the granted descriptor on arrival.

#include <QDBusConnection>
#include <QObject>

#include "app/runtime/login_manager.h"

namespace vaultora {

class TLogindBus : public QObject, public TLoginManager {
  Q_OBJECT
 public:
  explicit TLogindBus(const QDBusConnection& bus);
  ~TLogindBus() override;

  std::unique_ptr<TInhibitLock> Inhibit(const TInhibitRequest& request) override;

 private slots:
  void PrepareForSleep(bool beforeSleep);

 private:
  QDBusConnection FBus;
};

}  // namespace vaultora
