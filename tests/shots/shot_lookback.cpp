// Opens the year at a glance and the diary's figures on a made-up diary of three years in
// a temporary folder and saves a picture of each. Run under an X server:
// shot_lookback YEAR.png FIGURES.png

#include "DiaryFile.h"
#include "FakeMainView.h"
#include "FakePlatform.h"
#include "FiguresWindow.h"
#include "Globals.h"
#include "SearchIndex.h"
#include "Store.h"
#include "YearWindow.h"

#include <QApplication>
#include <QFile>
#include <QTest>

#include <cstdio>

using namespace drv;

namespace {

// Days from 2024-01-01 to today, most of them written, of lengths that vary with the day;
// a few weeks left out here and there.
bool fillDiary()
{
    const QString path = sUsrFld + QStringLiteral("dbVesk.mdb");
    if (!QFile::copy(test::FakePlatform::templatePath(), path)) return false;
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
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
    if (argc < 3) {
        std::fprintf(stderr, "usage: shot_lookback YEAR.png FIGURES.png\n");
        return 2;
    }
    test::FakePlatform fake;
    fake.useDiaryFolders();
    bRun = true;
    if (!fillDiary() || !DbOpen()) {
        std::fprintf(stderr, "cannot make the diary\n");
        return 1;
    }
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
