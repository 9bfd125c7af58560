// The month list under the calendar, and the days the calendar shows in bold.

#include "fmTxt.h"

#include "DateKey.h"
#include "Diary.h"
#include "MonthCalendar.h"
#include "MonthListKeys.h"
#include "Platform.h"

#include <QTableWidget>

namespace drv {

void fmTxt::FillMonthList(bool force)
{
    const QString m = DateKey::monthPrefix(vCLn->selectedDate());
    if (m == ListMonth && !force) return;
    ListKeys.clear();
    ListMonth = m;
    QList<DiaryEntry> rows;
    diary::monthEntries(m, rows);
    vSpr->clearContents();
    vSpr->setRowCount(int(rows.size()));
    for (int i = 0; i < rows.size(); ++i) {
        const QString& key = rows[i].skYmn;
        ListKeys += key + u'.';
        vSpr->setItem(i, 0, new QTableWidgetItem(DateKey::display(key)));
        vSpr->setItem(i, 1, new QTableWidgetItem(rows[i].szTtl));
    }
    vSpr->clearSelection();
}

void fmTxt::selectListRow(const QString& key)
{
    const int row = rowOfKey(ListKeys, key);
    if (row == 0) return;
    vSpr->setCurrentCell(row - 1, 0);
    vSpr->selectRow(row - 1);
}

void fmTxt::vCLn_DateClick(const QDate&)
{
    FillMonthList(false);
    ShowEntry();
    // A day that could not be left puts the calendar back; the list follows it.
    if (DateKey::monthPrefix(vCLn->selectedDate()) != ListMonth) {
        FillMonthList(false);
        selectListRow(CurrentKey);
    }
}

void fmTxt::vSpr_Click(int row)
{
    showListRow(row);
}

void fmTxt::showListRow(int row)
{
    const QTableWidgetItem* cell = row >= 0 ? vSpr->item(row, 0) : nullptr;
    const QDate date =
        cell ? DateKey::toDate(DateKey::fromDisplay(cell->text()), services().clock->today())
             : QDate();
    // A row without a date shows the calendar's day again.
    if (date.isValid()) vCLn->setSelectedDate(date);
    ShowEntry();
}

void fmTxt::refreshBoldDays()
{
    if (!DbIsOpen()) return;
    QSet<QDate> bold;
    const QDate first = vCLn->firstShownMonth();
    const QDate today = services().clock->today();
    for (int i = 0; i < vCLn->monthColumns(); ++i) {
        const QString m = DateKey::monthPrefix(first.addMonths(i));
        QStringList keys;
        if (!diary::monthDays(m, keys)) return;
        for (const QString& k : keys)
            bold.insert(DateKey::toDate(k, today));
    }
    vCLn->setBoldDays(bold);
}

void fmTxt::followOtherPrograms()
{
    if (!diary::changedElsewhere()) return;
    FillMonthList(true);
    selectListRow(CurrentKey);
    refreshBoldDays();
    lookbackRecount();
}

} // namespace drv
