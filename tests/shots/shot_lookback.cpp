// Opens the year at a glance and the diary's figures on a made-up diary of three years in
// a temporary folder and saves a picture of each. Run under an X server:
// shot_lookback YEAR.png FIGURES.png

#include "DiaryFile.h"
#include "FakeMainView.h"
#include "FiguresWindow.h"
#include "SearchIndex.h"
#include "ShotDiary.h"
#include "Store.h"
#include "YearWindow.h"

#include <QApplication>
#include <QTest>

#include <cstdio>

using namespace drv;

namespace {

// Days from 2024-01-01 to today, most of them written, of lengths that vary with the day;
// a few weeks left out here and there.
bool fillDiary(const QString& path)
{
    return test::onFile(
        path, QStringLiteral(
                  "with recursive d(n) as (select 0 union all select n + 1 from d where n < 1071) "
                  "insert into tbDoc select substr(strftime('%Y%m%d', '2024-01-01', '+' || n || ' "
                  "days'), 3), "
                  "'日記 ' || n, substr(replace(hex(zeroblob(1000)), '0', 'あ'), 1, "
                  "30 + (n * n * 37) % 900 + (case when n % 7 in (0, 6) then 600 else 0 end)) "
                  "from d where (n * 13) % 9 <> 0 and (n / 20) % 11 <> 3"));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    test::FakePlatform fake;
    if (const int failed =
            test::openShotDiary(fake, argc, 2, "shot_lookback YEAR.png FIGURES.png", fillDiary))
        return failed;
    waitForSearchIndex(60000);
    test::FakeMainView view;
    view.frame = {0, 0, 900, 760};
    setMainView(&view);

    YearWindow& year = YearWindow::instance();
    year.ActYear(QDate(2026, 11, 3));
    FiguresWindow& figures = FiguresWindow::instance();
    figures.ActFigures(2026);
    figures.resize(980, 560);
    if (!QTest::qWaitForWindowExposed(&year) || !QTest::qWaitForWindowExposed(&figures)) {
        std::fprintf(stderr, "the windows were not shown\n");
        return 1;
    }
    QTest::qWait(300);
    const bool saved = year.grab().save(QString::fromLocal8Bit(argv[1])) &&
                       figures.grab().save(QString::fromLocal8Bit(argv[2]));
    YearWindow::closeIfOpen();
    FiguresWindow::closeIfOpen();
    setMainView(nullptr);
    DbClose();
    return saved ? 0 : 1;
}
