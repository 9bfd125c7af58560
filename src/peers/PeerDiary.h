#pragma once
// What the readers of other diary programs share: the entries of a peer's diary are
// gathered by day, several of one day joined in their order, and placed in the
// two-digit keys; days the keys cannot hold are listed, never dropped unseen.

#include "EntrySource.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

namespace drv::peers {

// A title longer than this is cut; the whole line stays in the body.
inline constexpr int kTitleLength = 40;

struct PeerResult {
    keep::SourceResult source;
    QStringList outside; // days (yyyy-mm-dd) outside the century window, in date order
    int undated = 0;     // entries of no day (Lifeograph's numbered entries)
};

// The title a text without one gets: its first line that is not blank, cut at
// kTitleLength characters.
QString titleOfText(const QString& text);

class DayBook {
public:
    explicit DayBook(const QDate& today) : today_(today) {}

    // One peer entry: `text` is how it reads after another entry of the same day, its
    // body is the text from `bodyFrom` on (both without blanks at either end). Entries
    // of no text are passed over.
    void add(const QDate& date, int order, const QString& title, const QString& text,
             qsizetype bodyFrom, int line);
    // The same with a body that is not a part of the text.
    void add(const QDate& date, int order, const QString& title, const QString& body,
             const QString& text, int line);
    void addUndated() { ++undated_; }
    qsizetype size() const { return pieces_.size(); }
    // The entries by date, one a day.
    PeerResult finish();

private:
    struct Piece {
        QDate date;
        int order = 0;
        QString title, text;
        qsizetype bodyFrom = 0;
        int line = 0;
        QString body; // when ownBody; otherwise the body is the text from bodyFrom on
        bool ownBody = false;
    };
    QDate today_;
    QList<Piece> pieces_;
    int undated_ = 0;
};

} // namespace drv::peers
