#include "Fcitx5Backend.h"

#include "Fcitx5StatusMenu.h"
#include "ImeModes.h"
#include "ServicePresence.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QFileInfo>

namespace drv {

namespace {

const QString kService = QStringLiteral("org.fcitx.Fcitx5");
const QString kPath = QStringLiteral("/controller");
const QString kInterface = QStringLiteral("org.fcitx.Fcitx.Controller1");

} // namespace

Fcitx5Backend::Fcitx5Backend(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), bus_(bus), presence_(new ServicePresence(bus, kService, this)),
      menu_(new Fcitx5StatusMenu(bus, this))
{
    connect(menu_, &Fcitx5StatusMenu::modeSeen, this,
            [this](KanaMode mode) { status_.conversion = conversionFor(mode); });
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
    return presence_->present();
}

void Fcitx5Backend::setOpen(bool open)
{
    open_ = open;
    // fcitx5 acts on the input context that has the focus. The switch runs while the
    // focus is still moving, and Qt tells fcitx5 about the new focus only afterwards,
    // so the call leaves on the next turn of the event loop.
    if (scheduled_) return;
    scheduled_ = true;
    QMetaObject::invokeMethod(this, &Fcitx5Backend::flush, Qt::QueuedConnection);
}

void Fcitx5Backend::setStatus(const ImeStatus& status)
{
    status_ = status;
    modeWanted_ = true;
}

void Fcitx5Backend::flush()
{
    scheduled_ = false;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                       open_ ? QStringLiteral("Activate")
                                                             : QStringLiteral("Deactivate"));
    call.setAutoStartService(false);
    const bool setMode = open_ && modeWanted_;
    modeWanted_ = false;
    if (!setMode) {
        bus_.send(call);
        return;
    }
    // The engine's actions are in the menu only once the engine is active.
    const KanaMode mode = kanaModeFor(status_.conversion);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, mode](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                menu_->apply(mode);
            });
}

} // namespace drv
