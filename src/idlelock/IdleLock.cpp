#include "IdleLock.h"

#include "DiaryKeys.h"
#include "LockWindow.h"
#include "Platform.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

#include <algorithm>

namespace drv {

namespace {

const QString kApp = QStringLiteral("drvesk");
const QString kSection = QStringLiteral("Lock");
const QString kName = QStringLiteral("IdleMinutes");

// How soon a lock put off by an open dialog is tried again.
constexpr std::chrono::milliseconds kTryAgainAfter{1000};

bool isInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::InputMethod:
        return true;
    default:
        return false;
    }
}

} // namespace

IdleLock& IdleLock::instance()
{
    static IdleLock* lock = new IdleLock; // lives as long as the application's events
    return *lock;
}

IdleLock::IdleLock()
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &IdleLock::timedOut);
}

IdleLock::~IdleLock() = default;

int IdleLock::storedMinutes()
{
    bool ok = false;
    const int m = services().userStore->read(kApp, kSection, kName).toInt(&ok);
    return ok && m > 0 ? m : 0;
}

void IdleLock::storeMinutes(int minutes)
{
    services().userStore->write(kApp, kSection, kName, QString::number(std::max(0, minutes)));
}

void IdleLock::start(std::chrono::milliseconds idle)
{
    idle_ = idle;
    const bool want = idle.count() > 0;
    if (want && !watching_) qApp->installEventFilter(this);
    if (!want && watching_) qApp->removeEventFilter(this);
    watching_ = want;
    if (want && !locked_)
        timer_.start(idle_);
    else
        timer_.stop();
}

bool IdleLock::eventFilter(QObject* watched, QEvent* event)
{
    if (!locked_ && isInput(event->type())) timer_.start(idle_);
    return QObject::eventFilter(watched, event);
}

void IdleLock::timedOut()
{
    if (locked_ || idle_.count() <= 0) return;
    if (!DbIsEncrypted()) {
        timer_.start(idle_);
        return;
    }
    // Hiding a modal dialog would answer it (Cancel) behind the user's back.
    if (QApplication::activeModalWidget()) {
        timer_.start(std::min(idle_, kTryAgainAfter));
        return;
    }
    lock();
}

void IdleLock::lock()
{
    if (locked_) return;
    timer_.stop();
    locked_ = true;
    while (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    focus_ = QApplication::focusWidget();
    hidden_.clear();
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows) {
        if (!w->isVisible() || w == window_.get()) continue;
        hidden_ << w;
        w->hide();
    }
    if (!window_)
        window_ = std::make_unique<LockWindow>([this] { askToUnlock(); },
                                               [this] { return endProgram(); });
    window_->show();
    window_->raise();
    window_->activateWindow();
    askToUnlock();
}

void IdleLock::raise()
{
    if (!locked_ || !window_) return;
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void IdleLock::askToUnlock()
{
    if (!locked_ || asking_) return;
    asking_ = true;
    Dialogs& dialogs = *services().dialogs;
    bool right = false;
    for (;;) {
        QString typed;
        if (!dialogs.secret(QStringLiteral("日記はロックされています。"
                                           "パスワードを入力してください"),
                            typed))
            break;
        if ((right = isDiaryPassword(typed))) break;
        dialogs.message(QStringLiteral("パスワードが違います"));
    }
    asking_ = false;
    if (right) unlock();
}

void IdleLock::unlock()
{
    locked_ = false;
    if (window_) window_->hide();
    for (const QPointer<QWidget>& w : std::as_const(hidden_))
        if (w) w->show();
    hidden_.clear();
    if (focus_) {
        focus_->activateWindow();
        focus_->setFocus();
    }
    focus_.clear();
    if (watching_) timer_.start(idle_);
}

bool IdleLock::endProgram()
{
    // Also from within the password's prompt, when a logout closes every window.
    if (!end_) return false;
    // The windows close as they would unlocked: the entry is saved, sealed.
    if (!end_()) return false;
    locked_ = false;
    hidden_.clear();
    focus_.clear();
    if (window_) window_->hide();
    return true;
}

} // namespace drv
