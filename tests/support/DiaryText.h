#pragma once
// Made-up Japanese diary text for the benchmarks and tests: sentences of kanji nouns,
// katakana words, ASCII words and numbers with their kana particles and verbs, in lines
// of one to four sentences. The same seed gives the same text on every machine: the
// random numbers are our own, not the standard library's distributions, whose output
// differs between library versions. Standard C++ only, so that the diary generator
// (without Qt) uses it too.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace drv::bench {

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
inline constexpr std::array<std::u16string_view, 96> kNouns = {
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
inline constexpr std::array<std::u16string_view, 30> kKatakana = {
    u"コーヒー", u"パン",       u"テレビ",   u"ラジオ",   u"スーパー", u"コンビニ",
    u"メール",   u"パソコン",   u"カメラ",   u"ケーキ",   u"バス",     u"タクシー",
    u"ホテル",   u"レストラン", u"ニュース", u"ピアノ",   u"ギター",   u"サッカー",
    u"テニス",   u"ジョギング", u"カレー",   u"ラーメン", u"アイス",   u"シャツ",
    u"ノート",   u"ペン",       u"ドラマ",   u"アニメ",   u"ゲーム",   u"スマホ",
};
inline constexpr std::array<std::u16string_view, 15> kAscii = {
    u"PC",    u"Wi-Fi", u"USB", u"OK", u"Zoom", u"Suica", u"LINE",  u"email",
    u"Linux", u"NHK",   u"JR",  u"CD", u"DVD",  u"GPS",   u"Excel",
};
inline constexpr std::array<std::u16string_view, 12> kParticles = {
    u"は", u"が", u"を", u"に", u"で", u"と", u"も", u"へ", u"から", u"まで", u"より", u"の",
};
inline constexpr std::array<std::u16string_view, 26> kVerbs = {
    u"行った",       u"見た",         u"食べた",     u"読んだ",   u"書いた",   u"買った",
    u"作った",       u"話した",       u"会った",     u"帰った",   u"寝た",     u"起きた",
    u"休んだ",       u"遊んだ",       u"働いた",     u"考えた",   u"思った",   u"楽しかった",
    u"疲れた",       u"忙しかった",   u"嬉しかった", u"寒かった", u"暑かった", u"静かだった",
    u"きれいだった", u"おいしかった",
};
inline constexpr std::array<std::u16string_view, 15> kAdverbs = {
    u"とても",   u"少し",       u"ゆっくり",       u"すぐに",     u"やっと",
    u"たくさん", u"久しぶりに", u"いつものように", u"そのあと",   u"それから",
    u"しかし",   u"だから",     u"ところで",       u"なんとなく", u"ちょっと",
};
inline constexpr std::array<std::u16string_view, 8> kCounters = {
    u"時", u"分", u"円", u"人", u"回", u"冊", u"杯", u"km",
};
inline constexpr std::array<std::u16string_view, 4> kEnds = {u"。", u"。", u"！", u"。"};

void appendNumber(Text& t, int n)
{
    const std::string digits = std::to_string(n);
    for (char c : digits)
        t += char16_t(c);
}

inline Text sentence(Random& r)
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
inline Text body(Random& r, std::size_t length, bool exact,
                 const std::vector<std::u16string_view>& marked)
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

inline Text title(Random& r)
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

// An entry as people write one in a diary program without a title field: a first line
// that reads as its title, then lines of sentences, 300 to 2,700 characters in all.
inline Text entryText(Random& r)
{
    const std::size_t length = std::size_t(r.between(300, 2700));
    Text t = title(r);
    t += u'\n';
    t += body(r, length - t.size(), true, {});
    return t;
}

} // namespace drv::bench
