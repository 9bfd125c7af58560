#pragma once
// Characters per month over the years as bars, painted: one row of twelve bars per year,
// all rows on one scale, the newest year on top.

#include "Figures.h"

#include <QWidget>

namespace drv {

class FiguresChart final : public QWidget {
    Q_OBJECT

public:
    explicit FiguresChart(QWidget* parent = nullptr);
    void setFigures(const lookback::DiaryFigures& figures);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    int rowHeight() const;
    int labelWidth() const;

    lookback::DiaryFigures figures_;
    qint64 most_ = 0;
};

} // namespace drv
