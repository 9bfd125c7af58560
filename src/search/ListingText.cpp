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
    if (!m.found()) {
        insert(title);
    } else {
        insert(title.left(m.start));
        pen_.bold = true;
        pen_.colour = kMatchColour;
        // The title's own characters, not the word: a match may differ from the word
        // in case, in width, or by what a "*" stood for.
        insert(title.mid(m.start, m.length));
        const QString rest = title.mid(m.start + m.length);
        if (!rest.isEmpty()) {
            pen_.size = titleFont.size;
            pen_.bold = titleFont.bold;
            pen_.colour = kTitleColour;
            insert(rest);
        }
    }
    insert(kLineBreak);
}

void ListingText::addBody(const QString& body, const QString& word, const FontSetting& bodyFont)
{
    const MatchSpan m = highlight(body, word);
    pen_.font = bodyFont.name;
    pen_.size = bodyFont.size;
    pen_.bold = bodyFont.bold;
    pen_.colour = kBodyColour;
    if (!m.found()) {
        insert(body);
    } else {
        insert(body.left(m.start));
        pen_.bold = true;
        pen_.colour = kMatchColour;
        insert(body.mid(m.start, m.length));
        const QString rest = body.mid(m.start + m.length);
        if (!rest.isEmpty()) {
            pen_.bold = false;
            pen_.colour = kBodyColour;
            insert(rest);
        }
    }
    insert(kLineBreak);
    insert(kLineBreak);
}

QList<ListingRun> ListingText::take()
{
    QList<ListingRun> out;
    out.swap(runs_);
    return out;
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
