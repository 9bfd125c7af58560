#pragma once
// The correction window: the body of one entry, picked in the listing, in an editor
// of its own. The body is written back when the window closes after a change. The
// window exists once; ActDc loads it when it is not loaded.

#include "SecondaryWindow.h"

#include <QRect>
#include <QWidget>

#include <memory>

namespace drv {

class DraftSource;
class uTxA;

// Where the window goes over the main window (all in global pixels): aligned with the
// main window's editor column, over the lower 70 % of the main window's height.
QRect correctionPlacement(const QRect& mainFrame, const QRect& editorColumn, double dpiY);

// instance(), loaded(), and closeIfOpen() for the program's shutdown, before the store
// closes: it closes the window, saving a change, and is false when the window stays open
// because the change could not be stored.
class sbEdt final : public QWidget, public OneInstance<sbEdt> {
    Q_OBJECT
    friend class OneInstance<sbEdt>;

public:
    ~sbEdt() override;
    Q_DISABLE_COPY_MOVE(sbEdt)

    // Shows the entry of key sDt for correction. A change still pending for the entry
    // shown so far is stored first; when that fails, the window keeps it.
    void ActDc(const QString& sDt);

    QString sYmn;      // the entry being corrected
    bool bChg = false; // the text was changed since ActDc loaded it
    uTxA* uTxt = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    sbEdt();
    void Form_Load();
    void arrange();
    // Stores a pending change. False when the text must stay in the window: the store
    // failed, or the entry is gone and the user keeps the text.
    bool storeChange();
    bool storeFailed_ = false; // the last storeChange failed in the store itself
    std::unique_ptr<DraftSource> draft_;

    OuterPlacement placement_;
};

} // namespace drv
