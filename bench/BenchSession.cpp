#include "BenchSession.h"

#include "FakePlatform.h"
#include "Globals.h"
#include "Program.h"
#include "fmTxt.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <cstring>

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

// The offscreen platform warns on every window it sizes or raises; the timings need no
// such lines.
QtMessageHandler g_standardMessages = nullptr;

void quieterMessages(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (text.startsWith(QLatin1String("This plugin does not support"))) return;
    if (g_standardMessages) g_standardMessages(type, context, text);
}

} // namespace

int runBenchmarks(int argc, char** argv, const BenchMain& main)
{
    std::vector<char*> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        bool own = false;
        for (const auto& [prefix, value] : main.options) {
            const size_t n = std::strlen(prefix);
            if (std::strncmp(argv[i], prefix, n) == 0) {
                *value = QFile::decodeName(argv[i] + n);
                own = true;
            }
        }
        if (!own) rest.push_back(argv[i]);
    }
    QTemporaryDir scratch;
    isolateHome(scratch.path());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    g_standardMessages = qInstallMessageHandler(quieterMessages);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    installFontSubstitutes();
    BenchSession session;
    if (main.setUp) main.setUp(session, scratch.path());
    int benchArgc = int(rest.size());
    benchmark::Initialize(&benchArgc, rest.data());
    if (benchmark::ReportUnrecognizedArguments(benchArgc, rest.data())) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (main.tearDown) main.tearDown();
    session.closeWindow();
    return 0;
}

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
