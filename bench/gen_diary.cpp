// Writes a made-up diary as a dbVesk.mdb for the benchmarks: one entry per day, Japanese
// titles and bodies, a few marked words in known numbers of entries. The same arguments
// give the same bytes on every machine: the random numbers are our own, not the standard
// library's distributions, whose output differs between library versions.
//
//   gen_diary --schema data/schema.sql --out dbVesk.mdb [--years N] [--long50]
//             [--only PREFIX]
//
// --years N (1 to 100, default 100): every day of the N years that end in 2026. With 100
// the keys run from 000101 to 991231, the largest diary a two-digit year allows.
// --long50: instead, the 50 days up to 2026-12-07, each body exactly 10,000 characters.
// --only PREFIX: writes only the entries whose key starts with PREFIX, exactly as the
// full diary holds them ("261207": that one day; "26": that year).

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

// splitmix64: small, fast and the same everywhere.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 .. n-1; the tiny modulo bias does not matter here.
    std::size_t below(std::size_t n) { return std::size_t(next() % n); }
    int between(int lo, int hi) { return lo + int(below(std::size_t(hi - lo + 1))); }
    bool chance(int percent) { return below(100) < std::size_t(percent); }
    template <typename T, std::size_t N> const T& pick(const std::array<T, N>& a)
    {
        return a[below(N)];
    }

private:
    std::uint64_t state_;
};

using Text = std::u16string;

// None of these holds 散, 歩, 鷺, 牡, 蠣 or 竜, so the marked words occur only where
// they are put.
constexpr std::array<std::u16string_view, 96> kNouns = {
    u"今日",   u"明日",   u"昨日",   u"朝",   u"昼",   u"夜",     u"天気", u"雨",     u"晴れ",
    u"雪",     u"風",     u"会社",   u"学校", u"駅",   u"電車",   u"公園", u"図書館", u"本",
    u"映画",   u"音楽",   u"料理",   u"夕食", u"朝食", u"昼食",   u"友人", u"家族",   u"母",
    u"父",     u"弟",     u"妹",     u"仕事", u"会議", u"買い物", u"旅行", u"温泉",   u"海",
    u"山",     u"川",     u"花",     u"桜",   u"紅葉", u"庭",     u"部屋", u"掃除",   u"洗濯",
    u"手紙",   u"写真",   u"時間",   u"気分", u"体調", u"病院",   u"薬",   u"猫",     u"犬",
    u"小鳥",   u"季節",   u"春",     u"夏",   u"秋",   u"冬",     u"新聞", u"記事",   u"予定",
    u"約束",   u"誕生日", u"祭り",   u"神社", u"お寺", u"野菜",   u"果物", u"魚",     u"肉",
    u"牛乳",   u"お茶",   u"宿題",   u"試験", u"勉強", u"練習",   u"読書", u"近所",   u"商店街",
    u"市場",   u"銀行",   u"郵便局", u"台所", u"机",   u"窓",     u"空",   u"月",     u"星",
    u"夕焼け", u"孫",     u"隣の人", u"先生", u"同僚", u"畑",
};
constexpr std::array<std::u16string_view, 30> kKatakana = {
    u"コーヒー", u"パン",       u"テレビ",   u"ラジオ",   u"スーパー", u"コンビニ",
    u"メール",   u"パソコン",   u"カメラ",   u"ケーキ",   u"バス",     u"タクシー",
    u"ホテル",   u"レストラン", u"ニュース", u"ピアノ",   u"ギター",   u"サッカー",
    u"テニス",   u"ジョギング", u"カレー",   u"ラーメン", u"アイス",   u"シャツ",
    u"ノート",   u"ペン",       u"ドラマ",   u"アニメ",   u"ゲーム",   u"スマホ",
};
constexpr std::array<std::u16string_view, 15> kAscii = {
    u"PC",    u"Wi-Fi", u"USB", u"OK", u"Zoom", u"Suica", u"LINE",  u"email",
    u"Linux", u"NHK",   u"JR",  u"CD", u"DVD",  u"GPS",   u"Excel",
};
constexpr std::array<std::u16string_view, 12> kParticles = {
    u"は", u"が", u"を", u"に", u"で", u"と", u"も", u"へ", u"から", u"まで", u"より", u"の",
};
constexpr std::array<std::u16string_view, 26> kVerbs = {
    u"行った",       u"見た",         u"食べた",     u"読んだ",   u"書いた",   u"買った",
    u"作った",       u"話した",       u"会った",     u"帰った",   u"寝た",     u"起きた",
    u"休んだ",       u"遊んだ",       u"働いた",     u"考えた",   u"思った",   u"楽しかった",
    u"疲れた",       u"忙しかった",   u"嬉しかった", u"寒かった", u"暑かった", u"静かだった",
    u"きれいだった", u"おいしかった",
};
constexpr std::array<std::u16string_view, 15> kAdverbs = {
    u"とても",   u"少し",       u"ゆっくり",       u"すぐに",     u"やっと",
    u"たくさん", u"久しぶりに", u"いつものように", u"そのあと",   u"それから",
    u"しかし",   u"だから",     u"ところで",       u"なんとなく", u"ちょっと",
};
constexpr std::array<std::u16string_view, 8> kCounters = {
    u"時", u"分", u"円", u"人", u"回", u"冊", u"杯", u"km",
};
constexpr std::array<std::u16string_view, 4> kEnds = {u"。", u"。", u"！", u"。"};

