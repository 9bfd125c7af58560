#pragma once
// Checks run on arbitrary bytes by the fuzz targets of this folder and, for the inputs kept
// in <target>/corpus and <target>/regressions, by the ordinary test tst_fuzzinputs. Each
// returns what went wrong, or empty text when every check held.

#include <QByteArray>
#include <QString>

namespace drv::test {

// The bytes as "UserData.ini" beside the program: W_UserData resolves a user-data folder
// that exists and ends in "/", showing at most one message, and the default folder after
// one. programFolder and dataFolder (the application-data folder) are scratch folders.
QString exerciseUserData(const QByteArray& bytes, const QString& programFolder,
                         const QString& dataFolder);

// Text and search word (UTF-16, the first two bytes give the split): findFirst's span lies
// inside the text, cuts no surrogate pair and matches the word by itself, and matches agrees
// with findFirst.
QString exerciseMatch(const QByteArray& bytes);

// A typed date answer (UTF-8 after four bytes that pick "today"): parseDateAnswer gives no
// date or a valid one, whose day key is six digits and whose written form reads back the
// same.
QString exerciseDateAnswer(const QByteArray& bytes);

// A listing text (UTF-16 after four bytes that pick the caret): linkKeyAt gives no key or a
// real day's key that stands in the text between a link mark before the caret and a link
// end at or after it.
QString exerciseDateLink(const QByteArray& bytes);

} // namespace drv::test
