#pragma once
// The draft files that the draft crash test's helper writes, one per generation, so that
// the test knows every byte the file may hold: the generation before a kill, or the one
// under way. Every fifth generation is no draft at all: the file is removed.

#include "Draft.h"

namespace drv::crash {

inline QList<Draft> draftsOf(int generation)
{
    if (generation % 5 == 0) return {};
    // Sizes from a few bytes to about half a megabyte, so that kills land inside writes.
    const int chars = int((quint64(generation) * 7919u) % 90000u);
    QList<Draft> drafts{
        Draft{kMainWindow, QStringLiteral("261207"), QStringLiteral("題 %1").arg(generation),
              QString(chars, QChar(u'あ' + generation % 80)) + QString::number(generation),
              entryFingerprint(QStringLiteral("題"), QString::number(generation))}};
    if (generation % 3 == 0)
        drafts.append(Draft{kCorrectionWindow, QStringLiteral("061224"), QStringLiteral("Trip"),
                            QString(chars / 2, u'x'), "none"});
    return drafts;
}

} // namespace drv::crash
