#include "Cp932.h"
#include "Platform.h"
#include "SyncedFile.h"
#include "yIni.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <charconv>
#include <cmath>

// "User.xml" is edited as text, never parsed into a tree: whatever a user or an older version
// put around the items we touch stays byte for byte as it was.
namespace drv {

namespace {

const QString kCRLF = QStringLiteral("\r\n");
constexpr auto kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
const QString kLB = QStringLiteral("‡"); // line-break mark of MakTag
const QString kRoot = QStringLiteral("運用");
const QString kRootEnd = QStringLiteral("</運用>");
const QString kDeclaration = QStringLiteral("<?xml version='1.0' encoding='Shift-JIS' ?>");
const QString kGroupIndent = QStringLiteral("   ");
const QString kItemIndent = QStringLiteral("      ");

QString startTag(const QString& name)
{
    return u'<' + name + u'>';
}

QString endTag(const QString& name)
{
    return QStringLiteral("</") + name + u'>';
}

// Files named "…_DV.xml" belong to the "_dv" build of the program, which shares the plain file.
QString withoutDvSuffix(const QString& path)
{
    const QString dv = QStringLiteral("_DV.xml");
    const qsizetype at = path.indexOf(dv, 0, Qt::CaseInsensitive);
    if (at < 0) return path;
    return path.left(at) + QStringLiteral(".xml") + path.mid(at + dv.size());
}

QString textForm(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::QDate:
        return v.toDate().toString(QStringLiteral("yyyy/MM/dd"));
    case QMetaType::Double:
    case QMetaType::Float: {
        // Plain decimal text with the fewest digits that read back the same, never an
        // exponent; whole numbers as digits alone.
        const double d = v.toDouble();
        return d == 0 ? QStringLiteral("0")
                      : QString::number(d, 'f', QLocale::FloatingPointShortest);
    }
    default:
        return v.toString();
    }
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The decimal number at the start of t ("-12", "9000.5", "1.5E3"; "D" as exponent mark too, as
// older files may hold), copied into ascii in a form std::from_chars reads. Returns how many
// characters of t it covers; 0 when t does not begin with a number.
qsizetype scanNumber(QStringView t, std::string& ascii)
{
    ascii.clear();
    qsizetype i = 0;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) {
        if (t[i] == u'-') ascii += '-';
        ++i;
    }
    bool digits = false;
    for (; i < t.size() && isDigit(t[i]); ++i, digits = true)
        ascii += char(t[i].unicode());
    if (i < t.size() && t[i] == u'.') {
        ascii += '.';
        for (++i; i < t.size() && isDigit(t[i]); ++i, digits = true)
            ascii += char(t[i].unicode());
    }
    if (!digits) return 0;
    if (i < t.size() && QStringView(u"eEdD").contains(t[i])) {
        qsizetype j = i + 1;
        std::string exp = "e";
        if (j < t.size() && (t[j] == u'+' || t[j] == u'-')) {
            if (t[j] == u'-') exp += '-';
            ++j;
        }
        if (j < t.size() && isDigit(t[j])) {
            for (; j < t.size() && isDigit(t[j]); ++j)
                exp += char(t[j].unicode());
            ascii += exp;
            i = j;
        }
    }
    return i;
}

// False when the number does not fit a double: such a value cannot be read.
bool toDouble(const std::string& ascii, double& d)
{
    const auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), d);
    return ec == std::errc() && end == ascii.data() + ascii.size() && std::isfinite(d);
}

// The number a text begins with; blanks, tabs and line feeds anywhere are skipped, and a text
// that does not begin with a number is 0. False only when the number is out of range.
bool leadingNumber(const QString& text, double& d)
{
    QString t = text;
    t.removeIf([](QChar c) { return c == u' ' || c == u'\t' || c == u'\n'; });
    std::string ascii;
    if (scanNumber(t, ascii) == 0) {
        d = 0;
        return true;
    }
    return toDouble(ascii, d);
}

