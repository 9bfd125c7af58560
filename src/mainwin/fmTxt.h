#pragma once
// The main diary window: a month calendar and the month's entries on the left, the
// shown day's title and body on the right.

#include "MainView.h"
#include "SecondaryWindow.h"

#include <QMainWindow>
#include <QSet>

#include <array>
#include <memory>

class QAction;
class QKeyEvent;
class QLineEdit;
class QMenu;
class QTableWidget;

namespace drv::mirror {
class MirrorKeeper;
}

namespace drv {

class DraftKeeper;
class DraftSource;
class EntryStatusBar;
class MonthCalendar;
class uTxA;
struct Draft;

class fmTxt final : public QMainWindow, public MainView {
    Q_OBJECT

public:
    explicit fmTxt(QWidget* parent = nullptr);
    ~fmTxt() override;
    Q_DISABLE_COPY_MOVE(fmTxt)

    // Start-up: data folder, settings, geometry, store, first entry. False when the
    // diary cannot be opened (the reason was shown); the window must not be shown then.
    bool Form_Load();

    void RestoreView();
    void SetCalendarColumns(int index, bool save);
    void ArrangeControls();

    void ShowEntry();
    bool SaveEntry(bool quiet);
    void DeleteEntry();
    void CloseDiary();
    void ChangeEntryDate();
    void FillMonthList(bool force);

    // The items of the file and date menus by their index (separators take one too).
    enum FileItem { SaveItem = 0, DeleteItem = 1, ChangeDate = 3, ExitItem = 5, PrintItem = 7 };
    enum DayItem { FirstDay = 0, LastDay = 1, Today = 3, YearBack = 4, TwoYearsBack = 5 };

    // Once the window is shown: offers back the text that the last run left unsaved, then
    // keeps a draft of every change until it is stored.
    void offerDrafts();
    // Shows the draft's day with the draft's text, as a change. False when the day
    // could not be shown.
    bool restoreDraft(const Draft& draft);
    DraftKeeper* drafts() const { return drafts_.get(); }

    // Menu commands by item index, as the menu bar and the context menus call them.
    void mnFile_Click(int index);
    void mnEdit_Click(int index);
    void mnList_Click(int index);
    // The year at a glance and the figures; closing them before the store closes.
    void showLookback(const QString& stem);
    static void closeLookback();
    // The year at a glance frames the day this window shows.
    static void lookbackFollows(const QDate& shown);
    static void lookbackRecount();
    void mnDay_Click(int index);
    void mnFont_Click(int index);
    void mnCln_Click(int index);
    // The tools menu: restoring a snapshot, export, import, encryption, the mirror folder.
    enum ToolItem {
        RestoreItem = 0,
        ExportItem = 1,
        ImportItem = 2,
        EncryptItem = 3,
        PasswordItem = 4,
        KeyringItem = 5,
        MirrorItem = 6,
        IdleLockItem = 7
    };
    void mnTool_Click(int index);
    // The idle lock's minutes, asked and kept (IdleLock.h).
    void chooseIdleLock();
    void showKeyringItem(); // its check and whether it can be chosen, as the menu opens
    // After the diary changed as a whole (restored, imported): the calendar's days and
    // the month list are read again, and the shown day's entry unless it holds a change.
    void ShowDiaryAgain();

    // Window state.
    QString CurrentKey;
    QString ListMonth;
    QString ListKeys;
    bool Modified = false;
    std::array<FontSetting, 2> FontPreset;

    // The window's outer place and size in twips, as stored at shutdown.
    QRect outerTwips() const;

    // The controls, for the windows placed over this one and for tests.
    MonthCalendar* vCLn = nullptr;
    QTableWidget* vSpr = nullptr;
    QLineEdit* vTTL = nullptr;
    uTxA* uTxt = nullptr;
    EntryStatusBar* stLine = nullptr; // under the editor: the day's era date, the count

    // MainView
    void setUndoRedoEnabled(bool undo, bool redo) override;
    QRect mainFrameGlobal() const override;
    QRect editorColumnGlobal() const override;
    FontSetting fontPreset(int index) const override;
    void entryCorrected(const QString& key, const QString& body) override;
    void showDay(const QDate& date) override;

    QMenu* menuAt(int index) const; // mnJb
    // The mirror folder kept beside this window; null before the load.
    mirror::MirrorKeeper* mirrorKeeper() const { return mirror_; }
    QList<QAction*> mnFile, mnEdit, mnList, mnDay, mnFont, mnCln;
    QList<QAction*> mnTool;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    // The shown day, and that nothing can be written while another copy holds the diary.
    static QString windowTitleFor(const QString& key);
    void showReadOnly();
    void buildMenus();
    int editKeyItem(const QKeyEvent& key) const; // the Edit menu item, or -1
    void applyFonts();
    void restoreGeometryTwips(int left, int top, int width, int height);
    void vCLn_DateClick(const QDate& date);
    void vSpr_Click(int row);
    void vTTL_Change();
    void uTxt_GotFocus();
    void uTxt_ePop();
    void showListRow(int row);
    void selectListRow(const QString& key);
    void refreshBoldDays();
    // Another program wrote to the diary: the list, the bold days and the year at a glance
    // read it again.
    void followOtherPrograms();
    bool Form_Unload();
    // Saves a changed entry quietly; when that fails, asks whether to quit without it.
    bool saveBeforeQuit();
    double dpi() const;
    void buildDrafts();
    bool offerDraft(const Draft& draft);

    QList<QMenu*> mnJb;
    QWidget* client_ = nullptr;
    OuterPlacement placement_; // the stored outer frame, applied once it is known
    bool unloaded_ = false;
    std::unique_ptr<DraftSource> draft_;
    std::unique_ptr<DraftKeeper> drafts_;
    mirror::MirrorKeeper* mirror_ = nullptr;
    void chooseMirror();
};

} // namespace drv
