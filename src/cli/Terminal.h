#pragma once
// The terminal as the program's dialogs: what a library would show in a message box is
// kept and told on standard error in one line; questions are answered no, as nobody is
// there to answer them. A password is the one thing asked: from the file that
// DRVESK_PASSWORD_FILE names (for scripts, read once), else on the terminal without echo
// (three tries).

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
    bool secret(const QString& text, QString& answer) override;
    bool chooseFont(QString&, double&, bool&) override { return false; }
    bool chooseSaveFile(const QString&, const QString&, const QString&, QString&) override
    {
        return false;
    }

    // What was said since the last take, each in one line.
    QStringList take();
    // Why an encrypted diary did not open once the password's questions ended unanswered.
    QString passwordFailure();

private:
    static constexpr int kTries = 3;
    QStringList said_;
    int answered_ = 0;      // passwords given: each was wrong when the diary did not open
    bool noAnswer_ = false; // the last question found no terminal, no file or no line
    bool terminal_ = false; // a terminal was there to ask on
    QString unreadable_;    // the password file that could not be read
};

// The text with its line breaks turned into blanks.
QString oneLine(const QString& text);
// UTF-8 to standard output and standard error.
void out(const QString& text);
void err(const QString& text);

} // namespace drv::cli
