#include "Era.h"

#include <QStringList>

#include <unicode/calendar.h>
#include <unicode/dtfmtsym.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <cmath>
#include <cstring>
#include <memory>

namespace drv::jp {

namespace {

constexpr double kMsPerDay = 86400000.0;
constexpr qint64 kJulianDayOf1970 = 2440588;

QString toQString(const icu::UnicodeString& s)
{
    return QString(reinterpret_cast<const QChar*>(s.getBuffer()), s.length());
}

// ICU's calendar objects are not for sharing between threads; each thread has its own.
class JapaneseCalendar {
public:
    JapaneseCalendar()
    {
        UErrorCode status = U_ZERO_ERROR;
        const icu::Locale locale("ja_JP@calendar=japanese");
        std::unique_ptr<icu::Calendar> cal(
            icu::Calendar::createInstance(icu::TimeZone::getGMT()->clone(), locale, status));
        // The pattern only serves to reach the calendar's era names in Japanese.
        const icu::SimpleDateFormat format(icu::UnicodeString(u"G"), locale, status);
        if (U_FAILURE(status) || !cal || std::strcmp(cal->getType(), "japanese") != 0) return;
        int32_t count = 0, narrowCount = 0;
        const icu::UnicodeString* eras = format.getDateFormatSymbols()->getEras(count);
        const icu::UnicodeString* narrow =
            format.getDateFormatSymbols()->getNarrowEras(narrowCount);
        for (int32_t i = 0; i < count; ++i)
            names_.append(toQString(eras[i]));
        for (int32_t i = 0; i < narrowCount; ++i)
            initials_.append(toQString(narrow[i]));
        cal->setLenient(false);
        calendar_ = std::move(cal);
    }

    EraYear eraYearOf(const QDate& date)
    {
        if (!calendar_) return {};
        UErrorCode status = U_ZERO_ERROR;
        calendar_->setTime((date.toJulianDay() - kJulianDayOf1970) * kMsPerDay, status);
        const int era = calendar_->get(UCAL_ERA, status);
        const int year = calendar_->get(UCAL_YEAR, status);
        if (U_FAILURE(status) || era < 0 || era >= names_.size()) return {};
        return {names_[era], year};
    }

    QDate dateOf(QStringView eraName, int year, int month, int day)
    {
        const int era = eraIndex(eraName);
        if (era < 0) return {};
        UErrorCode status = U_ZERO_ERROR;
        calendar_->clear();
        calendar_->set(UCAL_ERA, era);
        calendar_->set(UCAL_YEAR, year);
        calendar_->set(UCAL_MONTH, month - 1);
        calendar_->set(UCAL_DATE, day);
        const UDate t = calendar_->getTime(status);
        if (U_FAILURE(status)) return {};
        const QDate date =
            QDate::fromJulianDay(qint64(std::floor(t / kMsPerDay)) + kJulianDayOf1970);
        // ICU reads a year past the era's end as a year of the next era; such a day is
        // none of the era asked for.
        const EraYear back = eraYearOf(date);
        if (back.era != names_[era] || back.year != year || date.month() != month ||
            date.day() != day)
            return {};
        return date;
    }

private:
    // The latest era first: a name that two eras share means the later one.
    int eraIndex(QStringView name) const
    {
        if (!calendar_ || name.isEmpty()) return -1;
        for (qsizetype i = names_.size() - 1; i >= 0; --i)
            if (names_[i] == name) return int(i);
        if (name.size() != 1 || name[0].unicode() >= 0x80 || !name[0].isLetter()) return -1;
        for (qsizetype i = initials_.size() - 1; i >= 0; --i)
            if (initials_[i].compare(name, Qt::CaseInsensitive) == 0) return int(i);
        return -1;
    }

    std::unique_ptr<icu::Calendar> calendar_;
    QStringList names_;    // by ICU's era number
    QStringList initials_; // "M", "T", "S", "H", "R" for the modern eras
};

JapaneseCalendar& japaneseCalendar()
{
    thread_local JapaneseCalendar calendar;
    return calendar;
}

bool hasEras(const QDate& date)
{
    return date.isValid() && date >= QDate(1873, 1, 1);
}

} // namespace

EraYear eraYearOf(const QDate& date)
{
    if (!hasEras(date)) return {};
    return japaneseCalendar().eraYearOf(date);
}

QString eraDateText(const QDate& date)
{
    const EraYear e = eraYearOf(date);
    if (e.era.isEmpty()) return {};
    static const QString weekdays = QStringLiteral("月火水木金土日");
    const QString year = e.year == 1 ? QStringLiteral("元") : QString::number(e.year);
    return e.era + year + u'年' + QString::number(date.month()) + u'月' +
           QString::number(date.day()) + QStringLiteral("日(") + weekdays[date.dayOfWeek() - 1] +
           u')';
}

QDate dateOfEra(QStringView era, int year, int month, int day)
{
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > 31) return {};
    const QDate date = japaneseCalendar().dateOf(era, year, month, day);
    return hasEras(date) ? date : QDate();
}

} // namespace drv::jp
