#include "FaultExercises.h"

#include "DateKey.h"
#include "DatePrompt.h"
#include "Globals.h"
#include "ListingText.h"
#include "Platform.h"
#include "TextMatch.h"
#include "yIni.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>

namespace drv::test {

namespace {

// Counts the messages shown while it is installed.
class CountingDialogs final : public Dialogs {
public:
    explicit CountingDialogs() : saved_(services().dialogs) { services().dialogs = this; }
    ~CountingDialogs() override { services().dialogs = saved_; }
    Q_DISABLE_COPY_MOVE(CountingDialogs)
    void message(const QString&) override { ++shown; }
    bool confirm(const QString&) override { return ++shown, true; }
    bool prompt(const QString&, const QString&, const QString&, QString&) override { return false; }
    bool chooseFont(QString&, double&, bool&) override { return false; }
    bool chooseSaveFile(const QString&, const QString&, const QString&, QString&) override
    {
        return false;
    }
    int shown = 0;

private:
    Dialogs* saved_;
};

quint32 leadingNumber(const QByteArray& bytes, qsizetype& used)
{
    quint32 n = 0;
    used = std::min<qsizetype>(4, bytes.size());
    std::memcpy(&n, bytes.constData(), size_t(used));
    return n;
}

QString utf16(const QByteArray& bytes)
{
    return QString(reinterpret_cast<const QChar*>(bytes.constData()), bytes.size() / 2);
}

bool cutsPair(const QString& s, qsizetype at)
{
    return at > 0 && at < s.size() && s.at(at - 1).isHighSurrogate() && s.at(at).isLowSurrogate();
}

} // namespace

QString exerciseUserData(const QByteArray& bytes, const QString& programFolder,
                         const QString& dataFolder)
{
    QFile ini(programFolder + QStringLiteral("/UserData.ini"));
    if (!ini.open(QIODevice::WriteOnly | QIODevice::Truncate) || ini.write(bytes) != bytes.size())
        return QStringLiteral("cannot write UserData.ini");
    ini.close();
    CountingDialogs dialogs;
    sExeNm = QStringLiteral("drvesk");
    sUsrFld.clear();
    yIni ini2;
    ini2.W_UserData(0);
    const QString fallback = dataFolder + QStringLiteral("/Orbena/drvesk/");
    if (!sUsrFld.endsWith(u'/')) return QStringLiteral("folder without a final /: ") + sUsrFld;
    if (!QFileInfo(sUsrFld).isDir()) return QStringLiteral("folder does not exist: ") + sUsrFld;
    if (sApFld != programFolder + QStringLiteral("/apData/"))
        return QStringLiteral("sApFld ") + sApFld;
    if (dialogs.shown > 1) return QStringLiteral("more than one message");
    if (dialogs.shown == 1 && sUsrFld != fallback)
        return QStringLiteral("a message, but not the default folder: ") + sUsrFld;
    return {};
}

QString exerciseMatch(const QByteArray& bytes)
{
    if (bytes.size() < 2) return {};
    const QString all = utf16(bytes.mid(2));
    const qsizetype split = qsizetype(quint8(bytes[0]) | quint8(bytes[1]) << 8) % (all.size() + 1);
    const QString text = all.left(split);
    const QString word = all.mid(split);
    const MatchSpan s = findFirst(text, word);
    if (s.found() != matches(text, word)) return QStringLiteral("matches disagrees with findFirst");
    if (!s.found()) return s.length == 0 ? QString() : QStringLiteral("length without a match");
    if (s.start < 0 || s.length < 0 || s.start + s.length > text.size())
        return QStringLiteral("span %1+%2 outside a text of %3")
            .arg(s.start)
            .arg(s.length)
            .arg(text.size());
    if (cutsPair(text, s.start) || cutsPair(text, s.start + s.length))
        return QStringLiteral("span cuts a surrogate pair");
    // What the listing paints red holds the word by itself.
    if (!matches(text.mid(s.start, s.length), word))
        return QStringLiteral("the span alone does not match");
    return {};
}

QString exerciseDateAnswer(const QByteArray& bytes)
{
    qsizetype used = 0;
    const quint32 n = leadingNumber(bytes, used);
    const QDate today = QDate(2000, 1, 1).addDays(n % 36525);
    const QString answer = QString::fromUtf8(bytes.mid(used));
    const QDate d = parseDateAnswer(answer, today);
    if (!d.isValid()) return {};
    const QString key = DateKey::fromDate(d);
    if (!DateKey::isKey(key)) return QStringLiteral("key ") + key;
    if (d.year() >= 1000) {
        const QString written = d.toString(QStringLiteral("yyyy/MM/dd"));
        if (parseDateAnswer(written, today) != d)
            return written + QStringLiteral(" reads back otherwise");
    }
    return {};
}

QString exerciseDateLink(const QByteArray& bytes)
{
    qsizetype used = 0;
    const quint32 n = leadingNumber(bytes, used);
    const QString t = utf16(bytes.mid(used));
    const qsizetype c = qsizetype(n % quint32(t.size() + 3)) - 1; // -1 to size + 1
    const QString key = linkKeyAt(t, c);
    if (key.isEmpty()) return {};
    if (!DateKey::isKey(key)) return QStringLiteral("not a key: ") + key;
    const qsizetype mark = t.lastIndexOf(kLinkMark, c - 1);
    const qsizetype end = t.indexOf(kLinkEnd, c - 1);
    if (end < 0 || mark >= c) return QStringLiteral("no link around the caret");
    if (DateKey::fromDisplay(t.mid(mark + 1, end - mark - 1)) != key)
        return QStringLiteral("key not between the marks");
    return {};
}

} // namespace drv::test
