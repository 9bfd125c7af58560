#pragma once
// Writing the diary, or the days of a date range, to a file of one of the formats.

#include "Diary.h"
#include "Formats.h"
#include "Progress.h"

#include <QDate>
#include <QList>
#include <QStringList>

namespace drv::keep {

struct ExportOptions {
    Format format = Format::Text;
    Encoding encoding = Encoding::Utf8;
    QDate from, to; // both valid: only the days from `from` to `to`; otherwise every day
};

// An entry that CP932 cannot hold in full, and the characters it cannot hold.
struct Unencodable {
    QString key;
    QString characters;
};

struct ExportResult {
    enum Outcome { Written, Cancelled, Failed } outcome = Failed;
    int written = 0;
    QStringList skipped; // keys that are no day key at all, left out
    QList<Unencodable> unencodable;
    QString reason; // of a failure; empty when the store showed its own message
};

// Asked before the file is put in place whether to write the listed entries with "〓"
// in place of each character CP932 cannot hold; no means nothing is written.
using ConfirmLoss = std::function<bool(const QList<Unencodable>& entries)>;

// Writes the entries in date order to `path`, which appears whole or not at all.
ExportResult exportDiary(const QString& path, const ExportOptions& options, const QDate& today,
                         const Progress& progress, const ConfirmLoss& confirmLoss);

// The characters of a text that CP932 cannot hold, each once, in order.
QString unencodableInCp932(const QString& text);

} // namespace drv::keep
