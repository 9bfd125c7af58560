#include "Fcitx5StatusMenu.h"

#include "DBusReply.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDateTime>

namespace drv {

namespace {

const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kItem = QStringLiteral("org.kde.StatusNotifierItem");
const QString kMenu = QStringLiteral("com.canonical.dbusmenu");

void collect(const QDBusArgument& arg, QList<StatusMenuItem>& out)
{
    StatusMenuItem item;
    QVariantMap props;
    arg.beginStructure();
    arg >> item.id >> props;
    item.icon = props.value(QStringLiteral("icon-name")).toString();
    item.checked = props.value(QStringLiteral("toggle-state")).toInt() == 1;
    out << item;
    arg.beginArray();
    while (!arg.atEnd()) {
        QDBusVariant child;
        arg >> child;
        collect(qvariant_cast<QDBusArgument>(child.variant()), out);
    }
    arg.endArray();
    arg.endStructure();
}

QDBusMessage call(const QString& service, const QString& path, const QString& interface,
                  const QString& method, const QVariantList& args = {})
{
    QDBusMessage m = QDBusMessage::createMethodCall(service, path, interface, method);
    m.setArguments(args);
    m.setAutoStartService(false);
    return m;
}

} // namespace

QList<StatusMenuItem> menuItems(const QDBusArgument& layout)
{
    QList<StatusMenuItem> items;
    collect(layout, items);
    return items;
}

Fcitx5StatusMenu::Fcitx5StatusMenu(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), bus_(bus)
{
}

void Fcitx5StatusMenu::apply(std::optional<KanaMode> wanted)
{
    if (!bus_.isConnected()) return;
    if (menuPath_.isEmpty())
        locate([this, wanted] { readAndClick(wanted, false); });
    else
        readAndClick(wanted, true);
}

void Fcitx5StatusMenu::locate(const std::function<void()>& then)
{
    const QDBusMessage ask =
        call(QStringLiteral("org.kde.StatusNotifierWatcher"),
             QStringLiteral("/StatusNotifierWatcher"), kProperties, QStringLiteral("Get"),
             {QStringLiteral("org.kde.StatusNotifierWatcher"),
              QStringLiteral("RegisteredStatusNotifierItems")});
    onReply(this, bus_.asyncCall(ask), [this, then](const QDBusMessage& reply) {
        const QStringList items =
            qvariant_cast<QDBusVariant>(reply.arguments().value(0)).variant().toStringList();
        // Panels list an icon as its owner's name, with or without its object path.
        for (const QString& entry : items) {
            const qsizetype slash = entry.indexOf(u'/');
            const QString service = slash < 0 ? entry : entry.left(slash);
            const QString path =
                slash < 0 ? QStringLiteral("/StatusNotifierItem") : entry.mid(slash);
            onReply(
                this,
                bus_.asyncCall(call(service, path, kProperties, QStringLiteral("GetAll"), {kItem})),
                [this, then, service](const QDBusMessage& props) {
                    const QVariantMap p = qdbus_cast<QVariantMap>(props.arguments().value(0));
                    if (menuPath_.isEmpty() &&
                        p.value(QStringLiteral("Id")).toString() == u"Fcitx") {
                        service_ = service;
                        menuPath_ =
                            qvariant_cast<QDBusObjectPath>(p.value(QStringLiteral("Menu"))).path();
                        if (!menuPath_.isEmpty()) then();
                    }
                });
        }
    });
}

void Fcitx5StatusMenu::readAndClick(std::optional<KanaMode> wanted, bool locateAgain)
{
    const QDBusMessage layout =
        call(service_, menuPath_, kMenu, QStringLiteral("GetLayout"), {0, -1, QStringList()});
    onReply(this, bus_.asyncCall(layout), [this, wanted, locateAgain](const QDBusMessage& reply) {
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() < 2) {
            // fcitx5 restarted, or the panel went: look for the menu once more.
            service_.clear();
            menuPath_.clear();
            if (locateAgain) locate([this, wanted] { readAndClick(wanted, false); });
            return;
        }
        const QList<StatusMenuItem> items =
            menuItems(qvariant_cast<QDBusArgument>(reply.arguments().at(1)));
        const StatusMenuItem* target = nullptr;
        for (const StatusMenuItem& item : items) {
            const std::optional<KanaMode> mode = fcitxModeOfIcon(item.icon);
            if (!mode) continue;
            if (item.checked) Q_EMIT modeSeen(*mode);
            if (wanted && *mode == *wanted && !item.checked) target = &item;
        }
        if (!target) return;
        bus_.send(call(service_, menuPath_, kMenu, QStringLiteral("Event"),
                       {target->id, QStringLiteral("clicked"),
                        QVariant::fromValue(QDBusVariant(QString())),
                        uint(QDateTime::currentSecsSinceEpoch())}));
        Q_EMIT modeSeen(*wanted);
    });
}

} // namespace drv