// The marked words and the sentences that carry them.
constexpr std::u16string_view kRare = u"ほたるいか"; // exactly 7 entries
constexpr std::u16string_view kRare2 = u"牡蠣";      // exactly 7 entries
constexpr std::u16string_view kRare1 = u"鷺";        // exactly 7 entries
constexpr std::u16string_view kCommon = u"散歩";     // about 30 % of the entries
constexpr std::u16string_view kNowhere = u"竜宮城";  // no entry
constexpr std::array<std::u16string_view, 3> kRareLines = {
    u"富山からほたるいかが届いたので酢味噌で食べた。", u"夜の海でほたるいかが光るのを見た。",
    u"ほたるいかの沖漬けを買った。"};
constexpr std::array<std::u16string_view, 3> kRare2Lines = {
    u"牡蠣フライを作った。", u"広島の牡蠣が届いた。", u"殻付きの牡蠣を焼いて食べた。"};
constexpr std::array<std::u16string_view, 3> kRare1Lines = {
    u"川の浅瀬に白い鷺が立っていた。", u"田んぼの上を鷺が飛んでいった。", u"鷺を写真に撮った。"};
constexpr std::array<std::u16string_view, 4> kCommonLines = {
    u"夕方に犬と散歩をした。", u"朝の散歩は気持ちがよかった。", u"公園まで散歩に出かけた。",
    u"散歩の途中で雨が降ってきた。"};

void appendNumber(Text& t, int n)
{
    const std::string digits = std::to_string(n);
    for (char c : digits)
        t += char16_t(c);
}

Text sentence(Random& r)
{
    Text s;
    if (r.chance(30)) {
        s += r.pick(kAdverbs);
        s += u"、";
    }
    const int chunks = r.between(1, 3);
    for (int i = 0; i < chunks; ++i) {
        const std::size_t kind = r.below(10);
        if (kind < 6) {
            s += r.pick(kNouns);
        } else if (kind < 8) {
            s += r.pick(kKatakana);
        } else if (kind < 9) {
            s += r.pick(kAscii);
        } else {
            appendNumber(s, r.between(1, 2500));
            s += r.pick(kCounters);
        }
        s += r.pick(kParticles);
    }
    s += r.pick(kVerbs);
    s += r.pick(kEnds);
    return s;
}

