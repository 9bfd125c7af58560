// Opens a diary that has no search index the way the program does (DbOpen), which
// builds the index, and tells how long that took and how much the file grew.
//
//   index_diary IN.mdb OUT.mdb [RUNS]
//
// Each run starts from a fresh copy of IN; OUT receives the indexed diary of the last.

#include "BenchSession.h"
#include "FakePlatform.h"
#include "Globals.h"
#include "SearchIndex.h"
#include "Store.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace drv;

int main(int argc, char** argv)
{
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: index_diary IN.mdb OUT.mdb [RUNS]\n");
        return 2;
    }
    const QString in = QFile::decodeName(argv[1]);
    const QString out = QFile::decodeName(argv[2]);
    const int runs = argc == 4 ? std::max(1, std::atoi(argv[3])) : 1;
    QTemporaryDir scratch;
    bench::isolateHome(scratch.path());
    QCoreApplication app(argc, argv);
    test::FakePlatform fake;
    fake.useDiaryFolders();
    const QString diary = sUsrFld + QStringLiteral("dbVesk.mdb");

    std::vector<double> seconds;
    for (int i = 0; i < runs; ++i) {
        QFile::remove(diary);
        if (!QFile::copy(in, diary)) {
            std::fprintf(stderr, "index_diary: cannot copy %s\n", argv[1]);
            return 1;
        }
        QFile::setPermissions(diary, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        int steps = 0;
        setSearchIndexProgress([&steps](int, int) { ++steps; });
        QElapsedTimer timer;
        timer.start();
        const bool opened = DbOpen();
        const qint64 ns = timer.nsecsElapsed();
        const bool indexed = opened && hasSearchIndex();
        DbClose();
        if (!indexed || steps == 0 || !fake.messages.isEmpty()) {
            std::fprintf(stderr, "index_diary: the index was not built (%s)\n",
                         qPrintable(fake.messages.join(QStringLiteral(" / "))));
            return 1;
        }
        seconds.push_back(double(ns) / 1e9);
        std::printf("index build run %d: %.3f s\n", i + 1, seconds.back());
    }
    std::vector<double> sorted = seconds;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2];
    const qint64 before = QFileInfo(in).size();
    const qint64 after = QFileInfo(diary).size();
    QFile::remove(out);
    if (!QFile::copy(diary, out)) {
        std::fprintf(stderr, "index_diary: cannot write %s\n", argv[2]);
        return 1;
    }
    std::printf("index_build_median_s=%.3f\nruns=%d\nsize_without_index=%lld\n"
                "size_with_index=%lld\nsize_ratio=%.3f\n",
                median, runs, qlonglong(before), qlonglong(after), double(after) / double(before));
    return 0;
}
