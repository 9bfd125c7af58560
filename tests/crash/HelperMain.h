#pragma once
// What the helper processes of the crash and power-cut tests share: their report lines and
// their machine, a fixed or real date and dialogs that nobody answers.

#include "Platform.h"

#include <QDate>
#include <QStringList>

#include <functional>

namespace drv::crash {

// One line on standard output, written whole and unbuffered, so that every line a test
// reads was true before the process died.
void say(const QString& line);

// What password prompts are answered with, in turn (then they are cancelled), and the
// last answer given.
struct Answers {
    QStringList passwords;
    QString lastPassword;
};
Answers& answers();

// A helper's main: the application and its machine in place (today's date, or `today`
// when valid; a message or a confirmation reported as "message TEXT" with its line breaks
// as " | ", every confirmation answered yes, prompts and file choices no, password prompts from
// answers()), then `run` with the arguments; its result is the exit status.
int helperMain(int argc, char* argv[], const QDate& today,
               const std::function<int(const QStringList& arguments)>& run);

} // namespace drv::crash
