#pragma once
// What the crash helper writes, computed again by the tests that check it: every save and
// every settings generation is a pure function of its number, so a test can tell exactly
// which complete version the disk must hold after a kill.

#include <QString>

namespace drv {
class yIni;
}

namespace drv::crash {

// The day of save number id: one of `pool` consecutive days from `firstDay` days after
// 2020-01-01, so that most saves update an entry written before. Saves whose numbers
// differ by a multiple of 100000 fall on the same day.
QString keyOf(quint64 id, int firstDay, int pool);

// Title and body of save number id. Sizes run from a few characters to a few hundred
// thousand (entries that span many database pages), with quotes, "?", kana, emoji and
// control characters; the number stands at both ends so a mixed or cut text shows.
QString titleOf(quint64 id);
QString bodyOf(quint64 id);

// Settings generation g: the window group and a memo group, the memo from a few to a few
// hundred kilobytes, all in characters that Shift-JIS holds.
void applyGeneration(yIni& ini, int g);
// The whole document of generation g, as SetTxt writes it into a fresh file.
QString settingsDocument(int g);

} // namespace drv::crash
