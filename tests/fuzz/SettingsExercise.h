#pragma once
// One pass of the settings file operations over arbitrary file content, shared by the fuzzer
// and by the ordinary test that replays the inputs the fuzzer once broke on.

#include <QByteArray>
#include <QString>

namespace drv::test {

// Writes bytes as "User.xml" in folder, then loads, reads, changes and writes it back the way
// the program does. Returns what went wrong, or empty text when every check held.
QString exerciseSettingsFile(const QByteArray& bytes, const QString& folder);

} // namespace drv::test
