#pragma once
// Diaries in the other programs' formats, written the way those programs write them,
// for tests and benchmarks that need more (or stranger) days than the fixtures hold.

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

namespace drv::test {

struct PeerDay {
    QDate date;
    QString text;  // several lines; for Lifeograph its paragraphs, the first the title
    int order = 1; // Lifeograph: the entry's place among the day's entries
};

// Lifeograph file version 2000; an undated entry for each of `undated`.
void writeLifeograph(const QString& path, const QList<PeerDay>& days, int undated = 0);
// One YAML month file for each month, in `folder`.
void writeRedNotebook(const QString& folder, const QList<PeerDay>& days);
// diary.db with Almanah's tables; the text stored as Almanah's entry XML (format 2).
void writeAlmanah(const QString& path, const QList<PeerDay>& days);

} // namespace drv::test
