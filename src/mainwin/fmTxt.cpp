#include "fmTxt.h"

#include "DateKey.h"
#include "DraftKeeper.h"
#include "DraftSource.h"
#include "EntryStatusBar.h"
#include "Globals.h"
#include "IndexProgress.h"
#include "MainLayout.h"
#include "MirrorKeeper.h"
#include "MonthCalendar.h"
#include "PlaceWarning.h"
#include "Platform.h"
#include "Program.h"
#include "RunningCopy.h"
#include "Store.h"
#include "Twips.h"
#include "sbEdt.h"
#include "sbFnd.h"
#include "uTxA.h"
#include "yIni.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QTableWidget>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <limits>

namespace drv {

namespace {

const QString kDefaultFont = QStringLiteral("ＭＳ Ｐゴシック");

// Column widths in average character widths of the grid's font, never narrower than
// what the column must show in full.
int charWidths(const QWidget* w, double chars, const QString& fits = QString())
{
    const QFontMetrics fm = w->fontMetrics();
    const int wanted = int(std::lround(chars * fm.averageCharWidth()));
    return fits.isEmpty()
               ? wanted
               : std::max(wanted, fm.horizontalAdvance(fits) + 2 * fm.averageCharWidth());
}

// How often the diary is checked for other programs' writes: a pragma, microseconds.
constexpr int kOutsideCheckMs = 1000;

} // namespace

fmTxt::fmTxt(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("fmTxt"));
    buildControls();
    buildMenus();
    for (QWidget* w : client_->findChildren<QWidget*>())
        w->installEventFilter(this);
    buildDrafts();
    setMainView(this);
    // An import from a terminal or a second window may write the diary meanwhile.
    auto* outside = new QTimer(this);
    connect(outside, &QTimer::timeout, this, &fmTxt::followOtherPrograms);
    outside->start(kOutsideCheckMs);
}

fmTxt::~fmTxt()
{
    if (mainView() == this) setMainView(nullptr);
}

void fmTxt::buildControls()
{
    client_ = new QWidget(this);
    setCentralWidget(client_);

    vCLn = new MonthCalendar(client_);
    vCLn->setObjectName(QStringLiteral("vCLn"));
    connect(vCLn, &MonthCalendar::dateClicked, this, &fmTxt::vCLn_DateClick);
    connect(vCLn, &MonthCalendar::visibleMonthsChanged, this, [this] { refreshBoldDays(); });

    vSpr = new QTableWidget(client_);
    vSpr->setObjectName(QStringLiteral("vSpr"));
    vSpr->setColumnCount(2);
    vSpr->setHorizontalHeaderLabels({QStringLiteral("日付"), QStringLiteral("表題")});
    vSpr->verticalHeader()->hide();
    vSpr->verticalHeader()->setDefaultSectionSize(vSpr->fontMetrics().height() + 4);
    vSpr->setSelectionBehavior(QAbstractItemView::SelectRows);
    vSpr->setSelectionMode(QAbstractItemView::SingleSelection);
    vSpr->setEditTriggers(QAbstractItemView::NoEditTriggers);
    vSpr->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(vSpr, &QTableWidget::cellClicked, this, [this](int row, int) { vSpr_Click(row); });
    connect(vSpr, &QTableWidget::customContextMenuRequested, this,
            [this] { menuAt(3)->popup(QCursor::pos()); });

    vTTL = new QLineEdit(client_);
    vTTL->setObjectName(QStringLiteral("vTTL"));
    // A line edit cuts its text at 32,767 characters by default; a longer stored title
    // would be cut short on the next save.
    vTTL->setMaxLength(std::numeric_limits<int>::max());
    connect(vTTL, &QLineEdit::textChanged, this, &fmTxt::vTTL_Change);
    // Enter in the title goes on to the body instead of ending the line.
    connect(vTTL, &QLineEdit::returnPressed, this, [this] { uTxt->setFocus(); });

    uTxt = new uTxA(client_);
    uTxt->setObjectName(QStringLiteral("uTxt"));
    connect(uTxt, &uTxA::eChng, this, [this] { Modified = true; });
    connect(uTxt, &uTxA::ePop, this, &fmTxt::uTxt_ePop);
    connect(uTxt, &uTxA::gotFocus, this, &fmTxt::uTxt_GotFocus);

    // Outside the client area, which only gets lower: the layout stays as it was.
    stLine = new EntryStatusBar(uTxt, this);
    setStatusBar(stLine);
}

double fmTxt::dpi() const
{
    const QScreen* s = screen();
    return s ? s->logicalDotsPerInch() : 96.0;
}

