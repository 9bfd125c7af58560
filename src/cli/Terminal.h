#pragma once
// The terminal as the program's dialogs: what a library would show in a message box is
// kept and told on standard error in one line; questions are answered no, as nobody is
// there to answer them.

#include "Platform.h"

#include <QStringList>

namespace drv::cli {

class TerminalDialogs final : public Dialogs {
public:
    void message(const QString& text) override { said_ << text; }
    bool confirm(const QString& text) override
    {
        said_ << text;
        return false;
    }
    bool prompt(const QString&, const QString&, const QString&, QString&) override { return false; }
    bool chooseFont(QString&, double&, bool&) override { return false; }
    bool chooseSaveFile(const QString&, const QString&, const QString&, QString&) override
    {
        return false;
    }

    // What was said since the last take, each in one line.
    QStringList take();

private:
    QStringList said_;
};

// The text with its line breaks turned into blanks.
QString oneLine(const QString& text);
// UTF-8 to standard output and standard error.
void out(const QString& text);
void err(const QString& text);

} // namespace drv::cli
