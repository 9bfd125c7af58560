#pragma once
// The diary's figures: per year, and per month of the chosen year, the entries, the
// characters, the share of days written and the longest run; the current run; a chart of
// characters per month over the years; all of it copied as text. The window exists once.

#include "Figures.h"
#include "SecondaryWindow.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QTableWidget;

namespace drv {

class FiguresChart;

class FiguresWindow final : public QWidget, public OneInstance<FiguresWindow> {
    Q_OBJECT
    friend class OneInstance<FiguresWindow>;

public:
    ~FiguresWindow() override;
    Q_DISABLE_COPY_MOVE(FiguresWindow)

    // Shows the window at once with the figures it has, reads the counts again and shows
    // them when they arrive, the months of `year` below the years.
    void ActFigures(int year);
    // Whether the counts asked for have not arrived yet.
    bool countsPending() const { return answered_ != asked_; }
    // The figures as text, as the copy button puts them on the clipboard.
    QString text() const;

    QTableWidget* vYears = nullptr;
    QTableWidget* vMonths = nullptr;
    QLabel* vRun = nullptr;
    QPushButton* vCopy = nullptr;
    FiguresChart* vChart = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    FiguresWindow();
    void Form_Load();
    void showMonths(int year);
    void showFigures(int year);

    lookback::DiaryFigures figures_;
    int asked_ = 0, answered_ = 0; // requests for the counts, the latest one shown
};

} // namespace drv
