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
// How month files are laid out: as RedNotebook writes them through its YAML library
// (PyYAML: the text plain when it is one line that needs no quotes, otherwise
// single-quoted with its lines folded at a space past column 80 and a line break
// written as an empty line, double-quoted when it holds a tab or another control
// character or a space beside a line break), or as yaml-cpp's emitter writes them
// (literal blocks), which RedNotebook reads as well.
enum class YamlLayout { RedNotebook, YamlCpp };

// One YAML month file for each month, in `folder`.
void writeRedNotebook(const QString& folder, const QList<PeerDay>& days,
                      YamlLayout layout = YamlLayout::RedNotebook);
// The bytes of one month file of those days.
QByteArray redNotebookMonth(const QList<PeerDay>& days, YamlLayout layout);
// diary.db with Almanah's tables; the text stored as Almanah stores it: its entry XML
// (format 2) in UTF-8, as a blob.
void writeAlmanah(const QString& path, const QList<PeerDay>& days);

} // namespace drv::test
