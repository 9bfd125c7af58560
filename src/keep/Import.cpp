#include "Import.h"

#include "JsonFormat.h"
#include "KeepReports.h"
#include "LineFormat.h"

#include <QFile>
#include <QStringDecoder>

namespace drv::keep {

namespace {

// The first line that does not decode, counted from 1.
int badLine(const QByteArray& bytes, const char* codec)
{
    int line = 1;
    for (qsizetype from = 0; from < bytes.size(); ++line) {
        qsizetype end = bytes.indexOf('\n', from);
        end = end < 0 ? bytes.size() : end + 1; // with its line feed: a lead byte needs a trail
        QStringDecoder dec(codec, QStringConverter::Flag::Stateless);
        const QString ignored = dec.decode(QByteArrayView(bytes.constData() + from, end - from));
        if (dec.hasError()) return line;
        from = end;
    }
    return line;
}

constexpr qsizetype kChunk = 4 << 20;

// Decodes the whole text in pieces that end after a line feed (no character of UTF-8 or
// CP932 holds that byte), telling progress between them. False at the first bad byte.
bool decodeAll(const QByteArray& bytes, qsizetype from, const char* codec, QString& text,
               const Progress& progress, bool& stopped)
{
    text.clear();
    text.reserve(bytes.size() - from);
    QStringDecoder dec(codec, QStringConverter::Flag::Stateless);
    while (from < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', std::min(bytes.size(), from + kChunk));
        end = end < 0 ? bytes.size() : end + 1;
        text += dec.decode(QByteArrayView(bytes.constData() + from, end - from));
        if (dec.hasError()) return false;
        from = end;
        if (progress && !progress(from, bytes.size())) {
            stopped = true;
            return false;
        }
    }
    return true;
}

bool decode(const QByteArray& bytes, Format format, QString& text, SourceResult& result,
            const Progress& progress)
{
    const qsizetype bom = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    if (decodeAll(bytes, bom, "UTF-8", text, progress, result.stopped)) return true;
    if (result.stopped) return false;
    if (format != Format::Text) {
        result.fail(badLine(bytes, "UTF-8"), QStringLiteral("UTF-8 として読めない文字があります"));
        return false;
    }
    if (decodeAll(bytes, 0, "windows-31j", text, progress, result.stopped)) return true;
    if (!result.stopped)
        result.fail(badLine(bytes, "windows-31j"),
                    QStringLiteral("UTF-8 としても Shift-JIS としても読めない文字があります"));
    return false;
}

bool readAll(QFile& f, QByteArray& bytes, const Progress& progress, SourceResult& result)
{
    const qint64 size = f.size();
    bytes.reserve(size);
    for (;;) {
        const QByteArray piece = f.read(kChunk);
        if (f.error() != QFileDevice::NoError) {
            result.fail(0, f.errorString());
            return false;
        }
        if (piece.isEmpty()) return true;
        bytes += piece;
        if (progress && !progress(bytes.size(), std::max(size, qint64(bytes.size())))) {
            result.stopped = true;
            return false;
        }
    }
}

} // namespace

SourceResult readDiaryFile(const QString& path, Format format, const QDate& today,
                           const Progress& progress)
{
    SourceResult result;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        result.fail(0, f.errorString());
        return result;
    }
    QByteArray bytes;
    if (!readAll(f, bytes, part(progress, 0, 150), result)) return result;
    f.close();
    QString text;
    if (!decode(bytes, format, text, result, part(progress, 150, 400))) return result;
    bytes = QByteArray();
    const Progress parsing = part(progress, 400, 1000);
    switch (format) {
    case Format::Json:
        return parseJsonEntries(text, today, parsing);
    case Format::Markdown:
        return parseLineEntries(text, LineSyntax::Markdown, today, parsing);
    case Format::Text:
        break;
    }
    return parseLineEntries(text, LineSyntax::Text, today, parsing);
}

bool planImport(const QList<ImportedEntry>& entries, ImportPlan& plan, const Progress& progress)
{
    plan = {};
    QStringList keys;
    keys.reserve(entries.size());
    for (const ImportedEntry& e : entries)
        keys << e.entry.skYmn;
    QHash<QString, DiaryEntry> existing;
    if (!diary::entriesOfDays(keys, existing, progress)) return false;
    for (const ImportedEntry& e : entries) {
        const auto it = existing.constFind(e.entry.skYmn);
        if (it == existing.constEnd())
            plan.added << e.entry;
        else if (*it == e.entry)
            ++plan.unchanged;
        else
            plan.conflicts << Conflict{e.entry, *it, e.line};
    }
    return true;
}

DiaryEntry appended(const DiaryEntry& existing, const DiaryEntry& incoming)
{
    DiaryEntry r = existing;
    QString part = incoming.szDoc;
    if (!incoming.szTtl.isEmpty() && incoming.szTtl != existing.szTtl) {
        if (existing.szTtl.isEmpty())
            r.szTtl = incoming.szTtl;
        else
            part = part.isEmpty() ? incoming.szTtl : incoming.szTtl + u'\n' + part;
    }
    if (!part.isEmpty())
        r.szDoc = existing.szDoc.isEmpty() ? part : existing.szDoc + QStringLiteral("\n\n") + part;
    return r;
}

QList<diary::BatchRow> resolveImport(const ImportPlan& plan, const QList<Resolution>& choices,
                                     ImportCounts& counts)
{
    counts = {};
    counts.unchanged = plan.unchanged;
    QList<diary::BatchRow> rows;
    rows.reserve(plan.added.size() + plan.conflicts.size());
    for (const DiaryEntry& e : plan.added)
        rows << diary::BatchRow{e, std::nullopt};
    counts.added = int(plan.added.size());
    for (qsizetype i = 0; i < plan.conflicts.size(); ++i) {
        const Conflict& c = plan.conflicts.at(i);
        switch (choices.value(i, Resolution::Keep)) {
        case Resolution::Keep:
            ++counts.kept;
            break;
        case Resolution::Replace:
            rows << diary::BatchRow{c.incoming, c.existing};
            ++counts.replaced;
            break;
        case Resolution::Append:
            rows << diary::BatchRow{appended(c.existing, c.incoming), c.existing};
            ++counts.appended;
            break;
        }
    }
    return rows;
}

ImportEnd writeImport(const ImportPlan& plan, const QList<Resolution>& choices,
                      const Progress& progress)
{
    ImportCounts counts;
    const QList<diary::BatchRow> rows = resolveImport(plan, choices, counts);
    if (rows.isEmpty()) return {false, false, unchangedText(counts)};
    const diary::BatchOutcome outcome = diary::writeBatch(rows, progress);
    if (outcome != diary::BatchOutcome::Written) return {false, true, batchFailureText(outcome)};
    return {true, false, importedText(counts)};
}

} // namespace drv::keep
