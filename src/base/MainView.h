#pragma once
// The main window as the other windows and the body editor see it: where to place
// themselves, which fonts to use, whom to tell about a corrected entry, and whose Edit
// menu a right click in any editor updates. One for the whole program: the main window
// installs itself while it exists.

#include "FontSetting.h"

#include <QDate>
#include <QRect>
#include <QString>

namespace drv {

class MainView {
public:
    virtual ~MainView() = default;
    // The main window's outer frame and its editor column (title box and body), in
    // global screen pixels.
    virtual QRect mainFrameGlobal() const = 0;
    virtual QRect editorColumnGlobal() const = 0;
    // 0: titles, 1: bodies.
    virtual FontSetting fontPreset(int index) const = 0;
    // A correction of key's body was stored.
    virtual void entryCorrected(const QString& key, const QString& body) = 0;
    // Shows a day's entry, as a click on the calendar does.
    virtual void showDay(const QDate& date) = 0;
    // Enables or disables the first two Edit-menu entries ("元に戻す", "やり直し").
    virtual void setUndoRedoEnabled(bool undo, bool redo) = 0;
};

// The main window while it exists, or nullptr; installing nullptr removes it.
MainView* mainView();
void setMainView(MainView* view);

} // namespace drv