// A body of at least `length` characters (all of them in one UTF-16 unit), cut to
// exactly `length` when `exact`, in lines of one to four sentences; the marked
// sentences go in at a random line.
Text body(Random& r, std::size_t length, bool exact, const std::vector<std::u16string_view>& marked)
{
    std::vector<Text> lines;
    std::size_t size = 0;
    for (std::u16string_view m : marked)
        size += m.size();
    while (size < length) {
        Text line;
        const int n = r.between(1, 4);
        for (int i = 0; i < n; ++i)
            line += sentence(r);
        size += line.size() + 1;
        lines.push_back(std::move(line));
    }
    for (std::u16string_view m : marked) {
        const std::size_t at = r.below(lines.size());
        lines[at].insert(0, m);
    }
    Text out;
    for (const Text& l : lines) {
        if (!out.empty()) out += u'\n';
        out += l;
    }
    if (exact && out.size() > length) out.resize(length);
    // The editor drops line ends at either end of a body; none is stored there.
    if (out.back() == u'\n') out.back() = u'。';
    return out;
}

Text title(Random& r)
{
    const std::size_t length = std::size_t(r.between(5, 20));
    Text t;
    while (t.size() < length) {
        t += r.chance(75) ? r.pick(kNouns) : r.pick(kKatakana);
        t += r.chance(50) ? u"と" : u"の";
    }
    t.resize(length);
    return t;
}

bool holds(const Text& t, std::u16string_view w)
{
    return t.find(w) != Text::npos;
}

struct Day {
    int year, month, day;
};

bool leap(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysIn(int y, int m)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leap(y) ? 29 : kDays[m - 1];
}

std::string keyOf(const Day& d)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d%02d%02d", d.year % 100, d.month, d.day);
    return buf;
}

// Every day of the years, in key order (two-digit year first).
std::vector<Day> daysOfYears(int years)
{
    std::vector<int> ys;
    for (int y = 2026 - years + 1; y <= 2026; ++y)
        ys.push_back(y);
    std::sort(ys.begin(), ys.end(), [](int a, int b) { return a % 100 < b % 100; });
    std::vector<Day> days;
    for (int y : ys)
        for (int m = 1; m <= 12; ++m)
            for (int d = 1; d <= daysIn(y, m); ++d)
                days.push_back({y, m, d});
    return days;
}

// The 50 days up to 2026-12-07.
std::vector<Day> last50Days()
{
    std::vector<Day> days;
    Day d{2026, 12, 7};
    for (int i = 0; i < 50; ++i) {
        days.push_back(d);
        if (--d.day == 0) {
            if (--d.month == 0) {
                d.month = 12;
                --d.year;
            }
            d.day = daysIn(d.year, d.month);
        }
    }
    std::reverse(days.begin(), days.end());
    return days;
}

std::set<std::size_t> chooseSeven(Random& r, std::size_t n)
{
    std::set<std::size_t> out;
    while (out.size() < std::min<std::size_t>(7, n))
        out.insert(r.below(n));
    return out;
}

struct Counts {
    std::size_t entries = 0, rare = 0, rare2 = 0, rare1 = 0, common = 0;
};

bool fail(sqlite3* db, const char* what)
{
    std::fprintf(stderr, "gen_diary: %s: %s\n", what, db ? sqlite3_errmsg(db) : "no database");
    return false;
}

