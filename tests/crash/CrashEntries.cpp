#include "CrashEntries.h"

#include "DateKey.h"
#include "yIni.h"

#include <QDate>
#include <QStringList>

#include <algorithm>

namespace drv::crash {

namespace {

// SplitMix64: a cheap, well-spread hash of the save number.
quint64 mix(quint64 x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// Runs of up to seven characters of the alphabet, taken whole so that no emoji is cut in two.
QString filled(quint64 id, qsizetype length, const QString& alphabet)
{
    const QString mark = QStringLiteral("<%1>").arg(id);
    QStringList chars; // one code point each
    for (qsizetype i = 0; i < alphabet.size(); ++i) {
        const qsizetype n = alphabet.at(i).isHighSurrogate() ? 2 : 1;
        chars << alphabet.mid(i, n);
        i += n - 1;
    }
    QString s;
    s.reserve(length + 2 * mark.size());
    s += mark;
    quint64 h = mix(id);
    while (s.size() < length + mark.size()) {
        const qsizetype from = qsizetype(h % quint64(chars.size()));
        for (qsizetype i = from; i < std::min(from + 7, chars.size()); ++i)
            s += chars.at(i);
        h = mix(h);
    }
    return s + mark;
}

} // namespace

QString keyOf(quint64 id, int firstDay, int pool)
{
    // Saves whose numbers differ by a multiple of 100000 fall on the same day.
    const qint64 day = firstDay + qint64(mix((id % 100000) ^ 0x5EEDull) % quint64(pool));
    return DateKey::fromDate(QDate(2020, 1, 1).addDays(day));
}

QString titleOf(quint64 id)
{
    static const QString alphabet = QStringLiteral("散歩 It's \"rain\"? ｶﾞｷﾞ 😀\t晴れ");
    return filled(id, qsizetype(mix(id + 1) % 60), alphabet);
}

QString bodyOf(quint64 id)
{
    static const QString alphabet =
        QStringLiteral("今日は雨の日に散歩した。It's \"fine\", isn't it? 100% [#1] 🌸\u0001\r\n"
                       "ﾊﾝｶｸ 한국어 Ω\u3000end?");
    const quint64 h = mix(id + 2);
    // One in eight spans many pages of the database.
    const qsizetype length = h % 8 == 0 ? 60000 + qsizetype(h % 200000) : qsizetype(h % 3000);
    return filled(id, length, alphabet);
}

void applyGeneration(yIni& ini, int g)
{
    ini.GetGtx(QStringLiteral("画面"));
    ini.SetVal(QStringLiteral("LEFT"), g);
    ini.SetVal(QStringLiteral("TOP"), g % 977);
    ini.SetGtx();
    ini.GetGtx(QStringLiteral("メモ"));
    const qsizetype length = 2000 + qsizetype(mix(quint64(g)) % 200000);
    ini.SetVal(QStringLiteral("本文"),
               filled(quint64(g), length, QStringLiteral("日記メモABCxyz、")));
    ini.SetGtx();
}

QString settingsDocument(int g)
{
    yIni ini;
    applyGeneration(ini, g);
    return ini.sTxt;
}

} // namespace drv::crash
