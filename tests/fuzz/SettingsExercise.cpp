#include "SettingsExercise.h"

#include "Cp932.h"
#include "FakePlatform.h"
#include "yIni.h"

#include <QDate>
#include <QFile>
#include <QRegularExpression>

namespace drv::test {

namespace {

// Tag names that occur in the content itself, so that damaged and overlapping tags of any
// name get read and stored, not only the program's own groups and keys.
QStringList namesIn(const QString& text)
{
    static const QRegularExpression tag(QStringLiteral("<([^</>?]{1,12})>"));
    QStringList names;
    for (auto it = tag.globalMatch(text); it.hasNext() && names.size() < 3;) {
        const QString name = it.next().captured(1);
        if (!names.contains(name)) names << name;
    }
    return names;
}

QString readAll(yIni& ini, const QStringList& groups, const QStringList& keys)
{
    for (const QString& group : groups) {
        ini.GetGtx(group);
        for (const QString& key : keys) {
            if (ini.vGtVal(key, QString()).typeId() != QMetaType::QString)
                return QStringLiteral("text read of ") + key + QStringLiteral(" is not text");
            if (ini.vGtVal(key, true).typeId() != QMetaType::Bool)
                return QStringLiteral("boolean read of ") + key + QStringLiteral(" is not bool");
            if (ini.vGtVal(key, QDate(2000, 1, 1)).typeId() != QMetaType::QDate)
                return QStringLiteral("date read of ") + key + QStringLiteral(" is not a date");
            const QVariant n = ini.vGtVal(key, 10000);
            if (n.typeId() != QMetaType::Int && n.typeId() != QMetaType::Double)
                return QStringLiteral("number read of ") + key + QStringLiteral(" is not a number");
            ini.vGtVal(key, 1.5);
            ini.value<int>(key, 2);
            ini.value<float>(key, 2.0f);
        }
    }
    return {};
}

} // namespace

QString exerciseSettingsFile(const QByteArray& bytes, const QString& folder)
{
    const QString path = folder + QStringLiteral("/User.xml");
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return QStringLiteral("cannot prepare ") + path;
    }

    yIni ini;
    bool ok = false;
    ini.GetTxt(folder + QStringLiteral("/User_dv.XML"), ok);
    if (!ok) return QStringLiteral("GetTxt failed");
    if (ini.sFlNm != path) return QStringLiteral("_dv file name not mapped: ") + ini.sFlNm;

    const QStringList found = namesIn(ini.sTxt);
    const QStringList groups =
        QStringList{QStringLiteral("画面"), QStringLiteral("ｶﾚﾝﾀﾞｰ")} + found;
    const QStringList keys = QStringList{QStringLiteral("LEFT"), QStringLiteral("列数")} + found;
    if (QString problem = readAll(ini, groups, keys); !problem.isEmpty()) return problem;

    for (const QString& group : groups) {
        ini.GetGtx(group);
        ini.SetVal(keys.last(), 1200);
        ini.SetVal(QStringLiteral("FontBold"), false);
        ini.SetVal(QStringLiteral("WIDTH"), 9000.5);
        ini.SetVal(QStringLiteral("Memo"), QStringLiteral("a‡b<c>&"));
        ini.SetVal(keys.last(), QStringLiteral("ＭＳ Ｐゴシック"));
        // Whatever the damage, a stored group leaves a closed document. ("‡" in a name turns
        // into a line break, so such a name is not found again as written.)
        const QString start = u'<' + group + u'>';
        ini.SetGtx();
        if (!ini.sTxt.contains(QStringLiteral("</運用>")))
            return QStringLiteral("no root end after storing ") + group;
        if (group.contains(u'‡')) continue;
        if (!ini.sTxt.contains(start))
            return QStringLiteral("group not in the document after storing: ") + group;
        // However damaged it was, a group once stored reads without the damage message.
        if (const auto* fake = dynamic_cast<FakePlatform*>(services().dialogs)) {
            const qsizetype shown = fake->messages.size();
            ini.GetGtx(group);
            if (fake->messages.size() != shown)
                return QStringLiteral("group still damaged after storing: ") + group;
        }
    }

    ini.SetTxt(ok);
    if (!ok) return QStringLiteral("SetTxt failed");
    QFile written(path);
    if (!written.open(QIODevice::ReadOnly)) return QStringLiteral("written file unreadable");
    bool encodable = false;
    const QByteArray expected = cp932Encode(ini.sTxt, &encodable);
    if (written.readAll() != expected) return QStringLiteral("file differs from the document");
    written.close();

    // What was written loads again as the same document, when every character fits CP932.
    const QString before = ini.sTxt;
    ini.GetTxt(path, ok);
    if (!ok) return QStringLiteral("second GetTxt failed");
    if (encodable && ini.sTxt != before) return QStringLiteral("document changed on reload");
    return readAll(ini, groups, keys);
}

} // namespace drv::test
