// The menu bar and its commands; two of its menus double as context menus.

#include "fmTxt.h"

#include "CapStem.h"
#include "Cp932.h"
#include "DateKey.h"
#include "DatePrompt.h"
#include "Diary.h"
#include "Globals.h"
#include "MonthCalendar.h"
#include "Platform.h"
#include "PrintCommand.h"
#include "SetIme.h"
#include "Store.h"
#include "Twips.h"
#include "sbFnd.h"
#include "uTxA.h"
#include "yIni.h"

#include <QActionGroup>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>

namespace drv {

namespace {

struct Item {
    const char* caption; // "-" is a separator
    QKeySequence shortcut = {};
};

// Adds one item array to a menu; each item's click reports its index.
QList<QAction*> addItems(QMenu* menu, std::initializer_list<Item> items,
                         const std::function<void(int)>& click)
{
    QList<QAction*> actions;
    int index = 0;
    for (const Item& it : items) {
        const QString caption = QString::fromUtf8(it.caption);
        QAction* a = caption == u"-" ? menu->addSeparator() : menu->addAction(caption);
        if (caption != u"-") {
            a->setShortcut(it.shortcut);
            QObject::connect(a, &QAction::triggered, menu, [click, index] { click(index); });
        }
        actions << a;
        ++index;
    }
    return actions;
}

} // namespace

QMenu* fmTxt::menuAt(int index) const
{
    return mnJb.value(index);
}

void fmTxt::buildMenus()
{
    QMenuBar* bar = menuBar();
    auto top = [&](const char* caption) {
        QMenu* m = bar->addMenu(QString::fromUtf8(caption));
        mnJb << m;
        return m;
    };
    mnFile = addItems(top("日誌(&F)"),
                      {{"更新(&U)", Qt::Key_F5},
                       {"削除(&D)"},
                       {"-"},
                       {"日記の日付の変更"},
                       {"-"},
                       {"終了(&X)", Qt::Key_F9},
                       {"-"},
                       {"印刷…"}},
                      [this](int i) { mnFile_Click(i); });
    mnEdit = addItems(top("編集(&E)"),
                      {{"元に戻す", QKeySequence(Qt::CTRL | Qt::Key_Z)},
                       {"やり直し", QKeySequence(Qt::CTRL | Qt::Key_Y)},
                       {"ｺﾋﾟｰ", QKeySequence(Qt::CTRL | Qt::Key_C)},
                       {"切り取り", QKeySequence(Qt::CTRL | Qt::Key_X)},
                       {"貼り付け", QKeySequence(Qt::CTRL | Qt::Key_V)},
                       {"-"},
                       {"全て選択", QKeySequence(Qt::CTRL | Qt::Key_A)}},
                      [this](int i) { mnEdit_Click(i); });
    // X11's own redo key redoes too. From the list and the calendar the edit keys act on
    // the body editor; a text box with the focus keeps them (see eventFilter).
    mnEdit[1]->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    mnList = addItems(top("参照(&L)"),
                      {{"検索(&F)", QKeySequence(Qt::CTRL | Qt::Key_F)},
                       {"-"},
                       {"最近の日記(&D)"},
                       {"去年の今頃"},
                       {"おととしの今頃"},
                       {"毎年のこの日(&Y)", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Y)},
                       {"-"},
                       {"一年の一覧(&G)", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G)},
                       {"日記の数字(&N)", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N)}},
                      [this](int i) { mnList_Click(i); });
    mnDay = addItems(top("日付(&D)"),
                     {{"登録されている最初の日"},
                      {"登録されている最後の日"},
                      {"-"},
                      {"本日"},
                      {"去年の同日付"},
                      {"おととしの同日付"}},
                     [this](int i) { mnDay_Click(i); });
    QMenu* settings = top("設定(&U)");
    mnFont =
        addItems(settings, {{"表題のﾌｫﾝﾄ"}, {"文章のﾌｫﾝﾄ"}}, [this](int i) { mnFont_Click(i); });
    QMenu* columns = settings->addMenu(QStringLiteral("ｶﾚﾝﾀﾞｰの列数"));
    columns->setObjectName(QStringLiteral("mnClnd"));
    mnCln = addItems(columns, {{"１列"}, {"２列"}, {"３列"}}, [this](int i) { mnCln_Click(i); });
    for (QAction* a : mnCln)
        a->setCheckable(true);
    mnTool = addItems(top("ﾂｰﾙ(&T)"),
                      {{"ﾊﾞｯｸｱｯﾌﾟから復元…"},
                       {"書き出し…"},
                       {"読み込み…"},
                       {"暗号化…"},
                       {"ﾊﾟｽﾜｰﾄﾞの変更…"},
                       {"ｷｰﾘﾝｸﾞで開く"},
                       {"写しのフォルダー…"},
                       {"自動ロック…"}},
                      [this](int i) { mnTool_Click(i); });
    // Checked while the diary opens from the desktop's keyring; only an encrypted diary can.
    mnTool[KeyringItem]->setCheckable(true);
    connect(mnJb.last(), &QMenu::aboutToShow, this, [this] { showKeyringItem(); });
}

int fmTxt::editKeyItem(const QKeyEvent& key) const
{
    const QKeySequence pressed(key.keyCombination());
    for (int i = 0; i < mnEdit.size(); ++i) {
        if (mnEdit[i]->shortcuts().contains(pressed)) return i;
    }
    return -1;
}

