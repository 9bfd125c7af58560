#pragma once
// What stays on screen while the idle lock holds: the program's name, that the diary is
// locked, a button to unlock it and one to end the program. It shows nothing of the diary.

#include <QWidget>

#include <functional>

namespace drv {

class LockWindow final : public QWidget {
public:
    // `unlock` asks the password; `end` ends the program as its close box does and
    // returns false when the user kept it open (the close box of this window does the same).
    LockWindow(std::function<void()> unlock, std::function<bool()> end);
    Q_DISABLE_COPY_MOVE(LockWindow)

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::function<bool()> end_;
};

} // namespace drv
