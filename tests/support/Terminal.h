#pragma once
// The built program started as from a terminal over SSH: nothing to draw on, and a home
// folder of the test's own with the XDG folders below it.

#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace drv::test {

// Starts the built drvesk (in $DRVESK_BIN_DIR) with `args` in `p`, with HOME at `home`,
// XDG_DATA_HOME, XDG_CONFIG_HOME and XDG_CACHE_HOME below it, no display, and `extra`
// set in its environment.
void startInTerminal(QProcess& p, const QString& home, const QStringList& args,
                     const QMap<QString, QString>& extra = {});
// The same environment for a program of the test's choosing.
QProcessEnvironment terminalEnvironment(const QString& home,
                                        const QMap<QString, QString>& extra = {});

} // namespace drv::test
