#pragma once
// Acting on the answer to a D-Bus call without waiting for it.

#include <QDBusMessage>
#include <QDBusPendingCall>

#include <functional>

class QObject;

namespace drv {

// Calls then with the reply (or the error) once it arrives, in owner's thread; nothing
// happens when owner is gone by then.
void onReply(QObject* owner, const QDBusPendingCall& call,
             std::function<void(const QDBusMessage&)> then);

} // namespace drv
