#pragma once
// fcitx5 lends its engines' own actions, Mozc's input modes among them, only to status
// panels: its controller can open and close the input method but not choose an
// engine's mode. Where a panel shows fcitx5's tray icon (a StatusNotifierItem, known
// to the panel's org.kde.StatusNotifierWatcher), the icon's menu (com.canonical.dbusmenu)
// holds those actions, with the current mode checked; this reads and clicks them.
// Without such a panel there is no menu, and nothing happens.

#include "ImeModes.h"

#include <QDBusConnection>
#include <QList>
#include <QObject>

#include <functional>
#include <optional>

class QDBusArgument;

namespace drv {

struct StatusMenuItem {
    int id = 0;
    QString icon;
    bool checked = false;
};

// Every item of a menu layout (com.canonical.dbusmenu's (ia{sv}av)), submenus included.
QList<StatusMenuItem> menuItems(const QDBusArgument& layout);

class Fcitx5StatusMenu final : public QObject {
    Q_OBJECT

public:
    explicit Fcitx5StatusMenu(const QDBusConnection& bus, QObject* parent = nullptr);

    // Reads the menu and, when a mode is wanted and another one is checked, clicks the
    // wanted one. The checked mode is reported through modeSeen.
    void apply(std::optional<KanaMode> wanted);

Q_SIGNALS:
    void modeSeen(KanaMode mode);

private:
    void locate(const std::function<void()>& then);
    void readAndClick(std::optional<KanaMode> wanted, bool locateAgain);

    QDBusConnection bus_;
    QString service_; // the tray icon's owner and its menu, once found
    QString menuPath_;
};

} // namespace drv
