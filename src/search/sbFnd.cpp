#include "sbFnd.h"

#include "CapStem.h"
#include "Diary.h"
#include "ListingView.h"
#include "MainView.h"
#include "Platform.h"
#include "SearchIndex.h"
#include "Store.h"
#include "sbEdt.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

namespace drv {

namespace {

// About what the tallest window shows of a listing.
constexpr qsizetype kFirstCharacters = 8000;

FontSetting presetFont(int index)
{
    if (const MainView* view = mainView()) return view->fontPreset(index);
    const QFont f = QApplication::font();
    return {f.family(), f.pointSize() > 0 ? f.pointSize() : 0, false};
}

QTextCharFormat charFormat(const RunFormat& r)
{
    QTextCharFormat f;
    if (!r.font.isEmpty()) f.setFontFamilies(QStringList{r.font});
    if (r.size > 0) f.setFontPointSize(r.size);
    f.setFontWeight(r.bold ? QFont::Bold : QFont::Normal);
    f.setForeground(QColor(r.colour));
    f.setFontUnderline(r.underline);
    return f;
}

} // namespace

sbFnd::sbFnd()
{
    setObjectName(QStringLiteral("sbFnd"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("全文検索"));
    vDoc = new ListingView(this);
    vDoc->setObjectName(QStringLiteral("vDoc"));
    setCentralWidget(vDoc);
    connect(vDoc, &ListingView::mouseDown, this, &sbFnd::vDoc_MouseDown);
    connect(vDoc, &ListingView::mouseUp, this, &sbFnd::vDoc_MouseUp);
    buildMenus();
}

sbFnd::~sbFnd()
{
    forget(this);
}

void sbFnd::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
    QMenu* edit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
    mnJb = {file, edit};
    mnFile << file->addAction(QStringLiteral("終了(&X)"));
    mnEdit << edit->addAction(QStringLiteral("ｺﾋﾟｰ"));
    mnEdit.last()->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    mnEdit << edit->addAction(QStringLiteral("全て選択"));
    mnEdit.last()->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    mnEdit << edit->addSeparator();
    mnEdit << edit->addAction(QStringLiteral("検索"));
    for (QAction* a : mnFile + mnEdit) {
        if (a->isSeparator()) continue;
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, this, [this, a] { MnuAct(a->text()); });
    }
}

void sbFnd::Form_Load()
{
    const MainView* view = mainView();
    if (!view) {
        resize(640, 720);
        return;
    }
    // Over the main window's editor column, the main window's full height.
    const QRect frame = view->mainFrameGlobal();
    const QRect column = view->editorColumnGlobal();
    const QRect outer(column.left(), frame.top(), column.width(), frame.height());
    placement_.place(*this, outer);
}

void sbFnd::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    placement_.shown(*this);
}

void sbFnd::closeEvent(QCloseEvent* event)
{
    forget(this);
    QMainWindow::closeEvent(event);
}

void sbFnd::setCaption(const QString& caption)
{
    setWindowTitle(literalCaption(caption));
}

void sbFnd::ActDate(const QString& sCp, const QString& sDt)
{
    setCaption(sCp);
    QList<DiaryEntry> rows;
    if (!diary::latestUpTo(sDt, rows)) rows.clear(); // the store has said why
    SetLst(rows, QString());
    showInFront();
}

void sbFnd::ActYears(const QString& sCp, const QString& sDt)
{
    setCaption(sCp);
    QList<DiaryEntry> rows;
    if (!diary::sameDayEveryYear(sDt, rows)) rows.clear();
    SetLst(rows, QString());
    showInFront();
}

void sbFnd::ActWd(const QString& sWd)
{
    setCaption(sWd);
    // The store's word search: its index when the diary has one, else every body.
    QList<DiaryEntry> rows;
    if (!diary::search(sWd, rows)) rows.clear();
    SetLst(rows, sWd);
    showInFront();
}

void sbFnd::showInFront()
{
    // A new window comes up in front anyway; one already open is brought forward.
    const bool shown = isVisible();
    show();
    if (shown) raise();
}

