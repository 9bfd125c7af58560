#include "Cp932.h"
#include "Globals.h"
#include "Platform.h"
#include "yIni.h"

#include <QDir>
#include <QFileInfo>

namespace drv {

namespace {

const QString kCR = QStringLiteral("\r");

QString withSlash(const QString& folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

// Only the owner may look into the diary's folders.
constexpr QFileDevice::Permissions kPrivate =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

} // namespace

void yIni::W_UserData(qintptr nWhnd)
{
    nHwnd = nWhnd;
    const QString P = withSlash(services().program->folder());
    sApFld = P + QStringLiteral("apData/");

    // Remember where the program lives; write only when it moved.
    const QString E = P + sExeNm;
    const QString app = QStringLiteral("OrbenaTools");
    const QString section = QStringLiteral("Path");
    if (services().userStore->read(app, section, sExeNm).toLower() != E.toLower())
        services().userStore->write(app, section, sExeNm, E);

    sUsrFld = userDataFolder();
    if (!QFileInfo(sUsrFld).isDir()) F_CreateFld(sUsrFld);
}

QString yIni::userDataFolder() const
{
    const QString P = withSlash(services().program->folder());
    const QString D = FsGtSpFld(26) + QStringLiteral("/Orbena/") + sExeNm + u'/';
    QString def = QStringLiteral("%applicaion data%");
    const QString I = P + QStringLiteral("UserData.ini");
    if (!QFileInfo(I).isFile()) {
        services().dialogs->message(I + QStringLiteral(" が見つかりません") + kCR +
                                    QStringLiteral("ﾕｰｻﾞｰﾃﾞｰﾀｰﾌｫﾙﾀﾞは　") + D +
                                    QStringLiteral(" を使用します"));
    } else {
        QString content;
        readCp932File(I, content);
        if (content.isEmpty() || content.front() == u'\r' || content.front() == u'\n') {
            services().dialogs->message(QStringLiteral(" ﾕｰｻﾞｰﾃﾞｰﾀｰﾌｫﾙﾀﾞが定義されていません") +
                                        kCR + D + QStringLiteral(" を使用します"));
        } else {
            def = content;
        }
    }

    const QString low = def.toLower();
    QString folder;
    if (low == u"%app%") {
        folder = P + QStringLiteral("usData/");
    } else if (low == u"%usr%" || low == u"%applicaion data%") {
        folder = D;
    } else if (low == u"%doc" || low == u"%my document%") {
        folder = FsGtSpFld(5) + QStringLiteral("/Orbena/") + sExeNm + u'/';
    } else if (low.startsWith(u'%')) {
        folder = D;
    } else if (QFileInfo(def).isDir()) {
        // File names are case-sensitive here: the folder is used as written.
        folder = withSlash(def);
    } else {
        services().dialogs->message(
            QStringLiteral("ﾌｫﾙﾀﾞ ") + def + QStringLiteral(" が見つかりません") + kCR +
            QStringLiteral("ﾕｰｻﾞｰﾃﾞｰﾀｰﾌｫﾙﾀﾞは　") + D + QStringLiteral(" を使用します"));
        folder = D;
    }
    return folder;
}

QString yIni::FsGtSpFld(int nFlg) const
{
    return services().folders->path(nFlg);
}

void yIni::F_CreateFld(const QString& sFd) const
{
    if (QFileInfo(sFd).isDir()) return;
    const QString S = withSlash(sFd);
    // A leading "/" is the root, never a folder to create.
    const qsizetype from = S.startsWith(u'/') ? 1 : 0;
    for (qsizetype p = S.indexOf(u'/', from); p >= 0; p = S.indexOf(u'/', p + 1)) {
        const QString prefix = S.left(p);
        if (prefix.isEmpty() || QFileInfo(prefix).isDir()) continue;
        QDir().mkdir(prefix, kPrivate);
    }
}

void yIni::F_ChkSb(const QString& sPh, const QStringList& Ary) const
{
    for (const QString& name : Ary) {
        const QString sub = sPh + name;
        if (!QFileInfo(sub).isDir()) QDir().mkdir(sub, kPrivate);
    }
}

} // namespace drv
