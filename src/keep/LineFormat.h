#pragma once
// The plain-text and Markdown files of a diary: each entry a heading line with its day
// and title, then its body as it is.
//
//   ■2026-12-07 Title             # 2026-12-07 Title
//   Body lines                    (blank line)
//   (blank line)                  Body lines
//                                 (blank line)
//
// A body line that would read as a heading (text: beginning with "■"; Markdown: with
// "# ") gets a "\" in front, as does one that begins with backslashes before those; a
// title holding a line feed is written after "\" instead of a space, with "\n" and "\\"
// for line feed and backslash. Lines end in "\n" or "\r\n"; a carriage return of the
// text itself stays, so every body comes back as it was.

#include "EntrySource.h"
#include "Progress.h"

#include <QStringView>

namespace drv::keep {

enum class LineSyntax { Text, Markdown };

void appendLineEntry(QString& out, LineSyntax syntax, const DiaryEntry& entry, const QDate& today,
                     QStringView eol);

// Reads a whole file's text. A line ending of "\r\n" is taken as the file's when every
// line ends so.
SourceResult parseLineEntries(QStringView text, LineSyntax syntax, const QDate& today,
                              const Progress& progress);

} // namespace drv::keep
