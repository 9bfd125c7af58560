// Looking back from the main window: the year at a glance and the diary's figures, and
// the day the year window asks to show.

#include "fmTxt.h"

#include "DateKey.h"
#include "FiguresWindow.h"
#include "MonthCalendar.h"
#include "Platform.h"
#include "YearWindow.h"

namespace drv {

void fmTxt::showLookback(const QString& stem)
{
    const QDate today = services().clock->today();
    QDate shown = DateKey::toDate(CurrentKey, today);
    if (!shown.isValid()) shown = today;
    if (stem == u"一年の一覧")
        YearWindow::instance().ActYear(shown);
    else
        FiguresWindow::instance().ActFigures(shown.year());
}

void fmTxt::closeLookback()
{
    YearWindow::closeIfOpen();
    FiguresWindow::closeIfOpen();
}

void fmTxt::lookbackFollows(const QDate& shown)
{
    if (YearWindow* w = YearWindow::loaded()) w->followShownDay(shown);
}

void fmTxt::lookbackRecount()
{
    if (YearWindow* w = YearWindow::loaded()) w->recount();
}

void fmTxt::showDay(const QDate& date)
{
    if (!date.isValid()) return;
    vCLn->setSelectedDate(date);
    vCLn_DateClick(date);
    activateWindow();
    raise();
}

} // namespace drv
