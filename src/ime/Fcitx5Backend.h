#pragma once
// The input method through fcitx5's controller on D-Bus (org.fcitx.Fcitx5, /controller,
// org.fcitx.Fcitx.Controller1). Activate opens and Deactivate closes the input method of
// the focused window. The controller offers no way to read or set an engine's input
// mode (hiragana, katakana, letters); fcitx5 lends those actions only to status panels,
// so the mode is set through the tray icon's menu where a panel shows one
// (Fcitx5StatusMenu). Elsewhere the engine keeps its own mode: Mozc starts every window
// in its initial mode, full-width hiragana unless the user chose otherwise.
//
// Nothing here waits for fcitx5: calls are sent without waiting for replies, and
// whether fcitx5 runs is learnt from the bus in the background. Without a bus, or
// while fcitx5 is known not to run, the backend has no context and does nothing.

#include "ImeBackend.h"

#include <QDBusConnection>
#include <QObject>

namespace drv {

class Fcitx5StatusMenu;
class ServicePresence;

class Fcitx5Backend final : public QObject, public ImeBackend {
    Q_OBJECT

public:
    explicit Fcitx5Backend(const QDBusConnection& bus, QObject* parent = nullptr);

    // The session bus when the environment names one (DBUS_SESSION_BUS_ADDRESS, or a
    // socket at $XDG_RUNTIME_DIR/bus), else a connection that is not connected. Never
    // starts a bus of its own.
    static QDBusConnection sessionBusIfConfigured();

    bool hasContext() override;
    void setOpen(bool open) override;
    ImeStatus status() override { return status_; }
    void setStatus(const ImeStatus& status) override;

private:
    void flush();

    QDBusConnection bus_;
    ServicePresence* presence_;
    Fcitx5StatusMenu* menu_;
    bool open_ = false;
    bool modeWanted_ = false;
    bool scheduled_ = false;
    // Japanese engines start in full-width hiragana.
    ImeStatus status_{25, 0};
};

} // namespace drv
