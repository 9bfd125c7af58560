#pragma once
// Whether a D-Bus service has an owner, learnt in the background and followed as it
// comes and goes, so that nobody waits for the bus. Until the bus has answered, the
// service counts as present: a call to a missing service is only answered with an
// error, which nobody reads.

#include <QDBusConnection>
#include <QObject>

namespace drv {

class ServicePresence final : public QObject {
    Q_OBJECT

public:
    ServicePresence(const QDBusConnection& bus, const QString& service, QObject* parent = nullptr);

    // False without a bus, or once the bus said that nobody owns the service.
    bool present() const;

private:
    enum class State { Unknown, Running, Absent };
    QDBusConnection bus_;
    State state_ = State::Absent;
};

} // namespace drv
