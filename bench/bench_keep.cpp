// Export and import of the largest diary through the main window's tools menu, in every
// format, in-process on the offscreen platform: the whole command as the user starts
// it (its questions answered from a script), and how long the window went without
// seeing its events meanwhile.
//
//   bench_keep --diary=LARGEST.mdb [benchmark flags]
//
// LARGEST is the 100-year diary made by gen_diary. Import goes into an empty diary each
// time, its search index kept in its own file beside it.

#include "BenchSession.h"
#include "GapMeter.h"
#include "KeepAsk.h"
#include "Statements.h"
#include "Store.h"
#include "fmTxt.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include <benchmark/benchmark.h>

using namespace drv;
using namespace drv::keep;

namespace {

bench::BenchSession* g_session = nullptr;
QString g_largest;
QString g_files; // the exported files, one per format

struct Kind {
    const char* name;
    Format format;
    Encoding encoding;
    const char* file;
};

const Kind kKinds[] = {
    {"text_utf8", Format::Text, Encoding::Utf8, "diary-utf8.txt"},
    {"text_cp932", Format::Text, Encoding::Cp932, "diary-cp932.txt"},
    {"markdown", Format::Markdown, Encoding::Utf8, "diary.md"},
    {"json", Format::Json, Encoding::Utf8, "diary.json"},
};

class ScriptedAsk final : public KeepAsk {
public:
    bool chooseSnapshot(QWidget*, const QList<SnapshotChoice>&, int&) override { return false; }
    bool chooseExport(QWidget*, ExportOptions& o, QString& path) override
    {
        o = options;
        path = file;
        return true;
    }
    bool chooseImport(QWidget*, QString& path, Format& format) override
    {
        path = file;
        format = options.format;
        return true;
    }
    bool resolveConflicts(QWidget*, const ImportPlan&, QList<Resolution>&) override
    {
        return false; // an empty diary has none
    }
    ExportOptions options;
    QString file;
};

ScriptedAsk g_ask;

fmTxt* windowOn(const QString& diary, benchmark::State& state)
{
    if (!g_session->useDiary(diary)) {
        state.SkipWithError("diary missing: give --diary=");
        return nullptr;
    }
    fmTxt* w = g_session->openWindow();
    if (!w) state.SkipWithError("the main window did not start");
    return w;
}

void report(benchmark::State& state, qint64 longestGap, const QString& file,
            const QString& doneSays)
{
    state.counters["longest_gap_ms"] = double(longestGap);
    state.counters["file_MB"] = double(QFileInfo(file).size()) / 1e6;
    // The command ends with its message of how many entries went where.
    static std::string why;
    if (!g_session->lastMessage().contains(doneSays)) {
        why = ("the command ended with: " + g_session->lastMessage()).toStdString();
        state.SkipWithError(why.c_str());
    }
}

void BM_Export(benchmark::State& state, Kind kind)
{
    // One copy of the largest diary serves every export: they do not change it.
    static fmTxt* w = nullptr;
    if (!w) w = windowOn(g_largest, state);
    if (!w) return;
    bench::GapMeter meter;
    qint64 gap = 0;
    g_ask.options = {kind.format, kind.encoding, {}, {}};
    g_ask.file = g_files + QString::fromUtf8(kind.file);
    for (auto _ : state)
        gap = std::max(gap, meter.around([&] { w->mnTool_Click(fmTxt::ExportItem); }));
    report(state, gap, g_ask.file, QStringLiteral("件を"));
}

void BM_Import(benchmark::State& state, Kind kind)
{
    g_ask.options = {kind.format, kind.encoding, {}, {}};
    g_ask.file = g_files + QString::fromUtf8(kind.file);
    if (!QFileInfo::exists(g_ask.file)) {
        state.SkipWithError("run the export first (its file is missing)");
        return;
    }
    bench::GapMeter meter;
    qint64 gap = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fmTxt* w = windowOn(QString(), state);
        if (!w) return;
        state.ResumeTiming();
        gap = std::max(gap, meter.around([&] { w->mnTool_Click(fmTxt::ImportItem); }));
    }
    report(state, gap, g_ask.file, QStringLiteral("読み込みました: 追加 "));
}

void registerAll()
{
    using benchmark::RegisterBenchmark;
    std::vector<benchmark::internal::Benchmark*> all;
    for (const Kind& k : kKinds)
        all.push_back(RegisterBenchmark((std::string("Export/") + k.name).c_str(), BM_Export, k));
    for (const Kind& k : kKinds)
        all.push_back(RegisterBenchmark((std::string("Import/") + k.name).c_str(), BM_Import, k));
    for (benchmark::internal::Benchmark* b : all)
        b->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
}

} // namespace

int main(int argc, char** argv)
{
    return bench::runBenchmarks(argc, argv,
                                {{{"--diary=", &g_largest}},
                                 [](bench::BenchSession& session, const QString& scratch) {
                                     g_files = scratch + QStringLiteral("/files/");
                                     QDir().mkpath(g_files);
                                     g_session = &session;
                                     setKeepAsk(&g_ask);
                                     registerAll();
                                 },
                                 [] { setKeepAsk(nullptr); }});
}
