#include "Holidays.h"

#include <algorithm>
#include <vector>

namespace drv::jp {

namespace {

constexpr int kFirstYear = 1948;
constexpr int kLastYear = 2099;
constexpr int kOpen = 9999; // a rule still in force

// A holiday on a fixed day, or on the nth Monday of its month ("Happy Monday"), for
// the years the law gave it that day (the law took effect in 1948; days before
// 1948-07-20 are dropped below).
struct Rule {
    const char16_t* name;
    int from, to;
    int month;
    int day;    // 0: on a Monday
    int monday; // which Monday of the month
};

// clang-format off
constexpr Rule kRules[] = {
    {u"元日",         1948, kOpen,  1,  1, 0},
    {u"成人の日",     1948, 1999,   1, 15, 0},
    {u"成人の日",     2000, kOpen,  1,  0, 2},
    {u"建国記念の日", 1967, kOpen,  2, 11, 0},
    {u"天皇誕生日",   2020, kOpen,  2, 23, 0},
    {u"天皇誕生日",   1948, 1988,   4, 29, 0},
    {u"みどりの日",   1989, 2006,   4, 29, 0},
    {u"昭和の日",     2007, kOpen,  4, 29, 0},
    {u"憲法記念日",   1948, kOpen,  5,  3, 0},
    {u"みどりの日",   2007, kOpen,  5,  4, 0},
    {u"こどもの日",   1948, kOpen,  5,  5, 0},
    {u"海の日",       1996, 2002,   7, 20, 0},
    {u"海の日",       2003, kOpen,  7,  0, 3},
    {u"山の日",       2016, kOpen,  8, 11, 0},
    {u"敬老の日",     1966, 2002,   9, 15, 0},
    {u"敬老の日",     2003, kOpen,  9,  0, 3},
    {u"体育の日",     1966, 1999,  10, 10, 0},
    {u"体育の日",     2000, 2019,  10,  0, 2},
    {u"スポーツの日", 2020, kOpen, 10,  0, 2},
    {u"文化の日",     1948, kOpen, 11,  3, 0},
    {u"勤労感謝の日", 1948, kOpen, 11, 23, 0},
    {u"天皇誕生日",   1989, 2018,  12, 23, 0},
};
// clang-format on

struct Day {
    int year, month, day;
    const char16_t* name;
};

// The Olympic Games of 2020, held in 2021, moved three holidays in each year.
constexpr Day kMoved[] = {
    {2020, 7, 23, u"海の日"}, {2020, 7, 24, u"スポーツの日"}, {2020, 8, 10, u"山の日"},
    {2021, 7, 22, u"海の日"}, {2021, 7, 23, u"スポーツの日"}, {2021, 8, 8, u"山の日"},
};

// Days that laws of their own made holidays once; the rules below treat them as
// holidays of the law.
constexpr Day kOnce[] = {
    {1959, 4, 10, u"結婚の儀"},        {1989, 2, 24, u"大喪の礼"},
    {1990, 11, 12, u"即位礼正殿の儀"}, {1993, 6, 9, u"結婚の儀"},
    {2019, 5, 1, u"休日（祝日扱い）"}, {2019, 10, 22, u"休日（祝日扱い）"},
};

QDate nthMonday(int year, int month, int n)
{
    const QDate first(year, month, 1);
    return first.addDays((8 - first.dayOfWeek()) % 7 + 7 * (n - 1));
}

// The equinox days by the usual fit to the sun's motion, which holds from 1900 to
// 2099. The official day is announced in the February before; past the last one
// announced, the fit's day stands. (Integer division truncates toward zero, as the fit
// for the years before 1980 needs.)
int vernalEquinoxDay(int y)
{
    if (y < 1980) return int(20.8357 + 0.242194 * (y - 1980) - (y - 1983) / 4);
    return int(20.8431 + 0.242194 * (y - 1980) - (y - 1980) / 4);
}

int autumnalEquinoxDay(int y)
{
    if (y < 1980) return int(23.2588 + 0.242194 * (y - 1980) - (y - 1983) / 4);
    return int(23.2488 + 0.242194 * (y - 1980) - (y - 1980) / 4);
}

bool contains(const QList<Holiday>& days, const QDate& date)
{
    return std::any_of(days.begin(), days.end(), [&](const Holiday& h) { return h.date == date; });
}

void sortByDate(QList<Holiday>& days)
{
    std::sort(days.begin(), days.end(),
              [](const Holiday& a, const Holiday& b) { return a.date < b.date; });
}

bool movedIn(int y, const char16_t* name)
{
    return std::any_of(std::begin(kMoved), std::end(kMoved), [&](const Day& d) {
        return d.year == y && QStringView(d.name) == QStringView(name);
    });
}

// The days the law names, with the moved days and the single days.
QList<Holiday> lawDays(int y)
{
    QList<Holiday> days;
    const QDate inForce(1948, 7, 20);
    auto add = [&](const QDate& date, const char16_t* name) {
        if (date >= inForce) days.append({date, QString::fromUtf16(name)});
    };
    for (const Rule& r : kRules) {
        if (y < r.from || y > r.to || movedIn(y, r.name)) continue;
        add(r.day ? QDate(y, r.month, r.day) : nthMonday(y, r.month, r.monday), r.name);
    }
    add(QDate(y, 3, vernalEquinoxDay(y)), u"春分の日");
    add(QDate(y, 9, autumnalEquinoxDay(y)), u"秋分の日");
    for (const Day& d : kMoved)
        if (d.year == y) add(QDate(d.year, d.month, d.day), d.name);
    for (const Day& d : kOnce)
        if (d.year == y) add(QDate(d.year, d.month, d.day), d.name);
    sortByDate(days);
    return days;
}

// 振替休日 (from 1973-04-12): a holiday on a Sunday gives the next day off; from 2007
// the next day that is no holiday of the law.
QList<Holiday> substitutes(const QList<Holiday>& law)
{
    QList<Holiday> days;
    for (const Holiday& h : law) {
        if (h.date.dayOfWeek() != Qt::Sunday || h.date < QDate(1973, 4, 12)) continue;
        QDate d = h.date.addDays(1);
        if (h.date.year() >= 2007)
            while (contains(law, d))
                d = d.addDays(1);
        if (!contains(law, d)) days.append({d, QStringLiteral("振替休日")});
    }
    return days;
}

// 国民の休日 (from 1985-12-27): a day between two holidays of the law is a day off;
// until 2006 not when it was a Sunday or already a 振替休日.
QList<Holiday> daysBetween(const QList<Holiday>& law, const QList<Holiday>& substitute)
{
    QList<Holiday> days;
    for (qsizetype i = 1; i < law.size(); ++i) {
        const QDate mid = law[i - 1].date.addDays(1);
        if (law[i].date != mid.addDays(1) || mid < QDate(1985, 12, 27)) continue;
        if (contains(substitute, mid)) continue;
        if (mid.year() < 2007 && mid.dayOfWeek() == Qt::Sunday) continue;
        days.append({mid, QStringLiteral("休日")});
    }
    return days;
}

QList<Holiday> computeYear(int y)
{
    QList<Holiday> days = lawDays(y);
    const QList<Holiday> substitute = substitutes(days);
    const QList<Holiday> between = daysBetween(days, substitute);
    days += substitute;
    days += between;
    sortByDate(days);
    return days;
}

// Every year is worked out once, on first use: the calendar asks for each day it shows.
const std::vector<QList<Holiday>>& allYears()
{
    static const std::vector<QList<Holiday>> years = [] {
        std::vector<QList<Holiday>> v;
        v.reserve(kLastYear - kFirstYear + 1);
        for (int y = kFirstYear; y <= kLastYear; ++y)
            v.push_back(computeYear(y));
        return v;
    }();
    return years;
}

} // namespace

QList<Holiday> holidaysOfYear(int year)
{
    if (year < kFirstYear || year > kLastYear) return {};
    return allYears()[year - kFirstYear];
}

QString holidayName(const QDate& date)
{
    if (!date.isValid() || date.year() < kFirstYear || date.year() > kLastYear) return {};
    for (const Holiday& h : allYears()[date.year() - kFirstYear])
        if (h.date == date) return h.name;
    return {};
}

} // namespace drv::jp
