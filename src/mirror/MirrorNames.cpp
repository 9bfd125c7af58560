#include "MirrorNames.h"

#include <QRegularExpression>

namespace drv::mirror {

namespace {

// The day's name, then what a tool put between it and ".md".
const QRegularExpression& nameForm()
{
    static const QRegularExpression re(QStringLiteral(R"(^(\d{4}-\d{2}-\d{2})(.*)\.md$)"));
    return re;
}

bool isConflictMark(const QString& mark)
{
    static const QRegularExpression forms[] = {
        // Syncthing: the moment, then the first 7 characters of the device's ID.
        QRegularExpression(QStringLiteral(R"(^\.sync-conflict-\d{8}-\d{6}-[A-Z0-9]{7}$)")),
        // Nextcloud, a user name before the moment when conflicts are uploaded.
        QRegularExpression(
            QStringLiteral(R"(^ \(conflicted copy (.+ )?\d{4}-\d{2}-\d{2} \d{6}\)$)")),
        // ownCloud before Nextcloud's form.
        QRegularExpression(QStringLiteral(R"(^_conflict-\d{8}-\d{6}$)")),
        // Dropbox: the user's or the computer's name, and sometimes the day.
        QRegularExpression(QStringLiteral(R"(^ \([^()]*conflicted copy[^()]*(\(\d+\))?\)$)")),
    };
    for (const QRegularExpression& re : forms)
        if (re.match(mark).hasMatch()) return true;
    return false;
}

} // namespace

QString dayFilePath(const QDate& day)
{
    return day.toString(QStringLiteral("yyyy/yyyy-MM-dd")) + QStringLiteral(".md");
}

NameInfo classifyName(const QString& fileName)
{
    // A day's own name, as nearly every name in the folder is, without a pattern.
    if (fileName.size() == 13 && fileName.endsWith(QLatin1String(".md"))) {
        const QDate day = QDate::fromString(QStringView(fileName).left(10), Qt::ISODate);
        if (day.isValid() && fileName.at(4) == u'-' && fileName.at(7) == u'-')
            return {NameKind::Day, day};
    }
    const QRegularExpressionMatch m = nameForm().match(fileName);
    if (!m.hasMatch()) return {};
    const QDate day = QDate::fromString(m.captured(1), Qt::ISODate);
    if (!day.isValid()) return {};
    const QString mark = m.captured(2);
    if (mark.isEmpty()) return {NameKind::Day, day};
    if (isConflictMark(mark)) return {NameKind::ConflictCopy, day};
    return {};
}

} // namespace drv::mirror
