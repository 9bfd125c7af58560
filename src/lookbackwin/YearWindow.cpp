#include "YearWindow.h"

#include "DiaryDays.h"
#include "Era.h"
#include "MainView.h"
#include "Platform.h"
#include "Shading.h"
#include "YearView.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace drv {

YearWindow::YearWindow()
{
    setObjectName(QStringLiteral("fmYear"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("一年の一覧"));
    vYear = new YearView(this);
    vPrev = new QPushButton(QStringLiteral("◀ 前の年"), this);
    vPrev->setObjectName(QStringLiteral("vPrev"));
    vNext = new QPushButton(QStringLiteral("次の年 ▶"), this);
    vNext->setObjectName(QStringLiteral("vNext"));
    vTitle = new QLabel(this);
    vTitle->setObjectName(QStringLiteral("vTitle"));
    vTitle->setAlignment(Qt::AlignCenter);
    vCounting = new QLabel(this);
    vCounting->setObjectName(QStringLiteral("vCounting"));
    vCounting->setMinimumHeight(vCounting->fontMetrics().height());
    for (QPushButton* b : {vPrev, vNext})
        b->setFocusPolicy(Qt::NoFocus);
    auto* legend = new QLabel(
        QStringLiteral("日ごとの色の濃さ: 書いた文字数（その年の最も長い日記を最も濃く）　"
                       "太枠: 今日　色枠: 表示中の日　PageUp/PageDown: 年を変える　"
                       "Enter: その日を表示"),
        this);
    legend->setWordWrap(true);
    auto* top = new QHBoxLayout;
    top->addWidget(vPrev);
    top->addWidget(vTitle, 1);
    top->addWidget(vNext);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(vYear, 1, Qt::AlignCenter);
    layout->addWidget(vCounting);
    layout->addWidget(legend);
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    connect(vPrev, &QPushButton::clicked, this,
            [this] { vYear->setFocusedDay(vYear->focusedDay().addYears(-1)); });
    connect(vNext, &QPushButton::clicked, this,
            [this] { vYear->setFocusedDay(vYear->focusedDay().addYears(1)); });
    connect(vYear, &YearView::yearChanged, this, &YearWindow::yearShown);
    connect(vYear, &YearView::dayChosen, this, &YearWindow::dayChosen);
}

YearWindow::~YearWindow()
{
    forget(this);
}

void YearWindow::Form_Load()
{
    if (const MainView* view = mainView()) {
        const QRect frame = view->mainFrameGlobal();
        move(frame.topLeft() + QPoint(40, 40));
    }
}

void YearWindow::closeEvent(QCloseEvent* event)
{
    forget(this);
    QWidget::closeEvent(event);
}

void YearWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void YearWindow::ActYear(const QDate& shown)
{
    const QDate today = services().clock->today();
    // Until the first counts arrive the days are there, unshaded.
    if (!counted_) vYear->setDays(lookback::DiaryDays(QList<lookback::WrittenDay>{}, today));
    vYear->setShownDay(shown);
    vYear->setFocusedDay(shown.isValid() ? shown : today);
    yearShown(vYear->year());
    const bool wasShown = isVisible();
    show();
    if (wasShown) raise();
    vYear->setFocus();
    readCounts();
}

void YearWindow::readCounts()
{
    const int asked = ++asked_;
    vCounting->setText(QStringLiteral("文字数を数えています…"));
    // A failure has shown its message; the days read stay.
    lookback::requestDiaryDays(this, [this, asked](const lookback::DiaryDays& days, bool) {
        if (asked < answered_) return; // newer counts are shown already
        answered_ = asked;
        vYear->setDays(days);
        counted_ = true;
        if (!countsPending()) vCounting->clear();
    });
}

void YearWindow::followShownDay(const QDate& shown)
{
    if (!shown.isValid()) return;
    vYear->setShownDay(shown);
    if (shown.year() != vYear->year()) vYear->setFocusedDay(shown);
}

void YearWindow::yearShown(int year)
{
    const QString era = jp::eraDateText(QDate(year, 12, 31));
    const qsizetype cut = era.indexOf(u'年');
    vTitle->setText(cut > 0 ? QStringLiteral("%1年（%2）").arg(year).arg(era.left(cut + 1))
                            : QStringLiteral("%1年").arg(year));
}

void YearWindow::dayChosen(const QDate& date)
{
    vYear->setShownDay(date);
    if (MainView* view = mainView()) view->showDay(date);
}

} // namespace drv
