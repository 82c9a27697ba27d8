// The ringing call's desktop notification over a real session bus: a private dbus-daemon,
// and a notification service of the test's own on a second connection that records what
// it is asked and sends the desktop's signals back.
#include "client/ui/notify/call_notification.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>

namespace orv {
namespace {

constexpr char kPath[] = "/org/freedesktop/Notifications";
constexpr char kInterface[] = "org.freedesktop.Notifications";
constexpr int kWaitMs = 5000;

class DesktopNotifications : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return QString(); }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        QDBusConnection bus(connection);
        if (message.member() == QLatin1String("Notify")) {
            shown.push_back(message.arguments());
            bus.send(message.createReply(QVariant::fromValue<uint>(++lastId)));
            return true;
        }
        if (message.member() == QLatin1String("CloseNotification")) {
            closed.push_back(message.arguments().value(0).toUInt());
            return true;
        }
        return false;
    }
    std::vector<QList<QVariant>> shown;
    std::vector<uint> closed;
    uint lastId = 6;
};

class CallNotificationTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            GTEST_SKIP() << "no dbus-daemon (scripts/deps.sh installs it)";
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        ASSERT_TRUE(daemon_.waitForStarted(kWaitMs));
        ASSERT_TRUE(QTest::qWaitFor([this] { return daemon_.canReadLine(); }, kWaitMs));
        const QByteArray address = daemon_.readLine().trimmed();
        // The client's own connection is the session bus, found through the environment.
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        desktop_ = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(QString::fromLatin1(address), QStringLiteral("desktop")));
        ASSERT_TRUE(desktop_->isConnected());
        ASSERT_TRUE(desktop_->registerService(QStringLiteral("org.freedesktop.Notifications")));
        ASSERT_TRUE(desktop_->registerVirtualObject(QString::fromLatin1(kPath), &service_));
    }
    void TearDown() override {
        if (desktop_) QDBusConnection::disconnectFromBus(QStringLiteral("desktop"));
        daemon_.kill();
        daemon_.waitForFinished(kWaitMs);
    }
    void Signal(const char* name, QList<QVariant> arguments) {
        QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kPath), QString::fromLatin1(kInterface),
                                                         QString::fromLatin1(name));
        signal.setArguments(arguments);
        desktop_->send(signal);
    }

    QProcess daemon_;
    std::unique_ptr<QDBusConnection> desktop_;
    DesktopNotifications service_;
};

// Shown with Answer and Decline; only its own id's buttons count, and only those two; a
// notification closed before the desktop said its id is closed once the id comes.
TEST_F(CallNotificationTest, AnswerDeclineAndClose) {
    std::vector<bool> choices;
    CallNotification notification([&](bool answer) { choices.push_back(answer); });
    ASSERT_TRUE(notification.Show("Incoming call from Bob (8004)", "8004", "Accept", "Decline"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return notification.Shown(); }, kWaitMs));
    ASSERT_EQ(service_.shown.size(), 1u);
    const QList<QVariant>& asked = service_.shown[0];
    ASSERT_EQ(asked.size(), 8);
    EXPECT_EQ(asked[0].toString(), "orvphone");
    EXPECT_EQ(asked[3].toString(), "Incoming call from Bob (8004)");
    EXPECT_EQ(asked[5].toStringList(), (QStringList{"answer", "Accept", "decline", "Decline"}));

    Signal("ActionInvoked", {QVariant::fromValue<uint>(99), QStringLiteral("answer")}); // someone else's
    Signal("ActionInvoked", {QVariant::fromValue<uint>(7), QStringLiteral("open-the-camera")});
    Signal("ActionInvoked", {QVariant::fromValue<uint>(7), QStringLiteral("decline")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !choices.empty(); }, kWaitMs));
    EXPECT_EQ(choices, (std::vector<bool>{false}));
    EXPECT_FALSE(notification.Shown());

    ASSERT_TRUE(notification.Show("Incoming call from 8005", "8005", "Accept", "Decline"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return notification.Shown(); }, kWaitMs));
    Signal("ActionInvoked", {QVariant::fromValue<uint>(8), QStringLiteral("answer")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return choices.size() == 2; }, kWaitMs));
    EXPECT_TRUE(choices[1]);

    ASSERT_TRUE(notification.Show("Incoming call from 8006", "8006", "Accept", "Decline"));
    notification.Close(); // before the id is known
    ASSERT_TRUE(QTest::qWaitFor([&] { return !service_.closed.empty(); }, kWaitMs));
    EXPECT_EQ(service_.closed, (std::vector<uint>{9}));
    EXPECT_FALSE(notification.Shown());
}

} // namespace
} // namespace orv