void sbFnd::SetLst(const QList<DiaryEntry>& rows, const QString& word)
{
    // The entries that fill a window are shown first, the whole listing in its place once
    // they are on screen: laying out and painting a window's worth is what takes the
    // time, and building the rest would keep it from the screen.
    qsizetype first = 0;
    for (qsizetype characters = 0; first < rows.size() && characters < kFirstCharacters; ++first)
        characters += rows.at(first).szTtl.size() + rows.at(first).szDoc.size();
    std::function<void()> rest;
    if (first < rows.size()) {
        rest = [this, rows, word] {
            QScrollBar* bar = vDoc->verticalScrollBar();
            const int at = bar->value();
            vDoc->showListing(listing(rows, word));
            bar->setValue(at);
        };
    }
    vDoc->showListing(listing(rows.mid(0, first), word), std::move(rest));
}

QTextDocument* sbFnd::listing(const QList<DiaryEntry>& rows, const QString& word)
{
    // Filled apart from the view, so nothing is laid out run by run: a document with a
    // null page size is not laid out at all, and once shown, the view lays out what is
    // visible first and the rest in the background.
    const QTextDocument* shown = vDoc->document();
    auto* doc = new QTextDocument(vDoc);
    doc->setDefaultFont(shown->defaultFont());
    doc->setDefaultTextOption(shown->defaultTextOption());
    doc->setDocumentMargin(shown->documentMargin());
    doc->setUndoRedoEnabled(false);
    doc->setPageSize(QSizeF(0, 0));
    building_ = doc;
    pen_.take();
    for (const DiaryEntry& e : rows) {
        AddTtl(e.skYmn, e.szTtl, word);
        AddDoc(e.szDoc, word);
    }
    building_ = nullptr;
    return doc;
}

void sbFnd::AddTtl(const QString& key, const QString& title, const QString& word)
{
    pen_.addTitle(key, title, word, presetFont(0));
    render(pen_.take());
}

void sbFnd::AddDoc(const QString& body, const QString& word)
{
    pen_.addBody(body, word, presetFont(1));
    render(pen_.take());
}

void sbFnd::render(const QList<ListingRun>& runs)
{
    QTextCursor c(building_ ? building_ : vDoc->document());
    c.movePosition(QTextCursor::End);
    c.beginEditBlock();
    for (const ListingRun& run : runs)
        c.insertText(run.text, charFormat(run.format));
    c.endEditBlock();
}

void sbFnd::vDoc_MouseDown(Qt::MouseButton button, const QPoint& globalPos)
{
    if (button == Qt::RightButton) mnJb.at(1)->popup(globalPos);
}

void sbFnd::vDoc_MouseUp(Qt::MouseButton button)
{
    if (button == Qt::RightButton) return;
    if (!vDoc->underlineAtCaret()) return;
    const QString key = linkKeyAt(vDoc->wholeText(), vDoc->textCursor().selectionStart());
    if (key.isEmpty()) return;
    sbEdt::instance().ActDc(key);
}

void sbFnd::MnuAct(const QString& caption)
{
    const QString s = CapStem(caption);
    if (s == QStringLiteral("終了")) {
        close();
    } else if (s == QStringLiteral("ｺﾋﾟｰ")) {
        QClipboard* clipboard = QApplication::clipboard();
        clipboard->clear();
        clipboard->setText(vDoc->selectedText());
    } else if (s == QStringLiteral("全て選択")) {
        QClipboard* clipboard = QApplication::clipboard();
        clipboard->clear();
        clipboard->setText(vDoc->wholeText());
    } else if (s == QStringLiteral("検索")) {
        newSearch();
    }
}

void sbFnd::newSearch()
{
    QString word = vDoc->selectedText();
    if (word.isEmpty()) {
        QString answer;
        if (!services().dialogs->prompt(QStringLiteral("検索文字を指定して下さい"), QString(),
                                        QString(), answer))
            return;
        word = answer;
    }
    if (word.isEmpty()) return;
    vDoc->hide();
    ActWd(word);
    vDoc->show();
}

} // namespace drv
