#pragma once
// The listing of the search window as plain data: which text goes in with which
// character format, and how a date link is read back. No widget is needed, so the
// window only renders these runs and tests can check them directly.

#include "FontSetting.h"
#include "TextMatch.h"

#include <QList>
#include <QRgb>
#include <QString>

namespace drv {

inline constexpr QRgb kLinkColour = qRgb(0, 128, 128);  // teal: "■yy/mm/dd_"
inline constexpr QRgb kTitleColour = qRgb(0, 0, 128);   // navy
inline constexpr QRgb kBodyColour = qRgb(0, 0, 0);      // black
inline constexpr QRgb kMatchColour = qRgb(255, 0, 0);   // red: the search word
inline const QString kLinkMark = QStringLiteral("■");   // opens a date link
inline const QString kLinkEnd = QStringLiteral("_");    // closes it
inline const QString kLineBreak = QStringLiteral("\n"); // one paragraph in the listing

struct RunFormat {
    QString font;
    int size = 0; // points; 0 keeps the listing's default size
    bool bold = false;
    QRgb colour = kBodyColour;
    bool underline = false;
    bool operator==(const RunFormat&) const = default;
};

struct ListingRun {
    QString text;
    RunFormat format;
    bool operator==(const ListingRun&) const = default;
};

// Builds the listing run by run. Like a text control's insertion format, the format
// carries over from one run to the next until a step changes part of it.
class ListingText {
public:
    // Header line: "■yy/mm/dd_" as the link, two blanks and the title, a line break.
    void addTitle(const QString& key, const QString& title, const QString& word,
                  const FontSetting& titleFont);
    // The body and a blank line.
    void addBody(const QString& body, const QString& word, const FontSetting& bodyFont);

    // The runs added since the last take(); the format stays as it is.
    QList<ListingRun> take();

private:
    void insert(const QString& text);
    // The text with its match in bold red; after the match the pen becomes `after`.
    void insertMarked(const QString& text, const MatchSpan& m, const RunFormat& after);

    RunFormat pen_;
    QList<ListingRun> runs_;
};

// The key of the date link at the caret: c is the number of characters before the
// caret in the listing text t. The key lies between the last "■" among the first c
// characters and the first "_" from the c-th character on, without its "/". Anything
// that is not six digits there gives the empty text.
QString linkKeyAt(const QString& t, qsizetype c);

} // namespace drv
