#include "BenchSession.h"

#include "FakePlatform.h"
#include "Globals.h"
#include "fmTxt.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QWidget>

namespace drv::bench {

namespace {

const char* const kCounterName = "benchPaintCounter";

class PaintCounter final : public QObject {
public:
    explicit PaintCounter(QWidget* target) : QObject(target)
    {
        setObjectName(QLatin1String(kCounterName));
        target->installEventFilter(this);
    }
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == parent() && event->type() == QEvent::Paint) ++count;
        return false;
    }
};

} // namespace

void isolateHome(const QString& root)
{
    const QString home = root + QStringLiteral("/home");
    const QString runtime = root + QStringLiteral("/run");
    QDir().mkpath(home);
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("HOME", QFile::encodeName(home));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home + QStringLiteral("/.local/share")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home + QStringLiteral("/.config")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(home + QStringLiteral("/.cache")));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
}

BenchSession::BenchSession() : fake_(std::make_unique<test::FakePlatform>())
{
    // The data folder's name comes from the program name, as at a real start.
    sExeNm = exeStem(fake_->exeName);
    fake_->useDiaryFolders();
}

BenchSession::~BenchSession()
{
    closeWindow();
}

QString BenchSession::diaryPath() const
{
    return sUsrFld + QStringLiteral("dbVesk.mdb");
}

qsizetype BenchSession::messageCount() const
{
    return fake_->messages.size();
}

QString BenchSession::lastMessage() const
{
    return fake_->messages.isEmpty() ? QString() : fake_->messages.last();
}

bool BenchSession::useDiary(const QString& diary)
{
    closeWindow();
    QFile::remove(diaryPath());
    if (diary.isEmpty()) return true;
    return QFile::copy(diary, diaryPath()) &&
           QFile::setPermissions(diaryPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

fmTxt* BenchSession::window()
{
    return window_ ? window_ : openWindow();
}

fmTxt* BenchSession::openWindow()
{
    closeWindow();
    const QString prepared = diaryPath();
    auto* w = new fmTxt;
    // A start that resolved another data folder would time the wrong diary.
    if (!w->Form_Load() || diaryPath() != prepared) {
        delete w;
        return nullptr;
    }
    w->show();
    if (!waitForPaint(w)) {
        delete w;
        return nullptr;
    }
    window_ = w;
    return w;
}

void BenchSession::closeWindow()
{
    if (!window_) return;
    window_->close();
    delete window_;
    window_ = nullptr;
    // Windows closed with the main one are deleted later.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool waitForPaint(QWidget* widget, int ms)
{
    auto* counter =
        widget->findChild<QObject*>(QLatin1String(kCounterName), Qt::FindDirectChildrenOnly);
    auto* paints = counter ? static_cast<PaintCounter*>(counter) : new PaintCounter(widget);
    paints->count = 0;
    QElapsedTimer timer;
    timer.start();
    while (paints->count == 0) {
        if (timer.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return true;
}

} // namespace drv::bench
