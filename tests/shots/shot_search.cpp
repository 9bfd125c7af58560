// Opens the listing window for a word on a small diary in a temporary folder and saves
// a picture of it. Run under an X server: shot_search OUT.png

#include "DiaryFile.h"
#include "FakeMainView.h"
#include "MainView.h"
#include "ShotDiary.h"
#include "Store.h"
#include "sbFnd.h"

#include <QApplication>
#include <QTest>

#include <cstdio>

using namespace drv;

namespace {

// Stands in for the main window: a frame for placement and the default-like fonts.
struct ShotView : test::FakeMainView {
    ShotView()
    {
        frame = {0, 0, 900, 760};
        column = {250, 30, 640, 720};
        fonts = {
            {{QStringLiteral("IPAGothic"), 12, true}, {QStringLiteral("IPAGothic"), 11, false}}};
    }
};

bool fillDiary(const QString& path)
{
    const QList<QStringList> rows{
        {"261207", "初雪の朝", "窓を開けると一面の雪。\n駅まで歩くと、雪が靴に入った。"},
        {"261130", "紅葉狩り", "山はまだ赤い。頂上では雪がちらついた。Snow!"},
        {"261115", "", "天気予報に雪だるまの印。"},
        {"251224", "Christmas Eve", "夜に SNOW が降り始めた。雪の匂い。"},
    };
    bool ok = true;
    for (const QStringList& r : rows)
        ok = ok && test::onFile(path, QStringLiteral("insert into tbDoc values(?,?,?)"),
                                {r[0], r[1], r[2]});
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    test::FakePlatform fake;
    if (const int failed = test::openShotDiary(fake, argc, 1, "shot_search OUT.png", fillDiary))
        return failed;
    ShotView view;
    setMainView(&view);

    sbFnd::instance().ActWd(QStringLiteral("雪"));
    sbFnd& w = sbFnd::instance();
    if (!QTest::qWaitForWindowExposed(&w)) {
        std::fprintf(stderr, "the window was not shown\n");
        return 1;
    }
    QTest::qWait(200);
    const bool saved = w.grab().save(QString::fromLocal8Bit(argv[1]));

    sbFnd::closeIfOpen();
    setMainView(nullptr);
    DbClose();
    for (const QString& m : fake.messages)
        std::fprintf(stderr, "%s\n", qPrintable(m));
    return saved && fake.messages.isEmpty() ? 0 : 1;
}
