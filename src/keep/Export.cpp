#include "Export.h"

#include "DateKey.h"
#include "DiaryBatch.h"
#include "JsonFormat.h"
#include "LineFormat.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace drv::keep {

namespace {

constexpr char16_t kGeta = u'〓'; // the customary mark of a character that could not be set

// Code points one by one; a string of those CP932 cannot hold, or the text with each
// replaced by the mark.
template <typename Visit> void eachCodePoint(QStringView text, Visit visit)
{
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2
                                                                                             : 1;
        visit(text.mid(i, n));
        i += n;
    }
}

// What CP932 cannot hold does not come back as it was. (The encoder's error flag cannot
// be cleared once set, so it is no help past the first character.)
struct Cp932 {
    QStringEncoder enc{"windows-31j", QStringConverter::Flag::Stateless};
    QStringDecoder dec{"windows-31j", QStringConverter::Flag::Stateless};

    bool holds(QStringView text, QByteArray& bytes)
    {
        bytes = enc.encode(text);
        const QString back = dec.decode(bytes);
        return back == text;
    }
    bool holds(QStringView text)
    {
        QByteArray ignored;
        return holds(text, ignored);
    }
    QString withMarks(const QString& text)
    {
        QString out;
        out.reserve(text.size());
        eachCodePoint(text, [&](QStringView c) {
            if (holds(c))
                out += c;
            else
                out += QChar(kGeta);
        });
        return out;
    }
};

class Writer {
public:
    Writer(QSaveFile& file, const ExportOptions& options, const QDate& today)
        : file_(file), options_(options), today_(today)
    {
        if (options_.format == Format::Json) out_ += jsonOpening();
    }

    bool take(const DiaryEntry& e, ExportResult& result)
    {
        if (!DateKey::isKey(e.skYmn)) {
            result.skipped << e.skYmn;
            return true;
        }
        if (options_.from.isValid() && options_.to.isValid()) {
            const QDate d = DateKey::toDate(e.skYmn, today_);
            if (!d.isValid() || d < options_.from || d > options_.to) return true;
        }
        if (options_.encoding == Encoding::Cp932) return takeCp932(e, result);
        append(e, out_);
        ++result.written;
        return out_.size() < kChunk || flush();
    }

    bool finish()
    {
        if (options_.format == Format::Json)
            out_ += written_ == 0 ? jsonClosing().mid(1) : jsonClosing();
        return flush();
    }

private:
    static constexpr qsizetype kChunk = 1 << 20;

    void append(const DiaryEntry& e, QString& out)
    {
        switch (options_.format) {
        case Format::Json:
            appendJsonEntry(out, e, today_, written_ == 0);
            break;
        case Format::Markdown:
            appendLineEntry(out, LineSyntax::Markdown, e, today_, u"\n");
            break;
        case Format::Text:
            appendLineEntry(out, LineSyntax::Text, e, today_,
                            options_.encoding == Encoding::Cp932 ? QStringView(u"\r\n")
                                                                 : QStringView(u"\n"));
            break;
        }
        ++written_;
    }

    bool takeCp932(const DiaryEntry& e, ExportResult& result)
    {
        QString text;
        append(e, text);
        QByteArray bytes;
        if (!cp932_.holds(text, bytes)) {
            result.unencodable << Unencodable{e.skYmn, unencodableInCp932(e.szTtl + e.szDoc)};
            DiaryEntry marked = e;
            marked.szTtl = cp932_.withMarks(e.szTtl);
            marked.szDoc = cp932_.withMarks(e.szDoc);
            text.clear();
            --written_;
            append(marked, text);
            cp932_.holds(text, bytes);
        }
        ++result.written;
        bytes_ += bytes;
        return bytes_.size() < kChunk || flush();
    }

    bool flush()
    {
        if (!out_.isEmpty()) {
            bytes_ += out_.toUtf8();
            out_.clear();
        }
        const bool ok = file_.write(bytes_) == bytes_.size();
        bytes_.clear();
        return ok;
    }

    QSaveFile& file_;
    const ExportOptions& options_;
    QDate today_;
    Cp932 cp932_;
    QString out_;
    QByteArray bytes_;
    int written_ = 0;
};

} // namespace

Format formatOfFile(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"json") return Format::Json;
    if (suffix == u"md" || suffix == u"markdown") return Format::Markdown;
    return Format::Text;
}

QString unencodableInCp932(const QString& text)
{
    Cp932 cp932;
    QString lost;
    eachCodePoint(text, [&](QStringView c) {
        if (!lost.contains(c) && !cp932.holds(c)) lost += c;
    });
    return lost;
}

ExportResult exportDiary(const QString& path, const ExportOptions& options, const QDate& today,
                         const Progress& progress, const ConfirmLoss& confirmLoss)
{
    ExportResult result;
    ExportOptions chosen = options;
    if (chosen.format != Format::Text) chosen.encoding = Encoding::Utf8;
    int total = 0;
    if (!diary::entryCount(total)) return result;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        result.reason = file.errorString();
        return result;
    }
    // The diary's text is private: a new file is its owner's alone, as the diary is.
    if (!QFileInfo::exists(path))
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    Writer writer(file, chosen, today);
    qint64 done = 0;
    bool writeOk = true, cancelled = false;
    const bool walked = diary::walk(500, [&](const QList<DiaryEntry>& page) {
        for (const DiaryEntry& e : page)
            if (!(writeOk = writer.take(e, result))) return false;
        done += page.size();
        cancelled = progress && !progress(done, total);
        return !cancelled;
    });
    writeOk = writeOk && writer.finish();
    if (!walked || !writeOk || cancelled) {
        file.cancelWriting();
        result.outcome = cancelled ? ExportResult::Cancelled : ExportResult::Failed;
        if (!writeOk) result.reason = file.errorString();
        return result;
    }
    if (!result.unencodable.isEmpty() && !(confirmLoss && confirmLoss(result.unencodable))) {
        file.cancelWriting();
        result.outcome = ExportResult::Cancelled;
        return result;
    }
    if (!file.commit()) {
        result.reason = file.errorString();
        return result;
    }
    result.outcome = ExportResult::Written;
    return result;
}

} // namespace drv::keep
