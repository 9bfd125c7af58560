#pragma once
// The terminal's commands on the diary that "UserData.ini" names: export, import and
// search, with no display. The same library code as the window's "書き出し…",
// "読み込み…" and listing does the work; only the questions are answered by options.

#include "CommandLine.h"

namespace drv::cli {

// Runs any action but Window and returns the exit status. Help, version and usage
// touch nothing; the others make their own QCoreApplication from argc and argv.
int run(const Request& request, int argc, char* argv[]);

// The line of a body that holds the first place the word matches, without blanks at
// either end; the first line when it matches nowhere.
QString lineOfFirstHit(const QString& body, const QString& word);

} // namespace drv::cli
