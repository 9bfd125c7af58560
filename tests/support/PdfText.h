#pragma once
// The text of a PDF as poppler's pdftotext reads it, page by page, in the order it was
// painted (-raw): vertical columns come out a character a line, so blanks and line ends
// are removed and only the characters' order is left to compare.

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

namespace drv::test {

// Blanks of every width, the ideographic space too.
inline const QRegularExpression& blanks()
{
    static const QRegularExpression re(QStringLiteral("\\s"),
                                       QRegularExpression::UseUnicodePropertiesOption);
    return re;
}

inline QString squeezed(QString s)
{
    return s.remove(blanks());
}

// The text as pdftotext gives it, a form feed after each page; empty when it fails.
inline QString pdfRawText(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), QStringLiteral("-enc"),
                                          QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Each page's text without blanks; empty when pdftotext fails.
inline QStringList pdfPages(const QString& pdf)
{
    QStringList pages = pdfRawText(pdf).split(u'\f');
    if (pages.size() < 2) return {};
    pages.removeLast(); // after the last page's form feed
    for (QString& page : pages)
        page.remove(blanks());
    return pages;
}

} // namespace drv::test
