#pragma once
// The input method through fcitx5's controller on D-Bus (org.fcitx.Fcitx5, /controller,
// org.fcitx.Fcitx.Controller1). Activate opens and Deactivate closes the input method of
// the focused window. The controller offers no way to read or set an engine's input
// mode (hiragana, katakana, letters): the engines keep those to themselves, so the
// status is only remembered here and the engine stays in the mode it has.
//
// Nothing here waits for fcitx5: calls are sent without waiting for replies, and
// whether fcitx5 runs is learnt from the bus in the background. Without a bus, or
// while fcitx5 is known not to run, the backend has no context and does nothing.

#include "ImeBackend.h"

#include <QDBusConnection>
#include <QObject>

namespace drv {

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
    void setStatus(const ImeStatus& status) override { status_ = status; }

private:
    enum class Presence { Unknown, Running, Absent };

    QDBusConnection bus_;
    Presence presence_ = Presence::Absent;
    // Japanese engines start in full-width hiragana.
    ImeStatus status_{25, 0};
};

} // namespace drv
