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

    // Shows the year of `shown`, the main window's day, outlined and focused; the counts
    // are read again.
    void ActYear(const QDate& shown);

    YearView* vYear = nullptr;
    QPushButton* vPrev = nullptr;
    QPushButton* vNext = nullptr;
    QLabel* vTitle = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    YearWindow();
    void Form_Load();
    void yearShown(int year);
    void dayChosen(const QDate& date);
};

} // namespace drv
