#include "Draft.h"

#include "DiaryKeys.h"

#include <QCryptographicHash>

namespace drv {

namespace {

const QByteArray kHeader = QByteArrayLiteral("drvesk-draft 1\n");
const QByteArray kSum = QByteArrayLiteral("sha256 ");
constexpr int kSumLine = 7 + 64 + 1;

QByteArray sha256Hex(QByteArrayView bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

void putLine(QByteArray& out, const char* name, const QByteArray& value)
{
    out += name;
    out += ' ';
    out += value;
    out += '\n';
}

void putText(QByteArray& out, const char* name, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    putLine(out, name, QByteArray::number(utf8.size()));
    out += utf8;
    out += '\n';
}

// Reads the file front to back; any surprise makes the whole file unreadable.
class Reader {
public:
    explicit Reader(QByteArrayView bytes) : b_(bytes) {}

    std::optional<QByteArray> line(QByteArrayView name)
    {
        const qsizetype end = b_.indexOf('\n', at_);
        if (end < 0) return std::nullopt;
        const QByteArrayView l = b_.sliced(at_, end - at_);
        if (!l.startsWith(name) || l.size() <= name.size() || l.at(name.size()) != ' ')
            return std::nullopt;
        at_ = end + 1;
        return l.sliced(name.size() + 1).toByteArray();
    }
    std::optional<QString> text(QByteArrayView name)
    {
        const std::optional<QByteArray> n = line(name);
        bool ok = false;
        const qsizetype size = n ? n->toLongLong(&ok) : -1;
        if (!ok || size < 0 || size > b_.size() - at_ - 1 || b_.at(at_ + size) != '\n')
            return std::nullopt;
        const QString t = QString::fromUtf8(b_.sliced(at_, size));
        at_ += size + 1;
        return t;
    }
    qsizetype at() const { return at_; }
    void skip(qsizetype n) { at_ += n; }

private:
    QByteArrayView b_;
    qsizetype at_ = 0;
};

} // namespace

QByteArray entryFingerprint(const QString& title, const QString& body)
{
    if (title.isEmpty() && body.isEmpty()) return QByteArrayLiteral("none");
    // The title's length goes in first, so that no title and body run into another pair.
    const QByteArray t = title.toUtf8();
    return sha256Hex(QByteArray::number(t.size()) + ':' + t + body.toUtf8());
}

QByteArray serializeDrafts(const QList<Draft>& drafts)
{
    // The drafts of an encrypted diary are sealed with its drafts' own key.
    if (const auto keys = heldDiaryKeys())
        return keys->sealFile(vault::KeySet::Use::Drafts, plainDrafts(drafts));
    return plainDrafts(drafts);
}

QByteArray plainDrafts(const QList<Draft>& drafts)
{
    QByteArray out = kHeader;
    putLine(out, "count", QByteArray::number(drafts.size()));
    for (const Draft& d : drafts) {
        putLine(out, "window", d.window.toUtf8());
        putLine(out, "key", d.key.toUtf8());
        putLine(out, "based", d.basedOn);
        putText(out, "title", d.title);
        putText(out, "body", d.body);
    }
    putLine(out, kSum.trimmed().constData(), sha256Hex(out));
    return out;
}

std::optional<QList<Draft>> parseDrafts(const QByteArray& stored)
{
    QByteArray bytes = stored;
    if (vault::isSealedFile(stored)) {
        const auto keys = heldDiaryKeys();
        if (!keys || !keys->openFile(vault::KeySet::Use::Drafts, stored, bytes))
            return std::nullopt;
    }
    if (!bytes.startsWith(kHeader) || bytes.size() < kHeader.size() + kSumLine) return std::nullopt;
    const qsizetype sumAt = bytes.size() - kSumLine;
    const QByteArrayView tail = QByteArrayView(bytes).sliced(sumAt);
    if (!tail.startsWith(kSum) || !tail.endsWith('\n') ||
        tail.sliced(kSum.size(), 64) != sha256Hex(QByteArrayView(bytes).first(sumAt)))
        return std::nullopt;

    Reader r(QByteArrayView(bytes).first(sumAt));
    r.skip(kHeader.size());
    const std::optional<QByteArray> count = r.line("count");
    bool ok = false;
    const int n = count ? count->toInt(&ok) : -1;
    if (!ok || n < 0) return std::nullopt;
    QList<Draft> drafts;
    for (int i = 0; i < n; ++i) {
        Draft d;
        const std::optional<QByteArray> window = r.line("window"), key = r.line("key"),
                                        based = r.line("based");
        if (!window || !key || !based) return std::nullopt;
        const std::optional<QString> title = r.text("title");
        const std::optional<QString> body = title ? r.text("body") : std::nullopt;
        if (!body) return std::nullopt;
        drafts.append(
            Draft{QString::fromUtf8(*window), QString::fromUtf8(*key), *title, *body, *based});
    }
    if (r.at() != sumAt) return std::nullopt;
    return drafts;
}

} // namespace drv
