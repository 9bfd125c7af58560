#pragma once
// The terminal's commands on the diary that "UserData.ini" names: export, import and
// search, with no display. The same library code as the window's "書き出し…",
// "読み込み…" and listing does the work; only the questions are answered by options.

#include "CommandLine.h"

namespace drv::cli {

// The mirror folder without a window, for scripts and a second machine over SSH:
//   drvesk --mirror-sync DIR [--on-conflict keep|replace|append] [--yes]
// makes DIR the mirror folder of the diary (turned on, as "写しのフォルダー…" does), runs
// one pass and exits 0 (1 with the reason on standard error). Conflicts take
// --on-conflict (keep by default: the file's text goes to "mirror-aside/"); a day deleted
// on one side is deleted on the other only with --yes, else it comes back. A file changed
// less than 2 s ago is left for the next run (the output says so).
//
// Runs any action but Window and returns the exit status. Help, version and usage
// touch nothing; the others make their own QCoreApplication from argc and argv.
int run(const Request& request, int argc, char* argv[]);

// The line of a body that holds the first place the word matches, without blanks at
// either end; the first line when it matches nowhere.
QString lineOfFirstHit(const QString& body, const QString& word);

} // namespace drv::cli
