#include "client/ui/notify/call_notification.h"

#include "client/log/log.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QVariantMap>

namespace orv {

namespace {
constexpr char kService[] = "org.freedesktop.Notifications";
constexpr char kPath[] = "/org/freedesktop/Notifications";
constexpr char kInterface[] = "org.freedesktop.Notifications";
constexpr char kAnswerKey[] = "answer";
constexpr char kDeclineKey[] = "decline";
// The call itself rings for at most a minute; the notification stays until it is closed.
constexpr int kNoExpiry = 0;
// An unanswered bus call must not hold the window up.
constexpr int kBusTimeoutMs = 2000;

// Whether the session has a bus at all (its address, or the usual socket). Without one the bus
// library is never started: its connection thread would be set up and torn down for nothing.
bool SessionBusMayExist() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}
} // namespace

CallNotification::CallNotification(Choice choice, QObject* parent) : QObject(parent), choice_(std::move(choice)) {}

CallNotification::~CallNotification() { Close(); }

bool CallNotification::Show(const QString& summary, const QString& body, const QString& answerText,
                            const QString& declineText) {
    if (!SessionBusMayExist()) return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface() == nullptr || !bus.interface()->isServiceRegistered(kService))
        return false;
    if (!listening_) {
        bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                    SLOT(OnActionInvoked(uint, QString)));
        bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                    SLOT(OnClosed(uint, uint)));
        listening_ = true;
    }
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(2)); // critical: a call waits
    hints.insert(QStringLiteral("category"), QStringLiteral("call.incoming"));
    hints.insert(QStringLiteral("resident"), true);
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << QStringLiteral("orvphone") << id_ << QString() << summary << body
         << QStringList{kAnswerKey, answerText, kDeclineKey, declineText} << hints << kNoExpiry;
    // Asked without waiting: the window goes on ringing while the desktop answers.
    const std::uint64_t request = ++request_;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kBusTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, request](QDBusPendingCallWatcher* done) {
        done->deleteLater();
        const QDBusPendingReply<uint> reply = *done;
        if (reply.isError()) {
            WriteLog(3, "CallNotification: not shown: %s", reply.error().message().toUtf8().constData());
            return;
        }
        if (request != request_) {
            // Closed (or replaced) while the desktop was answering: take this one away too.
            CloseId(reply.value());
            return;
        }
        id_ = reply.value();
    });
    return true;
}

void CallNotification::CloseId(uint id) {
    if (id == 0) return;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("CloseNotification"));
    call << id;
    QDBusConnection::sessionBus().call(call, QDBus::NoBlock);
}

void CallNotification::Close() {
    ++request_; // a notification still being shown is taken away when its id comes
    CloseId(id_);
    id_ = 0;
}

void CallNotification::OnActionInvoked(uint id, const QString& action) {
    // Signals of every program's notifications pass here: only ours counts.
    if (id == 0 || id != id_) return;
    const bool answer = action == QLatin1String(kAnswerKey);
    if (!answer && action != QLatin1String(kDeclineKey)) return;
    id_ = 0;
    if (choice_) choice_(answer);
}

void CallNotification::OnClosed(uint id, uint) {
    if (id != 0 && id == id_) id_ = 0;
}

} // namespace orv
