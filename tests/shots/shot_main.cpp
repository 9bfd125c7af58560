// Opens the main window on a small diary in a temporary folder, showing a holiday of a
// month with entries, and saves a picture of it. Run under an X server: shot_main OUT.png

#include "DiaryFile.h"
#include "FakePlatform.h"
#include "Globals.h"
#include "MainWindow.h"
#include "MonthCalendar.h"
#include "fmTxt.h"

#include <QApplication>
#include <QTest>

#include <cstdio>

using namespace drv;

namespace {

void fillDiary()
{
    const QList<QStringList> rows{
        {"261101", "秋の散歩", "川沿いを歩いた。銀杏が色づき始めている。"},
        {"261103", "文化の日",
         "朝から美術館へ。菊の展示は見事だった。\n"
         "帰りに古本屋で句集を一冊買う。\n"
         "\n"
         "夜は栗ご飯。来年も同じ日に同じ道を歩きたい。"},
        {"261107", "立冬", "暦の上では冬。まだ日差しは暖かい。"},
        {"261114", "友人と食事", "駅前の蕎麦屋。新蕎麦の季節。"},
        {"261123", "勤労感謝の日", "家族で大掃除。夕方から雨。"},
        {"261124", "初霜", "庭の草が白かった。"},
        {"261207", "初雪の朝", "窓を開けると一面の雪。"},
    };
    for (const QStringList& r : rows)
        test::put(r[0], r[1], r[2]);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: shot_main OUT.png\n");
        return 2;
    }
    test::FakePlatform fake;
    fake.date = QDate(2026, 11, 24);
    fake.useDiaryFolders();
    sExeNm = QStringLiteral("drvesk");
    bRun = true;
    fillDiary();

    auto* w = test::openMainWindow();
    if (!w) {
        std::fprintf(stderr, "the diary did not open\n");
        return 1;
    }
    if (!QTest::qWaitForWindowExposed(w)) {
        std::fprintf(stderr, "the window was not shown\n");
        return 1;
    }
    // Once shown: the first show places the window as stored.
    w->resize(900, 560);
    w->vCLn->setSelectedDate(QDate(2026, 11, 3));
    w->FillMonthList(false);
    w->ShowEntry();
    QTest::qWait(400); // the count follows on a short timer
    const bool saved = w->grab().save(QString::fromLocal8Bit(argv[1]));

    w->close();
    delete w;
    for (const QString& m : fake.messages)
        std::fprintf(stderr, "%s\n", qPrintable(m));
    return saved && fake.messages.isEmpty() ? 0 : 1;
}
