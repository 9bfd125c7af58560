#include "TextMatch.h"

#include <QHash>
#include <QStringList>

#include <atomic>

namespace drv {

namespace {

bool isMark(char32_t c)
{
    const auto cat = QChar::category(c);
    return cat == QChar::Mark_NonSpacing || cat == QChar::Mark_SpacingCombining ||
           cat == QChar::Mark_Enclosing;
}

// Half-width voiced sound marks are no combining marks, yet NFKC joins them to the
// kana before them.
bool joinsPreviousTheLongWay(char32_t c)
{
    return c == 0xFF9E || c == 0xFF9F || c == 0x3099 || c == 0x309A || isMark(c);
}

// Folding one character the long way: what a cluster of it alone becomes.
bool foldsToItselfTheLongWay(char32_t c)
{
    if (QChar::decompositionTag(c) == QChar::NoDecomposition && QChar::toCaseFolded(c) == c)
        return true;
    const QString one = QString::fromUcs4(&c, 1);
    return one.normalized(QString::NormalizationForm_KC).toCaseFolded() == one;
}

// What folding needs to know of a character of the Basic Multilingual Plane, worked out
// once and kept for every thread that folds: most characters of a diary fold to
// themselves, voiced kana (which decompose and compose back) among them, and the costly
// normalisation is skipped for them.
enum : quint8 { kKnown = 1, kItself = 2, kJoins = 4 };

std::atomic<quint8> g_known[0x10000];

quint8 traitsTheLongWay(char32_t c)
{
    return kKnown | (foldsToItselfTheLongWay(c) ? kItself : 0) |
           (joinsPreviousTheLongWay(c) ? kJoins : 0);
}

inline quint8 traitsOf(char32_t c)
{
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? kKnown : kKnown | kItself;
    if (c > 0xFFFF) return traitsTheLongWay(c);
    quint8 t = g_known[c].load(std::memory_order_relaxed);
    if (t == 0) {
        t = traitsTheLongWay(c);
        g_known[c].store(t, std::memory_order_relaxed);
    }
    return t;
}

inline bool joinsPrevious(char32_t c)
{
    return (traitsOf(c) & kJoins) != 0;
}

inline bool foldsToItself(char32_t c)
{
    return (traitsOf(c) & kItself) != 0;
}

inline char32_t codePointAt(const QString& s, qsizetype& k)
{
    const qsizetype n = s.size();
    char32_t c = s.at(k).unicode();
    if (QChar::isHighSurrogate(c) && k + 1 < n && s.at(k + 1).isLowSurrogate()) {
        c = QChar::surrogateToUcs4(s.at(k), s.at(k + 1));
        k += 2;
    } else {
        ++k;
    }
    return c;
}

// The end of the cluster that starts at i, and whether it is one character that folds to
// itself.
inline qsizetype clusterEnd(const QString& s, qsizetype i, char32_t& first, bool& simple)
{
    const qsizetype n = s.size();
    first = codePointAt(s, i);
    simple = foldsToItself(first);
    while (i < n) {
        qsizetype k = i;
        const char32_t c = codePointAt(s, k);
        if (!joinsPrevious(c)) break;
        simple = false;
        i = k;
    }
    return i;
}

QString foldCluster(const QString& s, qsizetype start, qsizetype end, char32_t first)
{
    if (first < 0x80 && end - start == 1) return QString(QChar(char16_t(first + ('a' - 'A'))));
    const auto longWay = [&] {
        return s.mid(start, end - start).normalized(QString::NormalizationForm_KC).toCaseFolded();
    };
    if (end - start != (first > 0xFFFF ? 2 : 1)) return longWay();
    // A lone character that changes (a full-width "！", a half-width kana) is common in a
    // diary; its fold is worked out once per thread.
    thread_local QHash<char32_t, QString> known;
    auto it = known.find(first);
    if (it == known.end()) it = known.insert(first, longWay());
    return *it;
}

// Calls emit(piece, from, to) for each cluster: a character with the marks that join it,
// folded; from and to are the cluster's place in s.
template <typename Emit> void foldClusters(const QString& s, Emit emit)
{
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n;) {
        const qsizetype start = i;
        char32_t first;
        bool simple;
        i = clusterEnd(s, i, first, simple);
        if (simple)
            emit(QStringView(s).mid(start, i - start), start, i);
        else
            emit(QStringView(foldCluster(s, start, i, first)), start, i);
    }
}

} // namespace

