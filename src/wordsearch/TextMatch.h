#pragma once
// The one matching rule of word searches: "*" stands for any run of characters,
// every other character for itself, compared without regard to letter case or to
// full-width and half-width forms. The store's query and the listing's highlight
// both use it, so a listed entry always shows its match.

#include <QList>
#include <QString>

namespace drv {

// Text folded for comparison (NFKC, then case folding), with, for each folded
// character, the range of original characters it came from.
struct FoldedText {
    QString text;
    QList<qsizetype> from; // original start of the cluster each folded character came from
    QList<qsizetype> to;   // original end (exclusive) of that cluster
};

FoldedText foldWithMap(const QString& s);
QString fold(const QString& s);

struct MatchSpan {
    qsizetype start = -1; // in original characters; -1 when there is no match
    qsizetype length = 0;
    bool found() const { return start >= 0; }
};

// The first place where the pattern occurs in the text. A pattern that is empty or
// all "*" matches every text, with an empty span at 0.
MatchSpan findFirst(const QString& text, const QString& pattern);
bool matches(const QString& text, const QString& pattern);

} // namespace drv
