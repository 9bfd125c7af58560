#include "LockWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace drv {

LockWindow::LockWindow(std::function<void()> unlock, std::function<bool()> end)
    : end_(std::move(end))
{
    setObjectName(QStringLiteral("lockWindow"));
    setWindowTitle(QApplication::applicationName());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("日記はロックされています"), this));
    auto* buttons = new QHBoxLayout;
    auto* open = new QPushButton(QStringLiteral("ロックを解除…"), this);
    open->setObjectName(QStringLiteral("unlockButton"));
    open->setDefault(true);
    auto* quit = new QPushButton(QStringLiteral("終了"), this);
    quit->setObjectName(QStringLiteral("endButton"));
    buttons->addStretch();
    buttons->addWidget(open);
    buttons->addWidget(quit);
    layout->addLayout(buttons);
    connect(open, &QPushButton::clicked, this, std::move(unlock));
    connect(quit, &QPushButton::clicked, this, &QWidget::close);
}

void LockWindow::closeEvent(QCloseEvent* event)
{
    // Also a logout's or a signal's close of every window: the program ends as it would
    // unlocked, keeping what was typed.
    if (end_ && end_())
        event->accept();
    else
        event->ignore();
}

} // namespace drv
