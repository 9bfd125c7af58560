#pragma once
// The three-way decision for one day: what the diary holds, what its file holds, and what
// both held when they last agreed, each as a digest (empty: no row, no file, no
// agreement yet). Content only: clocks never decide.

#include <QByteArray>

namespace drv::mirror {

enum class Step {
    Nothing,       // in step, or neither side has the day
    Agree,         // both hold the same text: remember it as agreed
    Forget,        // both sides dropped the day: drop the agreement
    WriteFile,     // the diary changed (or the file is new to it): write the file
    ReadFile,      // the file changed (or the row is missing): read it into the diary
    Choose,        // both changed, or they differ with no agreement yet: the user chooses
    AskRemoveRow,  // the file was deleted, the row is as agreed: ask before deleting it
    AskRemoveFile, // the row was deleted, the file is as agreed: ask before deleting it
};

Step decide(const QByteArray& diary, const QByteArray& file, const QByteArray& agreed);

} // namespace drv::mirror
