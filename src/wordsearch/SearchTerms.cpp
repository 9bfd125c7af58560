#include "SearchTerms.h"

#include "TextMatch.h"

#include <QStringList>

#include <sqlite3.h>

#include <algorithm>
#include <vector>

namespace drv::terms {

namespace {

constexpr char kEnd = char(0xFF);
constexpr quint64 kPair = quint64(1) << 63;
// A query never needs every pair of a long word: any of them narrow the candidates, and
// the match decides.
constexpr qsizetype kMostQueryTerms = 32;

// The characters of a text; half of a surrogate pair becomes U+FFFD, as in UTF-8.
template <typename Visit> void codePoints(QStringView s, Visit visit)
{
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = s[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n && s[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(s[i], s[i + 1]);
            ++i;
        } else if (QChar::isSurrogate(c)) {
            c = 0xFFFD;
        }
        visit(c);
    }
}

// Writes c as UTF-8 at p; returns the end.
char* putUtf8(char* p, char32_t c)
{
    if (c < 0x80) {
        *p++ = char(c);
    } else if (c < 0x800) {
        *p++ = char(0xC0 | (c >> 6));
        *p++ = char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *p++ = char(0xE0 | (c >> 12));
        *p++ = char(0x80 | ((c >> 6) & 0x3F));
        *p++ = char(0x80 | (c & 0x3F));
    } else {
        *p++ = char(0xF0 | (c >> 18));
        *p++ = char(0x80 | ((c >> 12) & 0x3F));
        *p++ = char(0x80 | ((c >> 6) & 0x3F));
        *p++ = char(0x80 | (c & 0x3F));
    }
    return p;
}

void appendUtf8(QByteArray& out, char32_t c)
{
    char buf[4];
    out.append(buf, putUtf8(buf, c) - buf);
}

// A set of terms that forgets in the time it took to fill: bodies are indexed one after
// the other, and clearing the whole table for each would cost more than the terms.
class TermSet {
public:
    // True when t was not in the set yet.
    bool insert(quint64 t)
    {
        if ((used_.size() + 1) * 2 > slots_.size()) grow();
        size_t i = slot(t);
        while (slots_[i] != kFree) {
            if (slots_[i] == t) return false;
            i = (i + 1) & (slots_.size() - 1);
        }
        slots_[i] = t;
        used_.push_back(i);
        return true;
    }
    void clear()
    {
        for (const size_t i : used_)
            slots_[i] = kFree;
        used_.clear();
    }

private:
    // No term has every bit set: a character is at most 21 bits.
    static constexpr quint64 kFree = ~quint64(0);
    size_t slot(quint64 t) const
    {
        return size_t((t * 0x9E3779B97F4A7C15ull) >> 32) & (slots_.size() - 1);
    }
    void grow()
    {
        std::vector<quint64> held;
        held.reserve(used_.size());
        for (const size_t i : used_)
            held.push_back(slots_[i]);
        slots_.assign(std::max<size_t>(1024, slots_.size() * 2), kFree);
        used_.clear();
        for (const quint64 t : held)
            insert(t);
    }
    std::vector<quint64> slots_;
    std::vector<size_t> used_;
};

// A term is kept as a number: a character, or a pair of them with the top bit set.
QByteArray& appendTerm(QByteArray& out, quint64 t)
{
    if (t & kPair) {
        appendUtf8(out, char32_t((t >> 21) & 0x1FFFFF));
        appendUtf8(out, char32_t(t & 0x1FFFFF));
    } else {
        appendUtf8(out, char32_t(t));
    }
    return out;
}

std::vector<quint64> termsOf(QStringView folded)
{
    std::vector<quint64> t;
    t.reserve(size_t(folded.size()) * 2);
    char32_t previous = 0;
    bool first = true;
    codePoints(folded, [&](char32_t c) {
        t.push_back(c);
        if (!first) t.push_back(kPair | (quint64(previous) << 21) | c);
        previous = c;
        first = false;
    });
    return t;
}

// The tokenizer: a body's terms come separated by 0xFF; a query's quoted string is one
// term as it stands.
int tokCreate(void*, const char**, int, Fts5Tokenizer** out)
{
    static int instance;
    *out = reinterpret_cast<Fts5Tokenizer*>(&instance);
    return SQLITE_OK;
}

void tokDelete(Fts5Tokenizer*) {}

int tokTokenize(Fts5Tokenizer*, void* ctx, int flags, const char* text, int nText,
                int (*xToken)(void*, int, const char*, int, int, int))
{
    if (nText <= 0) return SQLITE_OK;
    if (flags & FTS5_TOKENIZE_QUERY) return xToken(ctx, 0, text, nText, 0, nText);
    int start = 0;
    for (int i = 0; i < nText; ++i) {
        if (text[i] != kEnd) continue;
        if (i > start) {
            if (const int rc = xToken(ctx, 0, text + start, i - start, start, i); rc != SQLITE_OK)
                return rc;
        }
        start = i + 1;
    }
    if (start < nText) return xToken(ctx, 0, text + start, nText - start, start, nText);
    return SQLITE_OK;
}

fts5_api* ftsApi(sqlite3* db)
{
    fts5_api* api = nullptr;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &st, nullptr) != SQLITE_OK) return nullptr;
    sqlite3_bind_pointer(st, 1, &api, "fts5_api_ptr", nullptr);
    sqlite3_step(st);
    sqlite3_finalize(st);
    return api;
}

} // namespace

