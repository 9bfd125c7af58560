#pragma once
// The status line under the editor: the shown day in the era calendar with its holiday
// on the left, the entry's character count (and the selection's) on the right.

#include "BackgroundCount.h"

#include <QDate>
#include <QStatusBar>
#include <QTimer>

#include <chrono>
#include <memory>

class QLabel;

namespace drv {

class uTxA;

class EntryStatusBar final : public QStatusBar {
    Q_OBJECT

public:
    EntryStatusBar(uTxA* editor, QWidget* parent,
                   jp::BackgroundCount::Counter counter = jp::countStatusText);
    ~EntryStatusBar() override;
    Q_DISABLE_COPY_MOVE(EntryStatusBar)

    // The day whose entry is now shown.
    void showDay(const QDate& date);

private:
    void scheduleCount();
    void updateCount();

    uTxA* editor_;
    QLabel* date_;
    QLabel* count_;
    // The count runs on a thread of its own. Handing it a long body still copies the text:
    // while typing goes on, the count follows at most once a pause, and the pause grows
    // with the time one copy took.
    QTimer recount_;
    std::chrono::milliseconds pause_{150};
    std::unique_ptr<jp::BackgroundCount> counter_;
};

} // namespace drv