bool fmTxt::Form_Load()
{
    if (!oIni) oIni = new yIni;
    oIni->W_UserData(qintptr(winId()));
    // A diary already open in another copy comes to the front there instead.
    RunningCopy* copy = runningCopy();
    const RunningCopy::Claim claim = copy ? copy->claim(sUsrFld) : RunningCopy::Claim::Held;
    if (claim == RunningCopy::Claim::Refused) return false;
    bool ok = false;
    oIni->GetTxt(sUsrFld + QStringLiteral("User.xml"), ok);

    oIni->GetGtx(QStringLiteral("画面"));
    const int left = oIni->value<int>(QStringLiteral("LEFT"), 0);
    const int top = oIni->value<int>(QStringLiteral("TOP"), 0);
    const int width = oIni->value<int>(QStringLiteral("WIDTH"), 10000);
    const int height = oIni->value<int>(QStringLiteral("HEIGHT"), 10000);
    restoreGeometryTwips(left, top, width, height);

    // The search index is built in the background; its progress shows in the status bar.
    if (!findChild<IndexProgress*>()) new IndexProgress(this, [this] { ArrangeControls(); });
    const bool opened = DbOpen(claim == RunningCopy::Claim::ReadOnly);
    if (!opened) return false;
    if (DbIsHeldElsewhere()) showReadOnly();
    // A live diary in a synced or network folder loses entries: said once per folder.
    place::warnOfPlace(sUsrFld);

    const QDate today = services().clock->today();
    vCLn->setToday(today);
    vCLn->setSelectedDate(today);
    uTxt->cOn();
    RestoreView();
    FillMonthList(false);
    ShowEntry();
    // Today's entry could not be read (the reason was shown): there is no day to write to.
    if (CurrentKey.isEmpty()) {
        DbClose();
        return false;
    }
    uTxt->StSize();
    Modified = false;
    // The mirror folder's first pass runs once the window is up.
    if (!mirror_) mirror_ = new mirror::MirrorKeeper(this, [this] { ShowDiaryAgain(); });
    mirror_->start();
    return true;
}

QString fmTxt::windowTitleFor(const QString& key)
{
    const QString day = DateKey::display(key);
    return DbIsHeldElsewhere() ? day + QStringLiteral("（読み取り専用）") : day;
}

void fmTxt::showReadOnly()
{
    vTTL->setReadOnly(true);
    uTxt->setReadOnly(true);
    // What would write the diary is off; the title says why.
    for (QAction* a :
         {mnFile[SaveItem], mnFile[DeleteItem], mnFile[ChangeDate], mnTool[RestoreItem],
          mnTool[ImportItem], mnTool[EncryptItem], mnTool[PasswordItem], mnTool[KeyringItem]})
        a->setEnabled(false);
}

void fmTxt::restoreGeometryTwips(int left, int top, int width, int height)
{
    const double d = dpi();
    QPoint place(twipsToPixels(left, d), twipsToPixels(top, d));
    const QSize outer(twipsToPixels(width, d), twipsToPixels(height, d));
    // A place on a screen that is no longer there would hide the window.
    const QRect wanted(place, outer);
    const auto screens = QGuiApplication::screens();
    if (!screens.isEmpty() && std::none_of(screens.begin(), screens.end(), [&](QScreen* s) {
            return s->availableGeometry().intersects(wanted);
        }))
        place = screens.first()->availableGeometry().topLeft();
    placement_.place(*this, QRect(place, outer));
}

void fmTxt::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    placement_.shown(*this);
}

QRect fmTxt::outerTwips() const
{
    // A maximised or minimised window keeps the place it will return to.
    QRect r = frameGeometry();
    if (isMaximized() || isMinimized() || isFullScreen()) {
        const QSize frame = frameGeometry().size() - geometry().size();
        r = QRect(normalGeometry().topLeft(), normalGeometry().size() + frame);
    }
    const double d = dpi();
    return QRect(pixelsToTwips(r.x(), d), pixelsToTwips(r.y(), d), pixelsToTwips(r.width(), d),
                 pixelsToTwips(r.height(), d));
}

void fmTxt::RestoreView()
{
    oIni->GetGtx(QStringLiteral("表題Font"));
    FontPreset[0].name = oIni->value<QString>(QStringLiteral("FontName"), kDefaultFont);
    FontPreset[0].size = oIni->value<int>(QStringLiteral("FontSize"), 10);
    FontPreset[0].bold = oIni->value<bool>(QStringLiteral("FontBold"), true);
    oIni->GetGtx(QStringLiteral("文書Font"));
    FontPreset[1].name = oIni->value<QString>(QStringLiteral("FontName"), kDefaultFont);
    FontPreset[1].size = oIni->value<int>(QStringLiteral("FontSize"), 9);
    FontPreset[1].bold = oIni->value<bool>(QStringLiteral("FontBold"), false);
    oIni->GetGtx(QStringLiteral("ｶﾚﾝﾀﾞｰ"));
    const int n = oIni->value<int>(QStringLiteral("列数"), 2);
    SetCalendarColumns(columnsFromSetting(n) - 1, false);
    applyFonts();
}

