#pragma once
// What the in-process benchmarks share: a scratch machine (temporary folders, a fixed
// date, scripted dialogs) with a chosen diary in its data folder, the main window open
// on it, and a way to wait until a widget has painted.

#include <QString>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QWidget;

namespace drv {

class fmTxt;

namespace test {
class FakePlatform;
}

namespace bench {

// Points HOME and the XDG folders at a fresh folder below `root`. Call before Qt starts,
// so that nothing reads or writes the real home folder.
void isolateHome(const QString& root);

class BenchSession {
public:
    BenchSession();
    ~BenchSession();
    BenchSession(const BenchSession&) = delete;
    BenchSession& operator=(const BenchSession&) = delete;

    // Closes any open window and puts a copy of `diary` in the data folder; an empty
    // path leaves no diary there, so the next start copies the empty template.
    bool useDiary(const QString& diary);
    // The main window on the current diary, started and shown when it is not open.
    fmTxt* window();
    // Starts and shows a main window on the current diary; nullptr when it fails.
    fmTxt* openWindow();
    void closeWindow();
    // The diary file in the data folder.
    QString diaryPath() const;
    // Messages the program showed (a failed statement shows one).
    qsizetype messageCount() const;
    QString lastMessage() const;
    // The scratch machine, for the answers of its scripted dialogs.
    test::FakePlatform& machine() { return *fake_; }

private:
    std::unique_ptr<test::FakePlatform> fake_;
    fmTxt* window_ = nullptr;
};

// What a benchmark program's main does around its benchmarks.
struct BenchMain {
    // Options of the program's own, taken out of the command line before Google Benchmark
    // reads it: a prefix such as "--diary=" and where its value goes.
    std::vector<std::pair<const char*, QString*>> options;
    // After the session is made, with the scratch folder: diaries, files, registrations.
    std::function<void(BenchSession& session, const QString& scratch)> setUp;
    // After the benchmarks ran, before the session closes its window.
    std::function<void()> tearDown;
};

// Takes the options out, points the home folder at a scratch folder, starts the
// application on the offscreen platform (unless another is asked for) with its warnings
// about window sizes left out and the program's font substitutes, makes the session, runs
// setUp, the benchmarks the command line picks and tearDown. The exit status: 1 for an
// argument Google Benchmark does not know.
int runBenchmarks(int argc, char** argv, const BenchMain& main);

// Processes events until `widget` has received a paint event, for at most `ms`
// milliseconds; false on time-out. Paint events come only from the event loop, so one
// that arrives here was asked for by what ran before the call.
bool waitForPaint(QWidget* widget, int ms = 5000);

} // namespace bench
} // namespace drv
