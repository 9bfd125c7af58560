#pragma once
// The main window as the listing and correction windows see it: where to place
// themselves, which fonts to use, and whom to tell about a corrected entry.

#include <QRect>
#include <QString>

namespace drv {

struct FontSetting {
    QString name;
    int size = 0;
    bool bold = false;
};

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
};

// The main window while it exists, or nullptr.
MainView* mainView();
void setMainView(MainView* view);

} // namespace drv
