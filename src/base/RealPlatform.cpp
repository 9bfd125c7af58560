#include "RealPlatform.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace drv {

Services& services()
{
    static Services s;
    return s;
}

QString AppProgramInfo::folder() const
{
    return QCoreApplication::applicationDirPath();
}

QString AppProgramInfo::executableName() const
{
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}

QString StandardFolders::path(int number) const
{
    QStandardPaths::StandardLocation where;
    switch (number) {
    case 5:
        where = QStandardPaths::DocumentsLocation;
        break;
    case 9:
        where = QStandardPaths::ApplicationsLocation;
        break;
    case 26:
        where = QStandardPaths::GenericDataLocation;
        break;
    default:
        return {};
    }
    QString p = QStandardPaths::writableLocation(where);
    while (p.size() > 1 && p.endsWith(u'/'))
        p.chop(1);
    return p;
}

QString IniUserStore::read(const QString& app, const QString& section, const QString& name)
{
    QSettings s(QSettings::IniFormat, QSettings::UserScope, app);
    return s.value(section + u'/' + name).toString();
}

void IniUserStore::write(const QString& app, const QString& section, const QString& name,
                         const QString& value)
{
    QSettings s(QSettings::IniFormat, QSettings::UserScope, app);
    s.setValue(section + u'/' + name, value);
}

} // namespace drv