void fmTxt::applyFonts()
{
    QFont title(FontPreset[0].name);
    title.setPointSize(std::max(1, FontPreset[0].size));
    title.setBold(FontPreset[0].bold);
    vTTL->setFont(title);
    uTxt->setFontName(FontPreset[1].name);
    uTxt->setFontSize(std::max(1, FontPreset[1].size));
    uTxt->setFontBold(FontPreset[1].bold);
    ArrangeControls();
}

void fmTxt::SetCalendarColumns(int index, bool save)
{
    for (int i = 0; i < mnCln.size(); ++i)
        mnCln[i]->setChecked(i == index);
    vCLn->setMonthColumns(index + 1);
    vSpr->setHorizontalScrollBarPolicy(index == 0 ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    vSpr->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    if (save) {
        oIni->GetGtx(QStringLiteral("ｶﾚﾝﾀﾞｰ"));
        oIni->SetVal(QStringLiteral("列数"), index + 1);
        oIni->SetGtx();
    }
    ArrangeControls();
}

void fmTxt::ArrangeControls()
{
    const double d = dpi();
    const QSize cal = vCLn->sizeHint();
    const Arrangement a =
        arrange(pixelsToTwips(client_->width(), d), pixelsToTwips(client_->height(), d),
                pixelsToTwips(cal.width(), d), pixelsToTwips(cal.height(), d),
                pixelsToTwips(vTTL->sizeHint().height(), d));
    if (!a.apply) return;
    auto px = [d](const QRect& r) {
        return QRect(twipsToPixels(r.x(), d), twipsToPixels(r.y(), d), twipsToPixels(r.width(), d),
                     twipsToPixels(r.height(), d));
    };
    vCLn->setGeometry(QRect(px(a.calendar).topLeft(), cal));
    vSpr->setGeometry(px(a.list));
    vTTL->setGeometry(px(a.title));
    uTxt->setGeometry(px(a.editor));
    vSpr->setColumnWidth(0, charWidths(vSpr, 6.87, QStringLiteral("00/00/00")));
    vSpr->setColumnWidth(1, charWidths(vSpr, 30.62));
}

void fmTxt::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (!isMinimized()) ArrangeControls();
}

void fmTxt::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && !isMinimized()) ArrangeControls();
    // Watchers miss events: the mirror folder is looked at whenever the window comes back.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && mirror_ && !unloaded_)
        mirror_->activated();
}

void fmTxt::closeEvent(QCloseEvent* event)
{
    if (unloaded_ || Form_Unload()) {
        event->accept();
    } else {
        event->ignore();
    }
}

bool fmTxt::Form_Unload()
{
    // The close box keeps what was typed, as the exit command does.
    if (!saveBeforeQuit()) return false;
    // The other windows go first, the correction window storing its change, while
    // the store is still open.
    if (!sbEdt::closeIfOpen()) return false;
    sbFnd::closeIfOpen();
    closeLookback();
    if (drafts_) drafts_->finish();
    if (mirror_) mirror_->finish();
    CurrentKey.clear();
    ListMonth.clear();
    ListKeys.clear();
    unloaded_ = true;
    AppEnd(*this);
    return true;
}

void fmTxt::setUndoRedoEnabled(bool undo, bool redo)
{
    if (mnEdit.size() >= 2) {
        mnEdit[0]->setEnabled(undo);
        mnEdit[1]->setEnabled(redo);
    }
}

} // namespace drv

namespace drv {

QRect fmTxt::mainFrameGlobal() const
{
    return frameGeometry();
}

QRect fmTxt::editorColumnGlobal() const
{
    const QRect column = vTTL->geometry().united(uTxt->geometry());
    return QRect(client_->mapToGlobal(column.topLeft()), column.size());
}

FontSetting fmTxt::fontPreset(int index) const
{
    return FontPreset[index == 0 ? 0 : 1];
}

void fmTxt::entryCorrected(const QString& key, const QString& body)
{
    if (mirror_) mirror_->changed();
    // Show the corrected body unless the user is changing this entry here too.
    if (key != CurrentKey || Modified) return;
    uTxt->setText(body);
    Modified = false;
    draft_->shown(vTTL->text(), body);
}

} // namespace drv
