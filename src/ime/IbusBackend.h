#pragma once
// The input method through IBus. IBus 1.5 keeps no open or closed state of its own: a
// Japanese engine (Mozc, Anthy) is always selected and carries its input mode, direct
// input among them, as properties ("InputMode.Hiragana", "InputMode.Direct" ...). So
// opening writes the engine's mode for the conversion value, closing writes direct
// input, and both reach the engines through their PropertyActivate method on IBus's
// own bus. Engines that lack the property ignore it.
//
// Whether IBus runs is learnt from the session bus, where ibus-daemon announces itself
// (org.freedesktop.IBus). Its own bus is found as Qt's IBus front end finds it: the
// IBUS_ADDRESS variable, else the address file that the daemon writes for the display.
// Nothing here waits for a reply.

#include "ImeBackend.h"

#include <QDBusConnection>
#include <QObject>

namespace drv {

class ServicePresence;

class IbusBackend final : public QObject, public ImeBackend {
    Q_OBJECT

public:
    // address: IBus's bus; empty to look it up whenever a connection is needed.
    explicit IbusBackend(const QDBusConnection& session, const QString& address = QString(),
                         QObject* parent = nullptr);
    ~IbusBackend() override;

    // The address file of the daemon serving a display: config/ibus/bus/<machine id>-
    // <host>-<display number>, host "unix" for a local display; under Wayland the
    // display is the Wayland socket's name.
    static QString addressFilePath(const QString& configHome, const QString& machineId,
                                   const QString& x11Display, const QString& waylandDisplay);
    // The IBUS_ADDRESS line of such a file; empty when there is none.
    static QString addressInFile(const QString& path);

    bool hasContext() override;
    void setOpen(bool open) override;
    ImeStatus status() override { return status_; }
    void setStatus(const ImeStatus& status) override;

private:
    void schedule();
    void flush();
    bool connectIbus();
    QString currentAddress() const;
    void sendToEngines(const QString& property);

    ServicePresence* presence_;
    const QString fixedAddress_;
    const QString connectionName_;
    bool connected_ = false;
    bool open_ = false;
    bool scheduled_ = false;
    ImeStatus status_{25, 0};
};

} // namespace drv
