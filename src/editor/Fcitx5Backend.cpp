#include "Fcitx5Backend.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QFileInfo>

namespace drv {

namespace {

const QString kService = QStringLiteral("org.fcitx.Fcitx5");
const QString kPath = QStringLiteral("/controller");
const QString kInterface = QStringLiteral("org.fcitx.Fcitx.Controller1");

} // namespace

Fcitx5Backend::Fcitx5Backend(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), bus_(bus)
{
    if (!bus_.isConnected()) return;

    // Until the bus answers, calls are sent anyway: a call to a missing service is
    // simply answered with an error, which nobody reads.
    presence_ = Presence::Unknown;
    auto* watcher =
        new QDBusServiceWatcher(kService, bus_, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this,
            [this] { presence_ = Presence::Running; });
    connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this,
            [this] { presence_ = Presence::Absent; });

    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    ask << kService;
    auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(ask), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* call) {
                const QDBusPendingReply<bool> reply = *call;
                presence_ = reply.isValid() && reply.value() ? Presence::Running : Presence::Absent;
                call->deleteLater();
            });
}

QDBusConnection Fcitx5Backend::sessionBusIfConfigured()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") ||
        (!runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"))))
        return QDBusConnection::sessionBus();
    return QDBusConnection(QStringLiteral("drvesk-no-session-bus"));
}

bool Fcitx5Backend::hasContext()
{
    return bus_.isConnected() && presence_ != Presence::Absent;
}

void Fcitx5Backend::setOpen(bool open)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                       open ? QStringLiteral("Activate")
                                                            : QStringLiteral("Deactivate"));
    call.setAutoStartService(false);
    // fcitx5 acts on the input context that has the focus. The switch runs while the
    // focus is still moving, and Qt tells fcitx5 about the new focus only afterwards,
    // so the call leaves on the next turn of the event loop.
    QMetaObject::invokeMethod(
        this, [this, call] { bus_.send(call); }, Qt::QueuedConnection);
}

} // namespace drv
