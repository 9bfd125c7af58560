// Shortcuts and opening things with the desktop's own programs. Shortcuts are
// desktop entries kept at their historic file names.

#include "Globals.h"
#include "Platform.h"
#include "yIni.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

namespace drv {

namespace {

bool writeEntry(const QString& path, const QString& body)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    const QByteArray text = (QStringLiteral("[Desktop Entry]\n") + body).toUtf8();
    return f.write(text) == text.size() && f.commit();
}

// Values of desktop entries may not hold line breaks.
QString entryValue(QString v)
{
    v.replace(u'\\', QStringLiteral("\\\\"));
    v.replace(u'\n', QStringLiteral("\\n"));
    v.replace(u'\r', QStringLiteral("\\r"));
    return v;
}

bool writeLink(const QString& path, const QString& name, const QString& target)
{
    return writeEntry(
        path,
        QStringLiteral("Type=Link\nName=%1\nURL=%2\n").arg(entryValue(name), entryValue(target)));
}

QUrl urlOf(const QString& target)
{
    return QUrl::fromUserInput(target, QDir::currentPath(), QUrl::AssumeLocalFile);
}

} // namespace

void yIni::W_Help(const QString& sJob)
{
    const QString L = sUsrFld + sExeNm + QStringLiteral("_help.lnk");
    QString J = sJob.toLower();
    if (!J.contains(u'.')) J += QStringLiteral(".htm");
    const QString U = QString::fromLatin1(kMakerPage) + J;
    if (!writeLink(L, sExeNm + QStringLiteral(" help"), U)) return;
    services().desktop->open(QUrl(U));
}

void yIni::W_HtmView(const QString& sUrl)
{
    // The "Wrk" folder is the user's to make; without it there is nothing to open.
    const QString L = sUsrFld + QStringLiteral("Wrk/htm_view.lnk");
    if (!writeLink(L, QStringLiteral("htm_view"), sUrl)) return;
    services().desktop->open(urlOf(sUrl));
}

void yIni::W_SendTo()
{
    const QString F = FsGtSpFld(9);
    // Without a known applications folder there is no place for the entry.
    if (F.isEmpty()) return;
    QString program = services().program->folder();
    if (!program.endsWith(u'/')) program += u'/';
    const QString E = program + sExeNm;
    QString exec = E;
    exec.replace(u'"', QStringLiteral("\\\""));
    const QString body =
        QStringLiteral("Type=Application\nName=%1\nExec=\"%2\" %f\nTerminal=false\n")
            .arg(entryValue(sExeNm), entryValue(exec));
    if (!writeEntry(F + u'/' + sExeNm + QStringLiteral(".lnk"), body)) return;
    services().dialogs->message(E + QStringLiteral(" のｼｮｰﾄｶｯﾄを ") + F +
                                QStringLiteral(" に作成しました"));
}

void yIni::W_ExpFd(const QString& sFld, bool bOpn)
{
    if (sFld.isEmpty()) return;
    if (bOpn) {
        services().desktop->open(urlOf(sFld));
    } else if (QFileInfo(sFld).isDir()) {
        services().desktop->open(QUrl::fromLocalFile(sFld));
    }
}

} // namespace drv
