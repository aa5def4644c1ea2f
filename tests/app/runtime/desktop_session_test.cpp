#include "app/runtime/desktop_session.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>

#ifdef VAULTORA_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#endif

#include "support/runtime/recording_login_manager.h"

namespace vaultora {
namespace {

using test::TRecordingLoginManager;

struct DesktopSessionTest : ::testing::Test {
  DesktopSessionTest() {
    auto manager = std::make_unique<TRecordingLoginManager>(log);
    fake = manager.get();
    session = std::make_unique<TDesktopSession>(std::move(manager));
    session->OnResumed = [this] { ++resumed; };
    session->OnError = [this](const std::string& text) { errors.push_back(text); };
  }
  std::vector<std::string> log, errors;
  int resumed = 0;
  TRecordingLoginManager* fake = nullptr;
  std::unique_ptr<TDesktopSession> session;
};

TEST_F(DesktopSessionTest, TheFlowHoldsOneBlockingLockUntilItEnds) {
  session->FlowStarted();
  session->FlowStarted();  // the question asked again while the flow runs
  EXPECT_TRUE(session->HoldingShutDown());
  EXPECT_EQ(fake->LastRequest.Who, "Vaultora");
  EXPECT_FALSE(fake->LastRequest.Why.empty());
  session->FlowEnded();
  session->FlowEnded();
  EXPECT_FALSE(session->HoldingShutDown());
  EXPECT_EQ(log, (std::vector<std::string>{"lock shutdown:sleep block", "release shutdown:sleep"}));
}

TEST_F(DesktopSessionTest, ARefusedLockIsReportedAndNotCountedAsHeld) {
  fake->Refusal = "Access denied";
  session->FlowStarted();
  EXPECT_FALSE(session->HoldingShutDown());
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("Access denied"), std::string::npos);
  fake->Refusal.clear();
  session->FlowStarted();  // the next flow asks again
  EXPECT_TRUE(session->HoldingShutDown());
}

TEST_F(DesktopSessionTest, OnlyTheWakeFromASleepCountsAsResumed) {
  fake->OnPrepareForSleep(true);
  EXPECT_EQ(resumed, 0);
  fake->OnPrepareForSleep(false);
  EXPECT_EQ(resumed, 1);
}

TEST(DesktopSessionWithout, ALoginManagerEverythingIsHarmless) {
  TDesktopSession session(nullptr);
  EXPECT_FALSE(session.Offered());
  session.FlowStarted();
  EXPECT_FALSE(session.HoldingShutDown());
  session.FlowEnded();
}

#ifdef VAULTORA_HAVE_DBUS

void Pump(int milliseconds) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < milliseconds)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool Until(const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < 5000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

// A login manager on a private bus: Inhibit hands out the writing end of a pipe and keeps the
// reading end, which reads end-of-file once every copy of the lock is closed.
class TFakeLogind : public QDBusVirtualObject {
 public:
  ~TFakeLogind() override {
    for (int fd : Readers)
      ::close(fd);
  }
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.member() != "Inhibit") return false;
    for (const QVariant& argument : message.arguments())
      Arguments << argument.toString();
    if (Refuse) {
      connection.send(message.createErrorReply(QDBusError::AccessDenied, "Not allowed here"));
      return true;
    }
    int ends[2];
    if (::pipe(ends) != 0) return false;
    Readers.push_back(ends[0]);
    connection.send(message.createReply(QVariant::fromValue(QDBusUnixFileDescriptor(ends[1]))));
    ::close(ends[1]);
    return true;
  }
  // The lock handed out last is closed everywhere.
  bool Released() const {
    if (Readers.empty()) return false;
    pollfd reader{Readers.back(), POLLIN, 0};
    char byte;
    return ::poll(&reader, 1, 0) == 1 && ::read(Readers.back(), &byte, 1) == 0;
  }
  QStringList Arguments;
  std::vector<int> Readers;
  bool Refuse = false;
};

class PrivateBusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const QString daemon = QStandardPaths::findExecutable("dbus-daemon");
    if (daemon.isEmpty()) GTEST_SKIP() << "dbus-daemon is not installed";
    bus.start(daemon, {"--session", "--nofork", "--print-address=1"});
    if (!bus.waitForStarted(5000) || !Until([this] { return bus.canReadLine(); }))
      GTEST_SKIP() << "dbus-daemon did not start";
    address = QString::fromUtf8(bus.readLine()).trimmed();
    service = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, "logind"));
    ASSERT_TRUE(service->isConnected());
    ASSERT_TRUE(service->registerVirtualObject("/org/freedesktop/login1", &logind));
    ASSERT_TRUE(service->registerService("org.freedesktop.login1"));
  }
  void TearDown() override {
    if (service) {
      service->unregisterService("org.freedesktop.login1");
      service->unregisterObject("/org/freedesktop/login1");
      service.reset();
      QDBusConnection::disconnectFromBus("logind");
    }
    bus.kill();
    bus.waitForFinished(5000);
  }
  void SendPrepareForSleep(bool beforeSleep) {
    QDBusMessage signal = QDBusMessage::createSignal(
        "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep");
    signal << beforeSleep;
    service->send(signal);
  }

  QProcess bus;
  QString address;
  TFakeLogind logind;
  std::unique_ptr<QDBusConnection> service;
};

TEST_F(PrivateBusTest, TheFlowLockIsTakenOnTheBusAndReleasedWithTheFlow) {
  std::unique_ptr<TLoginManager> manager = LoginManagerAt(address.toStdString());
  ASSERT_NE(manager, nullptr);
  TDesktopSession session(std::move(manager));
  int resumed = 0;
  session.OnResumed = [&] { ++resumed; };
  session.FlowStarted();
  ASSERT_TRUE(Until([&] { return !logind.Readers.empty(); }));
  EXPECT_EQ(logind.Arguments,
            (QStringList{"shutdown:sleep", "Vaultora",
                         QString::fromStdString(ShutDownFlowLock().Why), "block"}));
  Pump(200);  // the grant reaches the client
  EXPECT_FALSE(logind.Released()) << "the lock must hold while the flow runs";
  session.FlowEnded();
  EXPECT_TRUE(Until([&] { return logind.Released(); }));

  SendPrepareForSleep(true);
  SendPrepareForSleep(false);
  EXPECT_TRUE(Until([&] { return resumed == 1; }));
}

TEST_F(PrivateBusTest, ARefusalOnTheBusComesBackInWords) {
  logind.Refuse = true;
  TDesktopSession session(LoginManagerAt(address.toStdString()));
  std::string error;
  session.OnError = [&](const std::string& text) { error = text; };
  session.FlowStarted();
  ASSERT_TRUE(Until([&] { return !error.empty(); }));
  EXPECT_NE(error.find("Not allowed here"), std::string::npos) << error;
  EXPECT_FALSE(session.HoldingShutDown());
}

TEST_F(PrivateBusTest, ABusWithoutALoginManagerGivesNone) {
  service->unregisterService("org.freedesktop.login1");
  EXPECT_EQ(LoginManagerAt(address.toStdString()), nullptr);
}

#endif

}  // namespace
}  // namespace vaultora
