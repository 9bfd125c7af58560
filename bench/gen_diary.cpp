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

#include "DiaryText.h"

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

using namespace drv::bench;

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
