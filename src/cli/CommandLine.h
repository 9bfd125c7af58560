#pragma once
// The program's command line: what a start asks for. Without any of these options the
// diary's window opens, as it always has; the others answer in the terminal and end.

#include "Formats.h"
#include "Import.h"

#include <QDate>
#include <QStringList>

namespace drv::cli {

// Exit statuses of the terminal commands.
inline constexpr int kDone = 0;
inline constexpr int kFailed = 1; // the one-line reason is on standard error
inline constexpr int kUsage = 2;  // the command line itself was wrong

enum class Action { Window, Help, Version, Usage, Export, Import, Search, MirrorSync };

struct Request {
    Action action = Action::Window;
    QString file;                             // --export, --import, --mirror-sync's folder
    QString word;                             // --search
    keep::Format format = keep::Format::Text; // from --format, else from the file's name
    keep::Encoding encoding = keep::Encoding::Utf8;
    QDate from, to;     // --from, --to: both or neither
    bool lossy = false; // --lossy
    bool yes = false;   // --yes
    keep::Resolution onConflict = keep::Resolution::Keep;
    QString error; // Usage: what is wrong
};

// The program's arguments as text (argv[0] first); needs no application object.
QStringList arguments(int argc, char* argv[]);
// arguments[0] is the program. Qt's own options of a windowed program (-platform,
// -style …) pass for the window.
Request parse(const QStringList& arguments);

QString helpText();
QString versionText();

} // namespace drv::cli
