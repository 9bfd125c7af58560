#pragma once
// Japan's public holidays, worked out from the holiday law and the laws that added
// single days: 1948-07-20, when the law took effect, to the end of 2099.

#include <QDate>
#include <QList>
#include <QString>

namespace drv::jp {

struct Holiday {
    QDate date;
    QString name;
};

// The holidays of a year in date order; empty for a year outside 1948 to 2099.
QList<Holiday> holidaysOfYear(int year);

// The holiday's name ("元日", "振替休日", "休日" …), empty when the day is none.
QString holidayName(const QDate& date);

} // namespace drv::jp
