#pragma once
// The tools menu's commands: restoring a snapshot, exporting and importing the diary.

#include "Export.h"

#include <QString>

#include <functional>

class QWidget;

namespace drv::keep {

// What the commands need of the main window.
struct MainHooks {
    QWidget* parent = nullptr;
    // Writes the shown entry when it was changed; false when that failed.
    std::function<bool()> saveShown;
    // Closes the listing and the correction window, the latter storing its change;
    // false when one stays open.
    std::function<bool()> closeOthers;
    // Reads the diary again into the window: the calendar's days, the month list and
    // the shown entry.
    std::function<void()> showAgain;
};

void restoreFromSnapshot(const MainHooks& main);
void exportDiary(const MainHooks& main);
void importDiary(const MainHooks& main);

// The list shown before a CP932 export writes "〓" for what it cannot hold.
QString lossReport(const QList<Unencodable>& entries, const QDate& today);

} // namespace drv::keep
