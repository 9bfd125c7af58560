// What the end-to-end input-method test needs beside xdotool:
//   drv_imtool watcher        stands in for a panel's StatusNotifierWatcher, so that
//                             fcitx5 shows its tray icon and the icon's menu
//   drv_imtool mode [MODE]    prints the Mozc mode checked in fcitx5's tray menu, after
//                             clicking MODE (hiragana, alpha_half ...) when given
//   drv_imtool close WINDOW   sends the close box's WM_DELETE_WINDOW to an X window

#include "Fcitx5StatusMenu.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QTimer>

#include <cstdio>

int closeWindow(const char* window); // WmClose.cpp: Xlib's names clash with moc's

namespace {

class Watcher : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    QStringList items() const { return items_; }
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& item)
    {
        items_ << (item.startsWith(u'/') ? message().service() + item : item);
        Q_EMIT StatusNotifierItemRegistered(items_.last());
    }
    void RegisterStatusNotifierHost(const QString&) {}

Q_SIGNALS:
    void StatusNotifierItemRegistered(const QString& item);

private:
    QStringList items_;
};

const char* const kModes[] = {"hiragana", "katakana_full", "alpha_full", "katakana_half",
                              "alpha_half"};

} // namespace

int main(int argc, char* argv[])
{
    const QByteArray command = argc > 1 ? argv[1] : "";
    if (command == "close" && argc > 2) return closeWindow(argv[2]);
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (command == "watcher") {
        Watcher watcher;
        if (!bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                                QDBusConnection::ExportAllContents) ||
            !bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")))
            return 1;
        return app.exec();
    }
    if (command != "mode") return 2;
    std::optional<drv::KanaMode> wanted;
    if (argc > 2) {
        for (int i = 0; i < 5; ++i)
            if (command == "mode" && qstrcmp(argv[2], kModes[i]) == 0) wanted = drv::KanaMode(i);
        if (!wanted) return 2;
    }
    drv::Fcitx5StatusMenu menu(bus);
    int seen = -1;
    QObject::connect(&menu, &drv::Fcitx5StatusMenu::modeSeen, &app,
                     [&seen](drv::KanaMode m) { seen = int(m); });
    menu.apply(wanted);
    QTimer::singleShot(1500, &app, &QCoreApplication::quit);
    app.exec();
    std::printf("%s\n", seen < 0 ? "none" : kModes[seen]);
    return seen < 0 ? 1 : 0;
}

#include "ImTool.moc"
