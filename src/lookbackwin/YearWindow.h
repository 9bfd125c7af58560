#pragma once
// The year at a glance: the year's days shaded by how much was written, the year changed
// with the buttons or PageUp and PageDown, and a click or Return on a day shows it in the
// main window. The window exists once.

#include "SecondaryWindow.h"

#include <QDate>
#include <QWidget>

class QLabel;
class QPushButton;

namespace drv {

class YearView;

class YearWindow final : public QWidget, public OneInstance<YearWindow> {
    Q_OBJECT
    friend class OneInstance<YearWindow>;

public:
    ~YearWindow() override;
    Q_DISABLE_COPY_MOVE(YearWindow)

    // Shows the year of `shown`, the main window's day, outlined and focused, at once with
    // the counts it has; they are read again and shade the days when they arrive.
    void ActYear(const QDate& shown);
    // The main window shows another day: its frame follows, into its year if need be.
    void followShownDay(const QDate& shown);
    // Reads the counts again, as after another program's change.
    void recount() { readCounts(); }
    // Whether the counts asked for have not arrived yet.
    bool countsPending() const { return answered_ != asked_; }

    YearView* vYear = nullptr;
    QPushButton* vPrev = nullptr;
    QPushButton* vNext = nullptr;
    QLabel* vTitle = nullptr;
    QLabel* vCounting = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    YearWindow();
    void Form_Load();
    void yearShown(int year);
    void dayChosen(const QDate& date);
    void readCounts();

    int asked_ = 0, answered_ = 0; // requests for the counts, the latest one shown
    bool counted_ = false;
};

} // namespace drv
