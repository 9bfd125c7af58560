#include "DBusReply.h"

#include <QDBusPendingCallWatcher>

namespace drv {

void onReply(QObject* owner, const QDBusPendingCall& call,
             std::function<void(const QDBusMessage&)> then)
{
    auto* watcher = new QDBusPendingCallWatcher(call, owner);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, owner,
                     [then = std::move(then)](QDBusPendingCallWatcher* w) {
                         then(QDBusMessage(w->reply()));
                         w->deleteLater();
                     });
}

} // namespace drv
