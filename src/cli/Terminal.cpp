#include "Terminal.h"

#include <QRegularExpression>

#include <cstdio>

namespace drv::cli {

namespace {

void write(std::FILE* to, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
    std::fflush(to);
}

} // namespace

QStringList TerminalDialogs::take()
{
    QStringList lines;
    for (const QString& s : std::as_const(said_))
        lines << oneLine(s);
    said_.clear();
    return lines;
}

QString oneLine(const QString& text)
{
    static const QRegularExpression breaks(QStringLiteral("\\s*[\\r\\n]+\\s*"));
    return text.trimmed().replace(breaks, QStringLiteral(" "));
}

void out(const QString& text)
{
    write(stdout, text);
}

void err(const QString& text)
{
    write(stderr, text);
}

} // namespace drv::cli
