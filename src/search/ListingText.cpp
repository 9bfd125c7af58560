#include "ListingText.h"

#include "DateKey.h"
#include "TextMatch.h"

namespace drv {

namespace {

// The span to show in red: the first match, by the rule the search itself used. A
// match of no characters (a word of only "*") shows nothing in red.
MatchSpan highlight(const QString& text, const QString& word)
{
    if (word.isEmpty()) return {};
    const MatchSpan m = findFirst(text, word);
    return m.length > 0 ? m : MatchSpan{};
}

} // namespace

void ListingText::addTitle(const QString& key, const QString& title, const QString& word,
                           const FontSetting& titleFont)
{
    const MatchSpan m = highlight(title, word);
    pen_.font = titleFont.name;
    pen_.size = titleFont.size;
    pen_.bold = titleFont.bold;
    pen_.colour = kLinkColour;
    pen_.underline = true;
    insert(kLinkMark + DateKey::display(key) + kLinkEnd);
    pen_.colour = kTitleColour;
    pen_.underline = false;
    insert(QStringLiteral("  "));
    const RunFormat after = pen_; // a copy: marking changes the pen
    insertMarked(title, m, after);
    insert(kLineBreak);
}

void ListingText::addBody(const QString& body, const QString& word, const FontSetting& bodyFont)
{
    const MatchSpan m = highlight(body, word);
    pen_.font = bodyFont.name;
    pen_.size = bodyFont.size;
    pen_.bold = bodyFont.bold;
    pen_.colour = kBodyColour;
    RunFormat after = pen_;
    after.bold = false;
    insertMarked(body, m, after);
    insert(kLineBreak);
    insert(kLineBreak);
}

QList<ListingRun> ListingText::take()
{
    QList<ListingRun> out;
    out.swap(runs_);
    return out;
}

void ListingText::insertMarked(const QString& text, const MatchSpan& m, const RunFormat& after)
{
    if (!m.found()) {
        insert(text);
        return;
    }
    insert(text.left(m.start));
    pen_.bold = true;
    pen_.colour = kMatchColour;
    // The text's own characters, not the word: a match may differ from the word in case,
    // in width, or by what a "*" stood for.
    insert(text.mid(m.start, m.length));
    const QString rest = text.mid(m.start + m.length);
    if (rest.isEmpty()) return; // the red pen carries on, as a text control's would
    pen_ = after;
    insert(rest);
}

void ListingText::insert(const QString& text)
{
    if (text.isEmpty()) return;
    if (!runs_.isEmpty() && runs_.last().format == pen_)
        runs_.last().text += text;
    else
        runs_.append({text, pen_});
}

QString linkKeyAt(const QString& t, qsizetype c)
{
    if (c <= 0 || c > t.size()) return {};
    const qsizetype d = t.lastIndexOf(kLinkMark, c - 1); // -1 when there is none
    const qsizetype f = t.indexOf(kLinkEnd, c - 1);
    if (f < 0) return {};
    const QString key = DateKey::fromDisplay(t.mid(d + 1, f - d - 1));
    return DateKey::isKey(key) ? key : QString();
}

} // namespace drv
