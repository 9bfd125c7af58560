#pragma once
// A logout or "kill" asks the program to end: close the windows the normal way, so
// the entry on screen and the settings are saved as on any other exit.

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace drv {

class QuitOnSignal final : public QObject {
    Q_OBJECT
public:
    // Calls onQuit on the event loop when SIGTERM, SIGINT or SIGHUP arrives.
    explicit QuitOnSignal(std::function<void()> onQuit, QObject* parent = nullptr);
    ~QuitOnSignal() override;
    Q_DISABLE_COPY_MOVE(QuitOnSignal)

private:
    std::function<void()> onQuit_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace drv
