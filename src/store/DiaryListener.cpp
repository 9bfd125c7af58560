#include "DiaryListener.h"

#include <QList>

namespace drv {

namespace {

QList<DiaryListener*>& listeners()
{
    static QList<DiaryListener*> list;
    return list;
}

} // namespace

void addDiaryListener(DiaryListener* listener)
{
    if (listener && !listeners().contains(listener)) listeners().append(listener);
}

void removeDiaryListener(DiaryListener* listener)
{
    listeners().removeAll(listener);
}

namespace detail {

bool tellOpened(const QString& path, sqlite3* connection)
{
    for (DiaryListener* l : listeners()) {
        if (!l->diaryOpened(path, connection)) return false;
    }
    return true;
}

void tellStatementDone()
{
    for (DiaryListener* l : listeners())
        l->statementDone();
}

void tellClosing()
{
    for (DiaryListener* l : listeners())
        l->diaryClosing();
}

} // namespace detail
} // namespace drv