FoldedText foldWithMap(const QString& s)
{
    FoldedText f;
    f.text.reserve(s.size());
    f.from.reserve(s.size());
    f.to.reserve(s.size());
    foldClusters(s, [&](QStringView piece, qsizetype from, qsizetype to) {
        f.text += piece;
        for (qsizetype k = 0; k < piece.size(); ++k) {
            f.from.append(from);
            f.to.append(to);
        }
    });
    return f;
}

namespace {

QString foldOnce(const QString& s, qsizetype n, bool* same = nullptr);

// The last texts folded on this thread. A listing folds each entry twice, once to decide
// that it matches and once to mark the match; the entry's text is the same shared string
// both times. An entry holds its text, so a kept pointer cannot come to name another.
struct Folded {
    QString text, folded;
};

const QString& remembered(const QString& s)
{
    constexpr qsizetype kKept = 64;
    thread_local QList<Folded> kept;
    thread_local qsizetype oldest = 0;
    for (const Folded& f : kept)
        if (f.text.constData() == s.constData() && f.text.size() == s.size()) return f.folded;
    Folded f{s, foldOnce(s, s.size())};
    if (kept.size() < kKept) {
        kept << f;
        return kept.last().folded;
    }
    kept[oldest] = f;
    const qsizetype at = oldest;
    oldest = (oldest + 1) % kKept;
    return kept[at].folded;
}

} // namespace

QString fold(const QString& s)
{
    // Short texts (search words, titles) are folded again at once.
    return s.size() < 256 ? foldOnce(s, s.size()) : remembered(s);
}

namespace {

// The fold of the first n characters of s, n being where a cluster starts or the end;
// same tells whether they are their own fold.
QString foldOnce(const QString& s, qsizetype n, bool* same)
{
    // Runs of characters that fold to themselves are copied whole; a text made only of
    // them is its own fold. Each character is looked at once: the one after a cluster is
    // the next cluster's first.
    if (same) *same = true;
    if (n == 0) return s.left(0);
    QString out;
    qsizetype copied = 0;
    qsizetype next = 0;
    char32_t c = codePointAt(s, next);
    quint8 t = traitsOf(c);
    for (qsizetype start = 0; start < n;) {
        const char32_t first = c;
        bool simple = (t & kItself) != 0;
        qsizetype end = next;
        while (end < n) {
            qsizetype after = end;
            c = codePointAt(s, after);
            t = traitsOf(c);
            if (!(t & kJoins)) {
                next = after;
                break;
            }
            simple = false;
            end = after;
        }
        if (!simple) {
            if (out.isNull()) out.reserve(n);
            out += QStringView(s).mid(copied, start - copied);
            out += foldCluster(s, start, end, first);
            copied = end;
        }
        start = end;
    }
    if (copied == 0) return n == s.size() ? s : s.left(n);
    if (same) *same = false;
    out += QStringView(s).mid(copied, n - copied);
    return out;
}

} // namespace

