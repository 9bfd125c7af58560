#include "ServicePresence.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>

namespace drv {

ServicePresence::ServicePresence(const QDBusConnection& bus, const QString& service,
                                 QObject* parent)
    : QObject(parent), bus_(bus)
{
    if (!bus_.isConnected()) return;
    state_ = State::Unknown;
    auto* watcher =
        new QDBusServiceWatcher(service, bus_, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this,
            [this] { state_ = State::Running; });
    connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this,
            [this] { state_ = State::Absent; });

    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    ask << service;
    auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(ask), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* call) {
                const QDBusPendingReply<bool> reply = *call;
                // A change seen meanwhile is newer than this answer.
                if (state_ == State::Unknown)
                    state_ = reply.isValid() && reply.value() ? State::Running : State::Absent;
                call->deleteLater();
            });
}

bool ServicePresence::present() const
{
    return bus_.isConnected() && state_ != State::Absent;
}

} // namespace drv
