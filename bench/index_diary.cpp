// Opens a diary that has no search index the way the program does (DbOpen), which starts
// building it in the background, and tells how long DbOpen took, how long until searches
// used the index, how long until its terms were merged after that, and how large the
// index file (with its log) then is beside the diary.
//
//   index_diary IN.mdb [RUNS]
//
// Each run starts from a fresh copy of IN and an empty cache folder.

#include "BenchSession.h"
#include "FakePlatform.h"
#include "Globals.h"
#include "SearchIndex.h"
#include "Store.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace drv;

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: index_diary IN.mdb [RUNS]\n");
        return 2;
    }
    const QString in = QFile::decodeName(argv[1]);
    const int runs = argc == 3 ? std::max(1, std::atoi(argv[2])) : 1;
    QTemporaryDir scratch;
    bench::isolateHome(scratch.path());
    QCoreApplication app(argc, argv);
    test::FakePlatform fake;
    fake.useDiaryFolders();
    const QString diary = sUsrFld + QStringLiteral("dbVesk.mdb");

    std::vector<double> opened, built, settled;
    qint64 indexSize = 0;
    for (int i = 0; i < runs; ++i) {
        QFile::remove(diary);
        QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)).removeRecursively();
        if (!QFile::copy(in, diary)) {
            std::fprintf(stderr, "index_diary: cannot copy %s\n", argv[1]);
            return 1;
        }
        QFile::setPermissions(diary, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QElapsedTimer timer;
        timer.start();
        const bool ok = DbOpen();
        const qint64 open = timer.nsecsElapsed();
        // Ready when searches use it; settled when the merging after the build has ended.
        while (ok && !hasSearchIndex() && timer.elapsed() < 600000)
            QThread::msleep(5);
        const qint64 all = timer.nsecsElapsed();
        const bool ready = ok && waitForSearchIndex(600000);
        const qint64 merged = timer.nsecsElapsed();
        const QString index = searchIndexPath();
        indexSize = QFileInfo(index).size() + QFileInfo(index + QStringLiteral("-wal")).size();
        DbClose();
        if (!ready || !fake.messages.isEmpty()) {
            std::fprintf(stderr, "index_diary: the index was not built (%s)\n",
                         qPrintable(fake.messages.join(QStringLiteral(" / "))));
            return 1;
        }
        opened.push_back(double(open) / 1e6);
        built.push_back(double(all) / 1e9);
        settled.push_back(double(merged) / 1e9);
        std::printf(
            "run %d: DbOpen returned after %.1f ms, index ready after %.3f s, settled %.3f s\n",
            i + 1, opened.back(), built.back(), merged / 1e9);
    }
    const qint64 size = QFileInfo(in).size();
    const qint64 after = QFileInfo(diary).size();
    std::printf("index_build_median_s=%.3f\nindex_merged_median_s=%.3f\nopen_median_ms=%.1f\n"
                "runs=%d\ndiary_size=%lld\ndiary_size_after=%lld\nindex_size=%lld\n"
                "size_ratio=%.3f\n",
                median(built), median(settled), median(opened), runs, qlonglong(size),
                qlonglong(after), qlonglong(indexSize), double(indexSize) / double(size));
    return 0;
}
