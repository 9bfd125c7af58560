#include "Terminal.h"

#include <utility>

namespace drv::test {

QProcessEnvironment terminalEnvironment(const QString& home, const QMap<QString, QString>& extra)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("HOME"), home);
    for (const auto& [name, sub] :
         {std::pair{"XDG_DATA_HOME", "/.local/share"}, std::pair{"XDG_CONFIG_HOME", "/.config"},
          std::pair{"XDG_CACHE_HOME", "/.cache"}})
        env.insert(QString::fromLatin1(name), home + QString::fromLatin1(sub));
    for (auto it = extra.begin(); it != extra.end(); ++it)
        env.insert(it.key(), it.value());
    return env;
}

void startInTerminal(QProcess& p, const QString& home, const QStringList& args,
                     const QMap<QString, QString>& extra)
{
    p.setProcessEnvironment(terminalEnvironment(home, extra));
    p.setWorkingDirectory(home);
    p.setProgram(qEnvironmentVariable("DRVESK_BIN_DIR") + QStringLiteral("/drvesk"));
    p.setArguments(args);
    p.start();
}

} // namespace drv::test