QByteArray ofBody(const QString& folded)
{
    thread_local TermSet seen;
    seen.clear();
    QByteArray out;
    qsizetype used = 0;
    char32_t previous = 0;
    bool first = true;
    auto add = [&](quint64 term, char32_t a, char32_t b, bool pair) {
        if (!seen.insert(term)) return;
        if (used + 9 > out.size()) out.resize(std::max<qsizetype>(256, out.size() * 2));
        char* p = out.data() + used;
        if (pair) p = putUtf8(p, a);
        p = putUtf8(p, b);
        *p++ = kEnd;
        used = p - out.constData();
    };
    codePoints(folded, [&](char32_t c) {
        add(c, 0, c, false);
        if (!first) add(kPair | (quint64(previous) << 21) | c, previous, c, true);
        previous = c;
        first = false;
    });
    out.truncate(used);
    return out;
}

std::optional<QList<QByteArray>> ofWord(const QString& word)
{
    std::vector<quint64> wanted;
    for (const QString& raw : word.split(u'*')) {
        const QString piece = fold(raw);
        if (piece.isEmpty()) continue;
        // The query language ends a string at a zero character; half a surrogate pair can
        // match half of a body's character, which no term holds.
        for (qsizetype i = 0; i < piece.size(); ++i) {
            const QChar c = piece.at(i);
            if (c.isHighSurrogate() && i + 1 < piece.size() && piece.at(i + 1).isLowSurrogate())
                ++i;
            else if (c.unicode() == 0 || c.isSurrogate())
                return std::nullopt;
        }
        const std::vector<quint64> t = termsOf(piece);
        if (t.size() == 1) {
            wanted.push_back(t.front());
        } else {
            for (const quint64 term : t)
                if (term & kPair) wanted.push_back(term);
        }
    }
    QList<QByteArray> out;
    for (const quint64 term : wanted) {
        QByteArray text;
        appendTerm(text, term);
        if (!out.contains(text)) out << text;
        if (out.size() == kMostQueryTerms) break;
    }
    return out;
}

QString matchExpression(const QList<QByteArray>& terms)
{
    QStringList quoted;
    for (const QByteArray& t : terms) {
        QString s = QString::fromUtf8(t);
        s.replace(u'"', QStringLiteral("\"\""));
        quoted << u'"' + s + u'"';
    }
    return quoted.join(QStringLiteral(" AND "));
}

bool registerTokenizer(sqlite3* db)
{
    fts5_api* api = ftsApi(db);
    if (!api) return false;
    static fts5_tokenizer tok = {tokCreate, tokDelete, tokTokenize};
    return api->xCreateTokenizer(api, "drv_terms", nullptr, &tok, nullptr) == SQLITE_OK;
}

bool registerRetiredTokenizer(sqlite3* db)
{
    fts5_api* api = ftsApi(db);
    if (!api) return false;
    static fts5_tokenizer none = {
        tokCreate, tokDelete,
        [](Fts5Tokenizer*, void*, int, const char*, int,
           int (*)(void*, int, const char*, int, int, int)) { return SQLITE_OK; }};
    return api->xCreateTokenizer(api, "drv_bigram", nullptr, &none, nullptr) == SQLITE_OK;
}

} // namespace drv::terms