namespace {

// The pattern's pieces between "*", folded; the word of a search is matched against many
// bodies one after the other, so the last one is kept.
const QStringList& foldedPieces(const QString& pattern)
{
    thread_local QString last;
    thread_local QStringList pieces;
    if (pieces.isEmpty() || pattern != last) {
        pieces.clear();
        for (const QString& r : pattern.split(u'*'))
            if (!r.isEmpty()) pieces << fold(r);
        last = pattern;
        pieces << QString(); // marks the list as made, also for a pattern of only "*"
    }
    return pieces;
}

// Finds the folded pieces in order; returns the folded start and end of the whole run.
bool findPieces(const QString& folded, const QString& pattern, qsizetype& start, qsizetype& end)
{
    start = -1;
    end = 0;
    qsizetype pos = 0;
    for (const QString& piece : foldedPieces(pattern)) {
        if (piece.isEmpty()) continue;
        const qsizetype at = folded.indexOf(piece, pos);
        if (at < 0) return false;
        if (start < 0) start = at;
        pos = at + piece.size();
        end = pos;
    }
    if (start < 0) start = end = 0;
    return true;
}

// Whether a cluster of the first `end` characters (where a cluster starts) folds to other
// characters, one of them the piece's. One pass, each character's traits read once.
bool foldsIntoPiece(const QString& text, qsizetype end, const QString& piece)
{
    qsizetype start = 0;
    char32_t first = 0;
    bool simple = true;
    const auto shares = [&](qsizetype to) {
        if (simple) return false;
        for (QChar c : foldCluster(text, start, to, first))
            if (piece.contains(c)) return true;
        return false;
    };
    for (qsizetype i = 0; i < end;) {
        qsizetype k = i;
        const char32_t c = codePointAt(text, k);
        const quint8 t = traitsOf(c);
        if (i > 0 && (t & kJoins)) {
            simple = false;
        } else {
            if (shares(i)) return true;
            start = i;
            first = c;
            simple = (t & kItself) != 0;
        }
        i = k;
    }
    return shares(end);
}

// A word without "*" mostly occurs in a text as its fold does, unchanged, and its first
// such occurrence is mostly the first match: an earlier one needs a character before it
// that folds to others, one of them the word's. So only the clusters up to the occurrence
// are looked at, and the text is folded only as far as it (the fold goes cluster by
// cluster). False when this cannot tell; then the whole text is to be folded.
bool findEarly(const QString& text, const QString& pattern, qsizetype& start, qsizetype& end,
               bool& same)
{
    const QStringList& pieces = foldedPieces(pattern);
    if (pieces.size() != 2) return false; // one piece and the end mark
    const QString& piece = pieces.first();
    const qsizetype at = text.indexOf(piece);
    if (at < 0) return false;
    // The occurrence is to be whole clusters.
    const qsizetype after = at + piece.size();
    for (qsizetype k : {at, after}) {
        if (k == text.size()) break;
        if (text.at(k).isLowSurrogate() || joinsPrevious(codePointAt(text, k))) return false;
    }
    bool earlier = false;
    for (qsizetype i = at; i < after && !earlier;) {
        char32_t first;
        bool simple;
        i = clusterEnd(text, i, first, simple);
        earlier = !simple; // the occurrence itself changes when folded
    }
    earlier = earlier || foldsIntoPiece(text, at, piece);
    if (!earlier) {
        start = at;
        end = after;
        same = true;
        return true;
    }
    start = foldOnce(text, after, &same).indexOf(piece);
    if (start < 0) return false;
    end = start + piece.size();
    return true;
}

} // namespace

bool matches(const QString& text, const QString& pattern)
{
    qsizetype start, end;
    bool same;
    return findEarly(text, pattern, start, end, same) ||
           findPieces(fold(text), pattern, start, end);
}

MatchSpan findFirst(const QString& text, const QString& pattern)
{
    qsizetype start, end;
    bool same = false;
    if (!findEarly(text, pattern, start, end, same)) {
        const QString folded = fold(text);
        if (!findPieces(folded, pattern, start, end)) return {};
        same = folded.constData() == text.constData();
    }
    if (end <= start) return {0, 0};
    // A text that is its own fold needs no mapping back.
    if (same) return {start, end - start};
    // The clusters that gave the first and the last folded character of the match.
    qsizetype from = 0, pos = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        const qsizetype cluster = i;
        char32_t first;
        bool simple;
        i = clusterEnd(text, i, first, simple);
        pos += simple ? i - cluster : foldCluster(text, cluster, i, first).size();
        if (pos <= start) from = i;
        if (pos >= end) return {from, i - from};
    }
    return {from, n - from};
}

} // namespace drv
