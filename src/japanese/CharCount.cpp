#include "CharCount.h"

#include <QLocale>
#include <QTextBoundaryFinder>

namespace drv::jp {

namespace {

bool showsNothing(char32_t c)
{
    if (QChar::isSpace(c)) return true;
    const QChar::Category cat = QChar::category(c);
    return cat == QChar::Other_Control || cat == QChar::Other_Format;
}

bool showsSomething(QStringView cluster)
{
    for (qsizetype i = 0; i < cluster.size(); ++i) {
        char32_t c = cluster[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < cluster.size() &&
            cluster[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(cluster[i], cluster[i + 1]);
            ++i;
        }
        if (!showsNothing(c)) return true;
    }
    return false;
}

} // namespace

qsizetype countCharacters(QStringView text)
{
    if (text.isEmpty()) return 0;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.data(), text.size());
    qsizetype count = 0;
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end > start; end = finder.toNextBoundary()) {
        if (showsSomething(text.sliced(start, end - start))) ++count;
        start = end;
    }
    return count;
}

QString countText(qsizetype total, qsizetype selected)
{
    const QLocale grouped(QLocale::Japanese, QLocale::Japan);
    const QString all = grouped.toString(qint64(total)) + QStringLiteral(" 文字");
    if (selected <= 0) return all;
    return QStringLiteral("選択 ") + grouped.toString(qint64(selected)) + QStringLiteral(" / ") +
           all;
}

} // namespace drv::jp
