#include "FiguresWindow.h"

#include "DiaryDays.h"
#include "FiguresChart.h"
#include "MainView.h"

#include <QApplication>
#include <QBoxLayout>
#include <QClipboard>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QTableWidget>

namespace drv {

namespace {

const QStringList kColumns{QStringLiteral("日記"), QStringLiteral("文字数"),
                           QStringLiteral("記入率"), QStringLiteral("最長連続")};

QTableWidget* table(QWidget* parent, const QString& name)
{
    auto* t = new QTableWidget(0, int(kColumns.size()), parent);
    t->setObjectName(name);
    t->setHorizontalHeaderLabels(kColumns);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    return t;
}

void fillRow(QTableWidget* t, int row, const QString& label, const lookback::PeriodFigures& p)
{
    const QLocale jp(QLocale::Japanese);
    t->setVerticalHeaderItem(row, new QTableWidgetItem(label));
    const QStringList cells{jp.toString(p.entries), jp.toString(p.chars),
                            QStringLiteral("%1%").arg(QString::number(p.share() * 100, 'f', 1)),
                            QStringLiteral("%1日").arg(p.longestRun)};
    for (int c = 0; c < cells.size(); ++c) {
        auto* item = new QTableWidgetItem(cells[c]);
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        t->setItem(row, c, item);
    }
}

} // namespace

FiguresWindow::FiguresWindow()
{
    setObjectName(QStringLiteral("fmFigures"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("日記の数字"));
    vYears = table(this, QStringLiteral("vYears"));
    vMonths = table(this, QStringLiteral("vMonths"));
    vRun = new QLabel(this);
    vRun->setObjectName(QStringLiteral("vRun"));
    vCopy = new QPushButton(QStringLiteral("文字としてコピー"), this);
    vCopy->setObjectName(QStringLiteral("vCopy"));
    vChart = new FiguresChart(this);
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(vChart);
    scroll->setWidgetResizable(true);
    auto* tables = new QSplitter(Qt::Vertical, this);
    tables->addWidget(vYears);
    tables->addWidget(vMonths);
    auto* body = new QSplitter(Qt::Horizontal, this);
    body->addWidget(tables);
    body->addWidget(scroll);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(vRun, 1);
    bottom->addWidget(vCopy);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(body, 1);
    layout->addLayout(bottom);
    connect(vCopy, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(text()); });
    connect(vYears, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (row >= 0 && row < figures_.years.size())
            showMonths(figures_.years.at(figures_.years.size() - 1 - row).year);
    });
}

FiguresWindow::~FiguresWindow()
{
    forget(this);
}

void FiguresWindow::Form_Load()
{
    resize(900, 600);
    if (const MainView* view = mainView()) move(view->mainFrameGlobal().topLeft() + QPoint(60, 60));
}

void FiguresWindow::closeEvent(QCloseEvent* event)
{
    forget(this);
    QWidget::closeEvent(event);
}

QString FiguresWindow::text() const
{
    return lookback::figuresText(figures_);
}

void FiguresWindow::ActFigures(int year)
{
    const int asked = ++asked_;
    const bool now = lookback::requestDiaryDays(
        this, [this, asked, year](const lookback::DiaryDays& days, bool) {
            if (asked < answered_) return; // newer figures are shown already
            answered_ = asked;
            figures_ = lookback::figuresOf(days);
            showFigures(year);
        });
    if (!now) {
        // The figures had so far, or none, until the counts arrive.
        showFigures(year);
        vRun->setText(QStringLiteral("文字数を数えています…"));
    }
    const bool wasShown = isVisible();
    show();
    if (wasShown) raise();
}

void FiguresWindow::showFigures(int year)
{
    // Newest year first, the whole diary last.
    const int n = int(figures_.years.size());
    const QSignalBlocker quiet(vYears);
    vYears->setRowCount(n + 1);
    for (int i = 0; i < n; ++i) {
        const lookback::YearFigures& y = figures_.years.at(n - 1 - i);
        fillRow(vYears, i, QStringLiteral("%1年").arg(y.year), y.total);
    }
    fillRow(vYears, n, QStringLiteral("全体"), figures_.total);
    vRun->setText(QStringLiteral("現在の連続: %1日").arg(figures_.currentRun));
    vChart->setFigures(figures_);
    int row = 0;
    for (int i = 0; i < n; ++i)
        if (figures_.years.at(n - 1 - i).year == year) row = i;
    vYears->setCurrentCell(row, 0);
    showMonths(n > 0 ? figures_.years.at(n - 1 - row).year : year);
}

void FiguresWindow::showMonths(int year)
{
    vMonths->setRowCount(0);
    for (const lookback::YearFigures& y : figures_.years) {
        if (y.year != year) continue;
        vMonths->setRowCount(12);
        for (int m = 0; m < 12; ++m)
            fillRow(vMonths, m, QStringLiteral("%1年%2月").arg(year).arg(m + 1), y.months[m]);
    }
}

} // namespace drv
