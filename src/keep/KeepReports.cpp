#include "KeepReports.h"

#include <QFileInfo>

namespace drv::keep {

QString countsText(const ImportCounts& c)
{
    QStringList parts;
    auto add = [&](int n, const char* what) {
        if (n > 0) parts << QStringLiteral("%1 %2 件").arg(QString::fromUtf8(what)).arg(n);
    };
    add(c.added, "追加");
    add(c.replaced, "置き換え");
    add(c.appended, "追記");
    add(c.kept, "そのまま");
    add(c.unchanged, "同じ内容");
    return parts.join(QStringLiteral("、"));
}

QString importedText(const ImportCounts& counts)
{
    return QStringLiteral("読み込みました: %1").arg(countsText(counts));
}

QString unchangedText(const ImportCounts& counts)
{
    return QStringLiteral("日記は変わりませんでした (%1)").arg(countsText(counts));
}

QString nothingNewText(int unchanged)
{
    return QStringLiteral("新しく読み込む日記はありません (同じ内容の日記 %1 件)").arg(unchanged);
}

QString batchFailureText(diary::BatchOutcome outcome)
{
    switch (outcome) {
    case diary::BatchOutcome::Written:
        break;
    case diary::BatchOutcome::Stopped:
        return QStringLiteral("取りやめました。日記は元のままです");
    case diary::BatchOutcome::Changed:
        return QStringLiteral("読み込むあいだに、ほかのプログラムが日記を変えました。\n"
                              "何も書き込んでいません。もう一度読み込んでください");
    case diary::BatchOutcome::Failed:
        return QStringLiteral("読み込めませんでした。日記は元のままです");
    }
    return {};
}

QString sourceFailureText(const QString& path, const SourceResult& r)
{
    const QString where =
        r.errorLine > 0 ? QStringLiteral("%1 行目: ").arg(r.errorLine) : QString();
    return QStringLiteral("%1 を読み込めません。\n%2%3")
        .arg(QFileInfo(path).fileName(), where, r.error);
}

QString lostCharactersList(const QList<Unencodable>& entries, const QDate& today, int atMost)
{
    QString text;
    for (qsizetype i = 0; i < entries.size() && i < atMost; ++i)
        text += QStringLiteral("%1: %2\n")
                    .arg(dayToken(entries.at(i).key, today), entries.at(i).characters);
    if (entries.size() > atMost)
        text += QStringLiteral("ほか %1 件\n").arg(entries.size() - atMost);
    return text;
}

QString exportedText(const QString& path, const ExportResult& r)
{
    QString text = QStringLiteral("%1 件を %2 に書き出しました").arg(r.written).arg(path);
    if (!r.unencodable.isEmpty())
        text += QStringLiteral("\n(「〓」にした文字のある日記: %1 件)").arg(r.unencodable.size());
    if (!r.skipped.isEmpty())
        text += QStringLiteral("\n日付でない見出し %1 の %2 件は書き出していません")
                    .arg(r.skipped.mid(0, 5).join(QStringLiteral(", ")))
                    .arg(r.skipped.size());
    return text;
}

QString exportFailureText(const QString& path, const QString& reason)
{
    return QStringLiteral("%1 に書き出せませんでした。\n%2").arg(path, reason);
}

} // namespace drv::keep
