#include "IbusBackend.h"

#include "DBusReply.h"
#include "ImeModes.h"
#include "ServicePresence.h"

#include <QDBusMessage>
#include <QFile>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QXmlStreamReader>

namespace drv {

namespace {

const QString kEngines = QStringLiteral("/org/freedesktop/IBus/Engine");

QStringList childNodes(const QString& introspection)
{
    QStringList names;
    QXmlStreamReader xml(introspection);
    int depth = 0;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType t = xml.readNext();
        if (t == QXmlStreamReader::StartElement) {
            if (++depth == 2 && xml.name() == u"node")
                names << xml.attributes().value(QStringLiteral("name")).toString();
        } else if (t == QXmlStreamReader::EndElement) {
            --depth;
        }
    }
    return names;
}

} // namespace

IbusBackend::IbusBackend(const QDBusConnection& session, const QString& address, QObject* parent)
    : QObject(parent),
      presence_(new ServicePresence(session, QStringLiteral("org.freedesktop.IBus"), this)),
      fixedAddress_(address),
      connectionName_(QStringLiteral("drvesk-ibus-%1").arg(quintptr(this), 0, 16))
{
}

IbusBackend::~IbusBackend()
{
    if (connected_) QDBusConnection::disconnectFromBus(connectionName_);
}

QString IbusBackend::addressFilePath(const QString& configHome, const QString& machineId,
                                     const QString& x11Display, const QString& waylandDisplay)
{
    QString host = QStringLiteral("unix");
    QString number = QStringLiteral("0");
    if (!waylandDisplay.isEmpty()) {
        number = waylandDisplay;
    } else if (!x11Display.isEmpty()) {
        const qsizetype colon = x11Display.lastIndexOf(u':');
        if (colon > 0) host = x11Display.left(colon);
        number = x11Display.mid(colon + 1);
        const qsizetype dot = number.indexOf(u'.');
        if (dot >= 0) number.truncate(dot);
    }
    return configHome + QStringLiteral("/ibus/bus/") + machineId + u'-' + host + u'-' + number;
}

QString IbusBackend::addressInFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QString();
    while (!f.atEnd()) {
        const QByteArray line = f.readLine().trimmed();
        if (line.startsWith("IBUS_ADDRESS=")) return QString::fromUtf8(line.mid(13));
    }
    return QString();
}

QString IbusBackend::currentAddress() const
{
    if (!fixedAddress_.isEmpty()) return fixedAddress_;
    if (!qEnvironmentVariableIsEmpty("IBUS_ADDRESS")) return qEnvironmentVariable("IBUS_ADDRESS");
    const bool wayland = QGuiApplication::platformName().startsWith(u"wayland");
    QString waylandDisplay;
    if (wayland) {
        waylandDisplay = qEnvironmentVariable("WAYLAND_DISPLAY");
        if (waylandDisplay.isEmpty()) waylandDisplay = QStringLiteral("wayland-0");
    }
    return addressInFile(
        addressFilePath(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
                        QString::fromLatin1(QDBusConnection::localMachineId()),
                        qEnvironmentVariable("DISPLAY"), waylandDisplay));
}

bool IbusBackend::hasContext()
{
    return presence_->present();
}

void IbusBackend::setOpen(bool open)
{
    open_ = open;
    schedule();
}

void IbusBackend::setStatus(const ImeStatus& status)
{
    status_ = status;
    schedule();
}

void IbusBackend::schedule()
{
    // Opening and the mode that follows it go out as one property, once the focus has
    // settled on the next turn of the event loop.
    if (scheduled_) return;
    scheduled_ = true;
    QMetaObject::invokeMethod(this, &IbusBackend::flush, Qt::QueuedConnection);
}

void IbusBackend::flush()
{
    scheduled_ = false;
    if (!connectIbus()) return;
    sendToEngines(open_ ? ibusModeProperty(kanaModeFor(status_.conversion)) : kIbusDirectProperty);
}

bool IbusBackend::connectIbus()
{
    if (connected_ && QDBusConnection(connectionName_).isConnected()) return true;
    // The daemon restarts on a new address; the old connection is of no use.
    if (connected_) QDBusConnection::disconnectFromBus(connectionName_);
    connected_ = false;
    const QString address = currentAddress();
    if (address.isEmpty()) return false;
    connected_ = true;
    return QDBusConnection::connectToBus(address, connectionName_).isConnected();
}

void IbusBackend::sendToEngines(const QString& property)
{
    QDBusConnection bus(connectionName_);
    // Engines are objects of their components' processes, each under a name of its own.
    const QDBusMessage list = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ListNames"));
    onReply(this, bus.asyncCall(list), [this, bus, property](const QDBusMessage& names) {
        for (const QString& name : names.arguments().value(0).toStringList()) {
            // The daemon's own names hold no engines.
            if (name.startsWith(u':') || name == u"org.freedesktop.DBus" ||
                name == u"org.freedesktop.IBus")
                continue;
            QDBusMessage look = QDBusMessage::createMethodCall(
                name, kEngines, QStringLiteral("org.freedesktop.DBus.Introspectable"),
                QStringLiteral("Introspect"));
            look.setAutoStartService(false);
            onReply(this, QDBusConnection(bus).asyncCall(look),
                    [bus, name, property](const QDBusMessage& found) {
                        for (const QString& node :
                             childNodes(found.arguments().value(0).toString())) {
                            QDBusMessage call = QDBusMessage::createMethodCall(
                                name, kEngines + u'/' + node,
                                QStringLiteral("org.freedesktop.IBus.Engine"),
                                QStringLiteral("PropertyActivate"));
                            call << property << 1u; // 1: checked
                            call.setAutoStartService(false);
                            QDBusConnection(bus).send(call);
                        }
                    });
        }
    });
}

} // namespace drv
