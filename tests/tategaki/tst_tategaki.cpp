// The vertical layout's rules, with a font of fixed metrics: every full-width cell 10
// high, every half-width character 5 wide.

#include "Columns.h"
#include "Pages.h"

#include <QRegularExpression>
#include <QTest>

using namespace drv::tate;

namespace {

class FixedMetrics final : public Metrics {
public:
    qreal em() const override { return 10; }
    qreal advance(QStringView text) const override { return 5.0 * text.size(); }
};

QChar codeOf(Placement p)
{
    switch (p) {
    case Placement::Upright:
        return u'U';
    case Placement::Rotated:
        return u'R';
    case Placement::Moved:
        return u'M';
    case Placement::Sideways:
        return u'S';
    case Placement::Across:
        return u'A';
    }
    return u'?';
}

// "あい|うえ": the columns' text; "UU|UU": each glyph's placement, column by column.
void describe(const QList<Column>& columns, QString& text, QString& placements)
{
    QStringList texts, codes;
    for (const Column& c : columns) {
        texts << c.text();
        QString code;
        for (const Glyph& g : c.glyphs)
            code += codeOf(g.placement);
        codes << code;
    }
    text = texts.join(u'|');
    placements = codes.join(u'|');
}

} // namespace

class TestTategaki : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void columns_data();
    void columns();
    void cellsFollowDownTheColumn();
    void movedMarksGoUpAndRight();
    void pages_data();
    void pages();
};

void TestTategaki::columns_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("cells"); // column height in full-width cells
    QTest::addColumn<QString>("columns");
    QTest::addColumn<QString>("placements");

    QTest::newRow("kanji and kana upright") << "日本語です" << 10 << "日本語です"
                                            << "UUUUU";
    QTest::newRow("brackets rotated") << "「春」（夏）" << 10 << "「春」（夏）"
                                      << "RURRUR";
    QTest::newRow("long vowel and dashes rotated") << "コーヒー―〜…" << 10 << "コーヒー―〜…"
                                                   << "URURRRR";
    QTest::newRow("small kana and marks moved") << "ちょっと、まて。" << 10 << "ちょっと、まて。"
                                                << "UMMUMUUM";
    QTest::newRow("one digit upright") << "第3回" << 10 << "第3回"
                                       << "UAU";
    QTest::newRow("two digits side by side") << "12月31日" << 10 << "12月31日"
                                             << "AUAU";
    QTest::newRow("three digits sideways") << "西暦100年" << 10 << "西暦100年"
                                           << "UUSU";
    QTest::newRow("letters sideways, blanks inside the run") << "私はQt 6で" << 10 << "私はQt 6で"
                                                             << "UUSU";
    QTest::newRow("full-width digits stay upright") << "１２３" << 10 << "１２３"
                                                    << "UUU";
    QTest::newRow("column break in a long line")
        << "あいうえおかきくけ" << 4 << "あいうえ|おかきく|け"
        << "UUUU|UUUU|U";
    QTest::newRow("line feeds start columns, an empty line is an empty column")
        << "あい\n\nう" << 4 << "あい||う"
        << "UU||U";
    QTest::newRow("CR LF line ends") << "あい\r\nう" << 4 << "あい|う"
                                     << "UU|U";
    QTest::newRow("。 never starts a column") << "あいう。え" << 3 << "あい|う。え"
                                              << "UU|UMU";
    QTest::newRow("、 never starts a column") << "あいう、え" << 3 << "あい|う、え"
                                              << "UU|UMU";
    QTest::newRow("・ never starts a column") << "あいう・え" << 3 << "あい|う・え"
                                              << "UU|UUU";
    QTest::newRow("small kana never starts a column") << "あいうっえ" << 3 << "あい|うっえ"
                                                      << "UU|UMU";
    QTest::newRow("closing bracket never starts a column") << "あいう」え" << 3 << "あい|う」え"
                                                           << "UU|URU";
    QTest::newRow("two in a row go back together") << "あいう」。" << 4 << "あい|う」。"
                                                   << "UU|URM";
    QTest::newRow("opening bracket never ends a column") << "あい「うえ" << 3 << "あい|「うえ"
                                                         << "UU|RUU";
    QTest::newRow("a column keeps one character however the rules fall")
        << "あ」」」" << 1 << "あ|」|」|」"
        << "U|R|R|R";
    QTest::newRow("a sideways run that does not fit moves whole")
        << "あいうabc" << 4 << "あいう|abc"
        << "UUU|S";
    QTest::newRow("a run longer than a column is cut") << "abcdefghij" << 2 << "abcd|efgh|ij"
                                                       << "S|S|S";
}