bool write(const std::string& schema, const std::string& out, const std::vector<Day>& days,
           bool long50, const std::string& only, Counts& counts)
{
    sqlite3* db = nullptr;
    if (sqlite3_open(out.c_str(), &db) != SQLITE_OK) return fail(db, "open");
    bool ok = sqlite3_exec(db, schema.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK &&
              sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_stmt* st = nullptr;
    ok = ok && sqlite3_prepare_v2(db, "INSERT INTO tbDoc (skYmn, szTtl, szDoc) VALUES (?,?,?)", -1,
                                  &st, nullptr) == SQLITE_OK;
    if (!ok) {
        fail(db, "schema");
        sqlite3_finalize(st);
        sqlite3_close(db);
        return false;
    }

    Random r(long50 ? 0x6C6F6E6735300000ull : 0x64727665736B0000ull + days.size());
    const std::set<std::size_t> rare = chooseSeven(r, days.size());
    const std::set<std::size_t> rare2 = chooseSeven(r, days.size());
    const std::set<std::size_t> rare1 = chooseSeven(r, days.size());
    for (std::size_t i = 0; ok && i < days.size(); ++i) {
        std::vector<std::u16string_view> marked;
        const bool hasRare = rare.count(i) != 0, hasRare2 = rare2.count(i) != 0,
                   hasRare1 = rare1.count(i) != 0, hasCommon = long50 || r.chance(30);
        if (hasRare) marked.push_back(r.pick(kRareLines));
        if (hasRare2) marked.push_back(r.pick(kRare2Lines));
        if (hasRare1) marked.push_back(r.pick(kRare1Lines));
        if (hasCommon) marked.push_back(r.pick(kCommonLines));
        const std::size_t length = long50 ? 10000 : std::size_t(r.between(300, 2940));
        const Text t = title(r);
        Text b;
        // Words next to each other could spell a marked word by chance; draw again then.
        do {
            b = body(r, length, long50, marked);
        } while (holds(b, kRare) != hasRare || holds(b, kRare2) != hasRare2 ||
                 holds(b, kRare1) != hasRare1 || holds(b, kCommon) != hasCommon ||
                 holds(b, kNowhere));
        const std::string key = keyOf(days[i]);
        if (key.compare(0, only.size(), only) != 0) continue;
        ok = sqlite3_bind_text(st, 1, key.c_str(), -1, SQLITE_TRANSIENT) == SQLITE_OK &&
             sqlite3_bind_text16(st, 2, t.data(), int(t.size() * 2), SQLITE_TRANSIENT) ==
                 SQLITE_OK &&
             sqlite3_bind_text16(st, 3, b.data(), int(b.size() * 2), SQLITE_TRANSIENT) ==
                 SQLITE_OK &&
             sqlite3_step(st) == SQLITE_DONE && sqlite3_reset(st) == SQLITE_OK;
        counts.entries += ok;
        counts.rare += hasRare;
        counts.rare2 += hasRare2;
        counts.rare1 += hasRare1;
        counts.common += hasCommon;
    }
    if (!ok) fail(db, "insert");
    sqlite3_finalize(st);
    ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    if (sqlite3_close(db) != SQLITE_OK) ok = false;
    return ok;
}

bool readFile(const std::string& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
    return true;
}

int usage()
{
    std::fprintf(stderr,
                 "usage: gen_diary --schema schema.sql --out dbVesk.mdb [--years N] [--long50] "
                 "[--only PREFIX]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::string schemaPath, out, only;
    int years = 100;
    bool long50 = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--schema" && i + 1 < argc) {
            schemaPath = argv[++i];
        } else if (a == "--out" && i + 1 < argc) {
            out = argv[++i];
        } else if (a == "--years" && i + 1 < argc) {
            years = std::atoi(argv[++i]);
        } else if (a == "--long50") {
            long50 = true;
        } else if (a == "--only" && i + 1 < argc) {
            only = argv[++i];
        } else {
            return usage();
        }
    }
    if (schemaPath.empty() || out.empty() || years < 1 || years > 100) return usage();
    std::string schema;
    if (!readFile(schemaPath, schema)) {
        std::fprintf(stderr, "gen_diary: cannot read %s\n", schemaPath.c_str());
        return 1;
    }
    // Written beside the target and renamed, so a half-written diary never has its name.
    const std::string part = out + ".part";
    std::remove(part.c_str());
    Counts counts;
    if (!write(schema, part, long50 ? last50Days() : daysOfYears(years), long50, only, counts) ||
        std::rename(part.c_str(), out.c_str()) != 0) {
        std::remove(part.c_str());
        return 1;
    }
    std::printf("%s: %zu entries; ほたるいか %zu, 牡蠣 %zu, 鷺 %zu, 散歩 %zu (%.1f %%)\n",
                out.c_str(), counts.entries, counts.rare, counts.rare2, counts.rare1, counts.common,
                100.0 * double(counts.common) / double(counts.entries));
    return 0;
}