// The words True and False (any case) or a number, 0 being false. False for any other text.
bool toBoolean(const QString& text, bool& b)
{
    const QString t = text.trimmed();
    if (t.compare(u"True", Qt::CaseInsensitive) == 0) {
        b = true;
        return true;
    }
    if (t.compare(u"False", Qt::CaseInsensitive) == 0) {
        b = false;
        return true;
    }
    std::string ascii;
    double d = 0;
    if (t.isEmpty() || scanNumber(t, ascii) != t.size() || !toDouble(ascii, d)) return false;
    b = d != 0;
    return true;
}

QDate toDate(const QString& text)
{
    const QString t = text.trimmed();
    for (const QString& format : {QStringLiteral("yyyy/M/d"), QStringLiteral("yyyy-M-d")}) {
        const QDate d = QDate::fromString(t, format);
        if (d.isValid()) return d;
    }
    return {};
}

} // namespace

void yIni::GetTxt(const QString& sFL, bool& bOk)
{
    bOk = false;
    unreadable_ = false;
    sTxt.clear();
    sFlNm = withoutDvSuffix(sFL);
    const QFileInfo info(sFlNm);
    if (info.exists() && !info.isDir()) {
        QString content;
        // Bytes that are not CP932 come in as replacement characters; the rest is still usable.
        // A file that cannot be read must not be replaced by defaults at the end.
        unreadable_ = !readCp932File(sFlNm, content);
        if (unreadable_) return;
        // An empty first line means the file holds no document.
        if (!content.isEmpty() && content.front() != u'\r' && content.front() != u'\n')
            sTxt = content;
    } else {
        QFile file(sFlNm);
        if (!file.open(QIODevice::WriteOnly)) return;
        file.setPermissions(kOwnerOnly);
    }
    if (sTxt.isEmpty()) sTxt = MakTag(0, kRoot, kCRLF);
    bOk = true;
}

void yIni::GetGtx(const QString& sGp)
{
    sGpNm = sGp;
    sGtx = GetTag(0, sGp);
}

QVariant yIni::vGtVal(const QString& sKy, const QVariant& vDef)
{
    switch (vDef.typeId()) {
    case QMetaType::QString: {
        const QString t = GetTag(1, sKy);
        return t.isEmpty() ? vDef : QVariant(t);
    }
    case QMetaType::Bool: {
        const QString t = GetTag(1, sKy);
        if (t.isEmpty()) return vDef.toBool();
        bool b = false;
        // Any other word is damage: the default stands in for it.
        return toBoolean(t, b) ? b : vDef.toBool();
    }
    case QMetaType::QDate: {
        const QDate d = toDate(GetTag(1, sKy));
        return d.isValid() ? QVariant(d) : vDef;
    }
    default: {
        const QString t = GetTag(1, sKy);
        if (t.isEmpty()) return vDef;
        double d = 0;
        return leadingNumber(t, d) ? QVariant(d) : vDef;
    }
    }
}

void yIni::SetVal(const QString& sKy, const QVariant& vVL)
{
    const qsizetype a = sGtx.indexOf(startTag(sKy));
    if (a >= 0) {
        const qsizetype valueAt = a + sKy.size() + 2;
        const qsizetype e = sGtx.indexOf(endTag(sKy), valueAt);
        if (e >= 0) {
            // Only the old value goes; the item keeps its place and its indentation.
            sGtx = sGtx.left(valueAt) + textForm(vVL) + sGtx.mid(e);
            return;
        }
    }
    sGtx += MakTag(2, sKy, vVL);
}

