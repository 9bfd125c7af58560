#include "DateAnswer.h"

#include "Era.h"

#include <QRegularExpression>

namespace drv::jp {

namespace {

// The window of the diary's keys (yymmdd): the 100 years ending 20 years after today's.
int lastYearOfWindow(const QDate& today)
{
    return today.year() + 20;
}

int yearInWindow(int yy, const QDate& today)
{
    const int last = lastYearOfWindow(today);
    return last - ((last - yy) % 100 + 100) % 100;
}

bool inWindow(const QDate& date, const QDate& today)
{
    const int last = lastYearOfWindow(today);
    return date.year() > last - 100 && date.year() <= last;
}

// [0-9], not \d: Qt matches \d against every script's digits, which toInt() cannot read.
const QRegularExpression& yearMonthDay()
{
    static const QRegularExpression form(QStringLiteral(
        "^(?:(?<era>[A-Za-z]|(?:(?![元年月日])\\p{Han}){1,4})\\s*(?<eraYear>[0-9]{1,2}|元)"
        "|(?<year>[0-9]{1,4}))"
        "\\s*(?:[/\\-.]|年)\\s*(?<month>[0-9]{1,2})\\s*(?:[/\\-.]|月)\\s*(?<day>[0-9]{1,2})"
        "\\s*日?$"));
    return form;
}

const QRegularExpression& monthDay()
{
    static const QRegularExpression form(
        QStringLiteral("^(?<month>[0-9]{1,2})\\s*(?:[/\\-.]|月)\\s*(?<day>[0-9]{1,2})\\s*日?$"));
    return form;
}

QDate readYearMonthDay(const QRegularExpressionMatch& m, const QDate& today)
{
    const int month = m.captured(u"month").toInt();
    const int day = m.captured(u"day").toInt();
    const QString era = m.captured(u"era");
    if (!era.isEmpty()) {
        const QString y = m.captured(u"eraYear");
        return dateOfEra(era, y == u"元" ? 1 : y.toInt(), month, day);
    }
    const QString y = m.captured(u"year");
    if (y.size() == 3) return {};
    return QDate(y.size() == 4 ? y.toInt() : yearInWindow(y.toInt(), today), month, day);
}

} // namespace

QDate parseDateAnswer(const QString& answer, const QDate& today)
{
    const QString text = answer.normalized(QString::NormalizationForm_KC).trimmed();
    QDate date;
    if (const QRegularExpressionMatch m = yearMonthDay().match(text); m.hasMatch())
        date = readYearMonthDay(m, today);
    else if (const QRegularExpressionMatch md = monthDay().match(text); md.hasMatch())
        date = QDate(today.year(), md.captured(u"month").toInt(), md.captured(u"day").toInt());
    if (!date.isValid() || !inWindow(date, today)) return {};
    return date;
}

} // namespace drv::jp
