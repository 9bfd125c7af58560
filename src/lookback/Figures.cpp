#include "Figures.h"

#include "Runs.h"

#include <algorithm>

namespace drv::lookback {

namespace {

// The days from `first` to `last` that count for the share of a period.
int countedDays(const QDate& first, const QDate& last, const QDate& today, const QDate& lastWritten)
{
    QDate end = std::min(last, std::max(today, lastWritten));
    if (end < first) return 0;
    return int(first.daysTo(end)) + 1;
}

void addDay(PeriodFigures& p, const WrittenDay& d)
{
    ++p.entries;
    p.chars += d.chars;
}

QString line(const QString& label, const PeriodFigures& p)
{
    return QStringLiteral("%1\t%2\t%3\t%4%\t%5\n")
        .arg(label)
        .arg(p.entries)
        .arg(p.chars)
        .arg(QString::number(p.share() * 100, 'f', 1))
        .arg(p.longestRun);
}

} // namespace

DiaryFigures figuresOf(const DiaryDays& days)
{
    DiaryFigures f;
    if (days.isEmpty()) return f;
    const QDate today = days.today();
    const QList<WrittenDay>& all = days.days();
    const int firstYear = all.first().date.year();
    const int lastYear = std::max(all.last().date.year(), today.year());
    for (int y = firstYear; y <= lastYear; ++y) {
        YearFigures yf;
        yf.year = y;
        const QList<WrittenDay> inYear = days.ofYear(y);
        for (const WrittenDay& d : inYear) {
            addDay(yf.total, d);
            addDay(yf.months[d.date.month() - 1], d);
        }
        const QDate lastWritten = inYear.isEmpty() ? QDate() : inYear.last().date;
        yf.total.days = countedDays(QDate(y, 1, 1), QDate(y, 12, 31), today, lastWritten);
        yf.total.longestRun = runsOf(days, QDate(y, 1, 1), QDate(y, 12, 31)).longest;
        for (int m = 1; m <= 12; ++m) {
            const QDate first(y, m, 1);
            const QDate last(y, m, first.daysInMonth());
            PeriodFigures& mf = yf.months[m - 1];
            mf.days = countedDays(first, last, today, lastWritten);
            if (mf.entries > 0) mf.longestRun = runsOf(days, first, last).longest;
        }
        f.total.entries += yf.total.entries;
        f.total.chars += yf.total.chars;
        f.total.days += yf.total.days;
        f.years.append(yf);
    }
    const Runs whole = runsOf(days);
    f.total.longestRun = whole.longest;
    f.currentRun = whole.current;
    return f;
}

QString figuresText(const DiaryFigures& f)
{
    QString t = QStringLiteral("期間\t日記\t文字数\t記入率\t最長連続\n");
    for (const YearFigures& y : f.years) {
        t += line(QStringLiteral("%1年").arg(y.year), y.total);
        for (int m = 0; m < 12; ++m)
            t += line(QStringLiteral("%1年%2月").arg(y.year).arg(m + 1), y.months[m]);
    }
    t += line(QStringLiteral("全体"), f.total);
    t += QStringLiteral("現在の連続\t%1\n").arg(f.currentRun);
    return t;
}

} // namespace drv::lookback