void TestTategaki::columns()
{
    QFETCH(QString, text);
    QFETCH(int, cells);
    FixedMetrics m;
    QString got, placements;
    describe(breakText(text, m, cells * m.em()), got, placements);
    QTEST(got, "columns");
    QTEST(placements, "placements");
}

void TestTategaki::cellsFollowDownTheColumn()
{
    FixedMetrics m;
    const QList<Column> cols = breakText(u"あ12年abc。", m, 100);
    QCOMPARE(cols.size(), 1);
    const QList<Glyph>& g = cols[0].glyphs;
    QCOMPARE(g.size(), 5);
    QCOMPARE(g[0].y, 0.0);
    QCOMPARE(g[1].y, 10.0); // 縦中横 takes one cell
    QCOMPARE(g[2].y, 20.0);
    QCOMPARE(g[3].y, 30.0);
    QCOMPARE(g[3].height, 15.0); // three half-width letters
    QCOMPARE(g[4].y, 45.0);
}

void TestTategaki::movedMarksGoUpAndRight()
{
    FixedMetrics m;
    const QList<Glyph> g = breakText(u"。ょ", m, 100).value(0).glyphs;
    QCOMPARE(g.size(), 2);
    QVERIFY(g[0].dx > 0 && g[0].dy < 0);
    QVERIFY(g[1].dx > 0 && g[1].dy < 0);
    QVERIFY(g[0].dx > g[1].dx); // the mark crosses the cell, the kana moves a little
}

void TestTategaki::pages_data()
{
    // Each line: extent, then flags: p page before, k keep with next, d drop at top.
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("pages"); // page of each line, '-' when left out

    QTest::newRow("fill and go on") << QStringList{"4", "4", "4", "4"} << "0011";
    QTest::newRow("page break between entries") << QStringList{"2", "2", "2p", "2"} << "0011";
    QTest::newRow("a break on an empty page adds no page") << QStringList{"2p", "2"} << "00";
    QTest::newRow("an entry's first line never alone at the foot")
        << QStringList{"7", "2k", "2"} << "011";
    QTest::newRow("a chain moves whole") << QStringList{"5", "2k", "2k", "2"} << "0111";
    QTest::newRow("a chain longer than a page stays")
        << QStringList{"2", "4k", "4k", "4"} << "0001";
    QTest::newRow("space between entries left out at a page's top")
        << QStringList{"10", "1d", "2"} << "0-1";
}

void TestTategaki::pages()
{
    QFETCH(QStringList, lines);
    QList<Line> list;
    for (const QString& l : lines) {
        Line line;
        line.extent = QString(l).remove(QRegularExpression(QStringLiteral("[pkd]"))).toDouble();
        line.pageBefore = l.contains(u'p');
        line.keepWithNext = l.contains(u'k');
        line.dropAtTop = l.contains(u'd');
        list << line;
    }
    QString got;
    for (const Slot& s : paginate(list, 10))
        got += s.page < 0 ? QChar(u'-') : QChar(u'0' + s.page);
    QTEST(got, "pages");
}

QTEST_APPLESS_MAIN(TestTategaki)
#include "tst_tategaki.moc"
