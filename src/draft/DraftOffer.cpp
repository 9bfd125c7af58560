#include "DraftOffer.h"

#include "SyncedFile.h"

#include <QDir>
#include <QFile>

namespace drv {

namespace {

constexpr int kShownChars = 40;

QString displayKey(const QString& key)
{
    return key.size() == 6 ? key.first(2) + u'/' + key.mid(2, 2) + u'/' + key.last(2) : key;
}

QString firstLine(const QString& text)
{
    for (QString line : text.split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty()) continue;
        return line.size() > kShownChars ? line.first(kShownChars) + u'…' : line;
    }
    return {};
}

} // namespace

DraftState judgeDraft(const Draft& draft, const QString& storedTitle, const QString& storedBody)
{
    const bool bodyOnly = draft.window == kCorrectionWindow;
    if (storedBody == draft.body && (bodyOnly || storedTitle == draft.title))
        return DraftState::Stored;
    return entryFingerprint(storedTitle, storedBody) == draft.basedOn
               ? DraftState::Unchanged
               : DraftState::ChangedElsewhere;
}

QString offerText(const Draft& draft, DraftState state)
{
    QString t =
        draft.window == kCorrectionWindow
            ? QStringLiteral("前回、文書修正の画面で保存されないまま終わった文章があります。")
            : QStringLiteral("前回、保存されないまま終わった文章があります。");
    t += QStringLiteral("\n\n日付: ") + displayKey(draft.key);
    if (const QString title = firstLine(draft.title); !title.isEmpty())
        t += QStringLiteral("\n表題: ") + title;
    if (const QString body = firstLine(draft.body); !body.isEmpty())
        t += QStringLiteral("\n本文: ") + body;
    if (state == DraftState::ChangedElsewhere)
        t += QStringLiteral(
            "\n\nこの日の日記は、その後ほかのプログラムか別の画面で変更されています。"
            "\n戻した文章を保存すると、その変更は置き換えられます。");
    t += QStringLiteral("\n\nこの文章を元に戻しますか。"
                        "\n（キャンセルを選ぶと、文章は backup フォルダーに残します）");
    return t;
}

QString keepAside(const QByteArray& bytes, const QString& folder, const QDateTime& now)
{
    const QString dir = folder + QStringLiteral("backup/");
    if (!QDir().mkpath(dir)) return {};
    QFile::setPermissions(dir,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString stem =
        dir + QStringLiteral("draft-") + now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString path = stem + QStringLiteral(".txt");
    for (int n = 2; QFile::exists(path); ++n)
        path = stem + QStringLiteral("-%1.txt").arg(n);
    return writeSynced(path, bytes) ? path : QString();
}

} // namespace drv
