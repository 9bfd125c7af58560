#pragma once
// What the listing and correction windows share: one instance each, made and placed on
// first use, and an outer frame size that is applied once the frame is known.

#include <QRect>
#include <QSize>

class QWidget;

namespace drv {

// The one instance of window class W. W makes OneInstance<W> a friend, keeps its
// constructor private, has a Form_Load() that places it, and calls forget(this) when it
// closes or goes.
template <typename W> class OneInstance {
public:
    // The window, loaded (created and placed) on first use.
    static W& instance()
    {
        if (!window_) {
            window_ = new W;
            window_->Form_Load();
        }
        return *window_;
    }
    // The window while it is loaded, or nullptr.
    static W* loaded() { return window_; }
    // Closes the window if it is loaded; false when it refused to close.
    static bool closeIfOpen() { return !window_ || window_->close(); }

protected:
    // Unloaded: the next request makes and places a fresh window.
    static void forget(const W* w)
    {
        if (window_ == w) window_ = nullptr;
    }

private:
    inline static W* window_ = nullptr;
};

// A window placed by its outer frame (in global pixels). Until a window manager frames
// the window, the outer size is the inner one; the first show takes the frame off.
class OuterPlacement {
public:
    void place(QWidget& window, const QRect& outer);
    // From the window's showEvent.
    void shown(QWidget& window);

private:
    QSize pending_;
};

// A caption shown exactly as given: "[*]" in a window title is Qt's modified mark, and a
// doubled one shows literally.
QString literalCaption(const QString& caption);

} // namespace drv
