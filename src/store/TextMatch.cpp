#include "TextMatch.h"

#include <QStringList>

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
bool joinsPrevious(char32_t c)
{
    return c == 0xFF9E || c == 0xFF9F || c == 0x3099 || c == 0x309A || isMark(c);
}

// Most characters of a diary fold to themselves; skip the costly normalisation then.
bool foldsToItself(char32_t c)
{
    if (c < 0x80) return !(c >= 'A' && c <= 'Z');
    return QChar::decompositionTag(c) == QChar::NoDecomposition && QChar::toCaseFolded(c) == c;
}

template <typename Emit> void foldClusters(const QString& s, Emit emit)
{
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        const qsizetype start = i;
        auto next = [&](qsizetype& k) {
            char32_t c = s.at(k).unicode();
            if (QChar::isHighSurrogate(c) && k + 1 < n && s.at(k + 1).isLowSurrogate()) {
                c = QChar::surrogateToUcs4(s.at(k), s.at(k + 1));
                k += 2;
            } else {
                ++k;
            }
            return c;
        };
        const char32_t first = next(i);
        bool simple = foldsToItself(first);
        while (i < n) {
            qsizetype k = i;
            const char32_t c = next(k);
            if (!joinsPrevious(c)) break;
            simple = false;
            i = k;
        }
        if (simple) {
            emit(s.mid(start, i - start), start, i);
        } else if (first < 0x80 && i - start == 1) {
            emit(QString(QChar(first + ('a' - 'A'))), start, i);
        } else {
            emit(s.mid(start, i - start).normalized(QString::NormalizationForm_KC).toCaseFolded(),
                 start, i);
        }
    }
}

} // namespace

FoldedText foldWithMap(const QString& s)
{
    FoldedText f;
    f.text.reserve(s.size());
    f.from.reserve(s.size());
    f.to.reserve(s.size());
    foldClusters(s, [&](const QString& piece, qsizetype from, qsizetype to) {
        f.text += piece;
        for (qsizetype k = 0; k < piece.size(); ++k) {
            f.from.append(from);
            f.to.append(to);
        }
    });
    return f;
}

QString fold(const QString& s)
{
    QString out;
    out.reserve(s.size());
    foldClusters(s, [&](const QString& piece, qsizetype, qsizetype) { out += piece; });
    return out;
}

namespace {

// Finds the folded pieces in order; returns the folded start and end of the whole run.
bool findPieces(const QString& folded, const QString& pattern, qsizetype& start, qsizetype& end)
{
    const QStringList raw = pattern.split(u'*');
    start = -1;
    end = 0;
    qsizetype pos = 0;
    for (const QString& r : raw) {
        if (r.isEmpty()) continue;
        const QString piece = fold(r);
        const qsizetype at = folded.indexOf(piece, pos);
        if (at < 0) return false;
        if (start < 0) start = at;
        pos = at + piece.size();
        end = pos;
    }
    if (start < 0) start = end = 0;
    return true;
}

} // namespace

bool matches(const QString& text, const QString& pattern)
{
    qsizetype start, end;
    return findPieces(fold(text), pattern, start, end);
}

MatchSpan findFirst(const QString& text, const QString& pattern)
{
    const FoldedText f = foldWithMap(text);
    qsizetype start, end;
    if (!findPieces(f.text, pattern, start, end)) return {};
    if (end <= start) return {0, 0};
    const qsizetype from = f.from.at(start);
    const qsizetype to = f.to.at(end - 1);
    return {from, to - from};
}

} // namespace drv