void yIni::SetGtx()
{
    if (sTxt.isEmpty()) sTxt = MakTag(0, kRoot, kCRLF);
    const QString end = endTag(sGpNm);
    const qsizetype a = sTxt.indexOf(startTag(sGpNm));
    const qsizetype firstEnd = sTxt.indexOf(end);
    const qsizetype afterStart = a + sGpNm.size() + 2;
    const qsizetype b = a >= 0 ? sTxt.indexOf(end, afterStart) : -1;
    if (firstEnd >= 0 && (a < 0 || firstEnd < a)) {
        // An end tag standing before every start tag is what the reader meets first, so the
        // group could never be read again: store it as a new group just before that line.
        const qsizetype line = firstEnd > 0 ? sTxt.lastIndexOf(u'\n', firstEnd - 1) + 1 : 0;
        sTxt = sTxt.left(line) + MakTag(1, sGpNm, sGtx) + sTxt.mid(line);
    } else if (b >= 0 && b - afterStart < 5) {
        // Too short to read (a hand-edited "<g></g>"): rewrite it in the layout the reader
        // needs, so it reads back at once instead of being stored a second time.
        sTxt = sTxt.left(afterStart) + kCRLF + sGtx + kGroupIndent + sTxt.mid(b);
    } else if (b >= 0) {
        // Keep the start line with its CR LF; replace the items and the end tag's indent.
        sTxt = sTxt.left(afterStart + 2) + sGtx + kGroupIndent + sTxt.mid(b);
    } else {
        // A new group goes after every other one.
        const QString block = MakTag(1, sGpNm, sGtx);
        const qsizetype r = sTxt.indexOf(kRootEnd);
        if (r >= 0) {
            sTxt = sTxt.left(r) + block + sTxt.mid(r);
        } else {
            if (!sTxt.endsWith(u'\n')) sTxt += kCRLF;
            sTxt += block;
        }
    }
    // A cut-off file has lost its root end: close the document again.
    if (!sTxt.contains(kRootEnd)) {
        if (!sTxt.endsWith(u'\n')) sTxt += kCRLF;
        sTxt += kRootEnd;
    }
}

void yIni::SetTxt(bool& bOk)
{
    if (sFlNm.isEmpty()) return;
    if (unreadable_ && QFileInfo::exists(sFlNm)) {
        bOk = false;
        return;
    }
    // Written beside the old file, synced, and renamed over it with its folder synced, so
    // neither a crash nor a power cut leaves half a file. Readable by its owner only, like
    // the diary, even where an older file was not: a copied or synced folder keeps each
    // file's own mode.
    bOk = writeSynced(sFlNm, cp932Encode(sTxt));
}

QString yIni::GetTag(int level, const QString& name)
{
    const QString& source = level == 0 ? sTxt : sGtx;
    if (source.isEmpty()) return {};
    const qsizetype a = source.indexOf(startTag(name));
    const qsizetype b = source.indexOf(endTag(name));
    if (a < 0 && b < 0) return {};
    if (a < 0 || b < 0 || a > b) {
        if (Dialogs* dialogs = services().dialogs)
            dialogs->message(u'<' + name + QStringLiteral("> の設定が読み込めません") + u'\r' +
                             QStringLiteral("ﾕｰｻﾞｰ環境ﾌｧｲﾙ(") + sFlNm +
                             QStringLiteral(") が破損しています"));
        return {};
    }
    const qsizetype s = a + name.size() + 2;
    if (level != 0) return b >= s ? source.mid(s, b - s) : QString();
    // A group's items begin after the CR LF of its start line and end before the three spaces
    // that indent its end tag. A group too short for that reads as empty.
    const qsizetype length = b - s - 5;
    return length >= 0 ? source.mid(s + 2, length) : QString();
}

QString yIni::MakTag(int level, const QString& name, const QVariant& value)
{
    const QString v = textForm(value);
    QString t;
    switch (level) {
    case 0:
        t = kDeclaration + kLB + startTag(name) + v + endTag(name);
        break;
    case 1:
        t = kGroupIndent + startTag(name) + kLB + v + kGroupIndent + endTag(name) + kLB;
        break;
    case 2:
        t = kItemIndent + startTag(name) + v + endTag(name) + kLB;
        break;
    default:
        return {};
    }
    // The mark becomes a line break wherever it is, in names and values too.
    return t.replace(kLB, kCRLF);
}

} // namespace drv