namespace {

// The title box's own undo, redo, copy, cut, paste and select all, for the Edit menu's
// keys (Ctrl+Y and Ctrl+Shift+Z both redo, as they do in the body).
void lineEditAct(QLineEdit* line, const QString& action)
{
    if (action == u"元に戻す")
        line->undo();
    else if (action == u"やり直し")
        line->redo();
    else if (action == u"ｺﾋﾟｰ")
        line->copy();
    else if (action == u"切り取り")
        line->cut();
    else if (action == u"貼り付け")
        line->paste();
    else if (action == u"全て選択")
        line->selectAll();
}

} // namespace

bool fmTxt::eventFilter(QObject* watched, QEvent* event)
{
    const auto type = event->type();
    if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);
    const int item = editKeyItem(*static_cast<QKeyEvent*>(event));
    if (item < 0) return QMainWindow::eventFilter(watched, event);
    // A text box with the focus keeps its editing keys, as in every desktop program: the
    // key is taken from the Edit menu's shortcut and acts on the box itself.
    if (auto* line = qobject_cast<QLineEdit*>(watched)) {
        event->accept();
        if (type == QEvent::KeyPress) lineEditAct(line, CapStem(mnEdit[item]->text()));
        return true;
    }
    // Elsewhere (the list, the calendar), left unaccepted, the key goes on to the Edit
    // menu's shortcut, which acts on the body.
    if (type == QEvent::ShortcutOverride) {
        event->ignore();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void fmTxt::mnFile_Click(int index)
{
    switch (index) {
    case SaveItem:
        SaveEntry(false);
        break;
    case DeleteItem:
        DeleteEntry();
        break;
    case ChangeDate:
        ChangeEntryDate();
        break;
    case ExitItem:
        CloseDiary();
        break;
    case PrintItem:
        // What is typed goes on paper too: a changed entry is saved first.
        if (Modified && !SaveEntry(true)) break;
        print::printDiary(this, DateKey::toDate(CurrentKey, services().clock->today()),
                          FontPreset[1].name, FontPreset[1].size);
        break;
    default:
        break;
    }
}

void fmTxt::mnEdit_Click(int index)
{
    if (index < 0 || index >= mnEdit.size()) return;
    uTxt->txAct(CapStem(mnEdit[index]->text()));
}

void fmTxt::mnList_Click(int index)
{
    if (index < 0 || index >= mnList.size()) return;
    const QString s = CapStem(mnList[index]->text());
    if (s == u"検索") {
        SetIme(1);
        QString word = uTxt->SelText();
        if (word.isEmpty() &&
            !services().dialogs->prompt(QStringLiteral("検索文字を指定して下さい"), QString(),
                                        QString(), word))
            return;
        if (word.isEmpty()) return;
        sbFnd::instance().ActWd(word);
        return;
    }
    if (s == u"一年の一覧" || s == u"日記の数字") {
        showLookback(s);
        return;
    }
    if (CurrentKey.isEmpty()) return;
    if (s == u"最近の日記")
        sbFnd::instance().ActDate(s, CurrentKey);
    else if (s == u"去年の今頃")
        sbFnd::instance().ActDate(s, yearsBackKey(CurrentKey, 1, services().clock->today()));
    else if (s == u"おととしの今頃")
        sbFnd::instance().ActDate(s, yearsBackKey(CurrentKey, 2, services().clock->today()));
    else if (s == u"毎年のこの日")
        sbFnd::instance().ActYears(s, CurrentKey);
}

void fmTxt::mnDay_Click(int index)
{
    QString key;
    switch (index) {
    case FirstDay:
        if (!diary::firstDay(key)) return;
        break;
    case LastDay:
        if (!diary::lastDay(key)) return;
        break;
    case Today:
        key = DateKey::fromDate(services().clock->today());
        break;
    case YearBack:
    case TwoYearsBack:
        key = ShiftYear(CurrentKey, index == YearBack ? -1 : -2);
        break;
    default:
        return;
    }
    // No stored day, or a day the year does not have: nothing changes.
    const QDate date = DateKey::toDate(key, services().clock->today());
    if (!date.isValid()) return;
    vCLn->setSelectedDate(date);
    FillMonthList(false);
    ShowEntry();
}

void fmTxt::mnFont_Click(int index)
{
    if (index < 0 || index > 1) return;
    FontSetting& f = FontPreset[index];
    QString name = f.name;
    double size = f.size;
    bool bold = f.bold;
    if (services().dialogs->chooseFont(name, size, bold)) {
        bool fits = false;
        cp932Encode(name, &fits);
        if (!fits) {
            services().dialogs->message(
                QStringLiteral(
                    "フォント名 %1 には設定ファイル(Shift-JIS)に書けない文字があります。\n"
                    "前のフォントのままにします")
                    .arg(name));
            return;
        }
        f.name = name;
        f.size = roundHalfEven(size);
        f.bold = bold;
    }
    applyFonts();
    oIni->GetGtx(index == 0 ? QStringLiteral("表題Font") : QStringLiteral("文書Font"));
    oIni->SetVal(QStringLiteral("FontName"), f.name);
    oIni->SetVal(QStringLiteral("FontSize"), f.size);
    oIni->SetVal(QStringLiteral("FontBold"), f.bold);
    oIni->SetGtx();
}

void fmTxt::mnCln_Click(int index)
{
    SetCalendarColumns(index, true);
}

} // namespace drv
