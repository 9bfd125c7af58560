#pragma once
// How far the search index has come, in the main window's status bar while it is built or
// catches up in the background. The bar shows only when that takes a while, and goes when
// it is done; nothing waits for it.

#include <QObject>
#include <QTimer>

#include <functional>

class QLabel;
class QMainWindow;
class QProgressBar;
class QWidget;

namespace drv {

class IndexProgress final : public QObject {
    Q_OBJECT

public:
    // relayout is called when the bar came or went and the window's client area changed
    // size with it.
    IndexProgress(QMainWindow* window, std::function<void()> relayout);
    ~IndexProgress() override;
    Q_DISABLE_COPY_MOVE(IndexProgress)

    // What the store tells: entries read out of all; done equal to total when finished.
    void report(int done, int total);
    bool shown() const;

    // How long the work runs before the bar shows.
    static constexpr int kShowAfterMs = 400;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void show();

    QMainWindow* window_;
    QWidget* client_ = nullptr; // the window's client area, placed again when the bar comes
    std::function<void()> relayout_;
    QLabel* label_ = nullptr;
    QProgressBar* bar_ = nullptr;
    bool hideAfter_ = false; // the status bar was hidden before the progress came
    QTimer delay_;
    int done_ = 0, total_ = 0;
};

} // namespace drv
