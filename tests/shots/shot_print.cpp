// Prints a small diary in both directions to PDF, for the README's pictures of a page:
// shot_print OUT_DIR makes OUT_DIR/print-horizontal.pdf and OUT_DIR/print-vertical.pdf.

#include "DiaryFile.h"
#include "DiaryFixture.h"
#include "PrintEntries.h"
#include "PrintJob.h"
#include "Store.h"

#include <QGuiApplication>
#include <QPdfWriter>

#include <cstdio>

using namespace drv;

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: shot_print OUT_DIR\n");
        return 2;
    }
    auto fake = test::startDiary();
    if (!DbOpen()) return 1;
    const QList<QStringList> rows{
        {"261101", "秋の散歩",
         "川沿いを歩いた。銀杏が色づき始めている。「もうすぐ冬だね」と妻が言う。ベンチで"
         "コーヒーを飲み、しばらく水面を眺めていた。"},
        {"261103", "文化の日",
         "朝から美術館へ。菊の展示は見事だった——とくに白い大輪の懸崖（けんがい）が。\n"
         "帰りに古本屋で句集を一冊買う。Qt 6の入門書も見つけたが、今日はやめておく。\n"
         "\n"
         "夜は栗ご飯。12月に入ったら、ちょっと早めに年賀状の準備を始めよう。"},
        {"261107", "立冬",
         "暦の上では冬。まだ日差しは暖かい。午後3時、郵便局で切手を買い、ついでに"
         "駅前のパン屋（土曜だけ開く店）でバゲットを二本。"},
        {"261114", "友人と食事",
         "駅前の蕎麦屋。新蕎麦の季節。『今年は早かったね』と店主。"
         "帰り道、ショーウィンドーにクリスマスの飾りが出ていた。"},
    };
    for (const QStringList& r : rows)
        test::put(r[0], r[1], r[2]);
    print::PrintOptions options;
    options.from = QDate(2026, 11, 1);
    options.to = QDate(2026, 11, 30);
    options.paper = print::Paper::A5;
    options.fontFamily = QStringLiteral("IPAGothic");
    options.wareki = true;
    QList<print::PrintEntry> entries;
    if (!print::readEntries(options.from, options.to, entries)) return 1;
    int failed = 0;
    for (auto [direction, name] : {std::pair{print::Direction::Horizontal, "horizontal"},
                                   std::pair{print::Direction::Vertical, "vertical"}}) {
        options.direction = direction;
        const QString path = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/print-") +
                             QLatin1String(name) + QStringLiteral(".pdf");
        QPdfWriter writer(path);
        writer.setResolution(300);
        if (!print::printEntries(entries, options, &writer)) ++failed;
        std::printf("%s\n", qPrintable(path));
    }
    test::endDiary(fake);
    return failed;
}
