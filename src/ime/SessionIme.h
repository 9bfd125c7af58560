#pragma once
// The desktop's input method, whichever framework the session runs: fcitx5 when it is
// on the session bus, else IBus. fcitx5 comes first because it also answers as IBus
// (org.freedesktop.IBus) for programs that only speak IBus, while its own controller
// is the one that opens and closes it.

#include "ImeBackend.h"

#include <QObject>

class QDBusConnection;

namespace drv {

class SessionIme final : public QObject, public ImeBackend {
    Q_OBJECT

public:
    SessionIme(ImeBackend& fcitx, ImeBackend& ibus, QObject* parent = nullptr);
    // Both frameworks on the session bus, when there is one.
    static SessionIme* onSessionBus(QObject* parent);

    bool hasContext() override { return current() != nullptr; }
    void setOpen(bool open) override;
    ImeStatus status() override;
    void setStatus(const ImeStatus& status) override;

private:
    ImeBackend* current();

    ImeBackend& fcitx_;
    ImeBackend& ibus_;
};

} // namespace drv
