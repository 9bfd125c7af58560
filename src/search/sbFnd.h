#pragma once
// The listing window: the latest entries up to a day, or the entries whose body holds
// a word, as one formatted text. A click on an entry's date opens it for correction.
// The window exists once; a request loads it when it is not loaded.

#include "Diary.h"
#include "ListingText.h"
#include "SecondaryWindow.h"

#include <QMainWindow>

class QAction;
class QMenu;
class QTextDocument;

namespace drv {

class ListingView;

// instance(), loaded(), and closeIfOpen() for the program's shutdown.
class sbFnd final : public QMainWindow, public OneInstance<sbFnd> {
    Q_OBJECT
    friend class OneInstance<sbFnd>;

public:
    ~sbFnd() override;
    Q_DISABLE_COPY_MOVE(sbFnd)

    // The latest 50 entries whose key is not after sDt, captioned sCp.
    void ActDate(const QString& sCp, const QString& sDt);
    // Every entry on sDt's month and day in all years, newest first, captioned sCp.
    void ActYears(const QString& sCp, const QString& sDt);
    // The latest 50 entries whose body holds sWd, with sWd highlighted; captioned sWd.
    void ActWd(const QString& sWd);

    // Performs the menu command of that caption (compared by its stem).
    void MnuAct(const QString& caption);

    // Controls, for the main window's tests and this window's.
    ListingView* vDoc = nullptr;
    QList<QMenu*> mnJb;
    QList<QAction*> mnFile, mnEdit;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    sbFnd();
    void buildMenus();
    void Form_Load();
    // Renders the entries of a listing.
    void SetLst(const QList<DiaryEntry>& rows, const QString& word);
    // A document of the view's holding the entries.
    QTextDocument* listing(const QList<DiaryEntry>& rows, const QString& word);
    void AddTtl(const QString& key, const QString& title, const QString& word);
    void AddDoc(const QString& body, const QString& word);
    void render(const QList<ListingRun>& runs);
    void setCaption(const QString& caption);
    void showInFront();
    void vDoc_MouseDown(Qt::MouseButton button, const QPoint& globalPos);
    void vDoc_MouseUp(Qt::MouseButton button);
    void newSearch();

    ListingText pen_;
    QTextDocument* building_ = nullptr; // the listing being filled, not yet shown
    OuterPlacement placement_;
};

} // namespace drv
