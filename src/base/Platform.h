#pragma once
// Seams to the desktop: everything the program asks of the machine goes through
// these, so tests can point them at temporary folders and scripted answers.

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace drv {

// The running program: its folder and its executable's base name.
class ProgramInfo {
public:
    virtual ~ProgramInfo() = default;
    virtual QString folder() const = 0;         // without a trailing "/"
    virtual QString executableName() const = 0; // base name, no folder
};

// Special folders by their historic numbers: 5 documents, 9 send-to, 26 application data.
class SpecialFolders {
public:
    virtual ~SpecialFolders() = default;
    virtual QString path(int number) const = 0; // without a trailing "/", or empty
};

// The per-user key/value store that remembers where the program lives.
class UserStore {
public:
    virtual ~UserStore() = default;
    virtual QString read(const QString& app, const QString& section, const QString& name) = 0;
    virtual void write(const QString& app, const QString& section, const QString& name,
                       const QString& value) = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDate today() const = 0;
};

// Message boxes and input prompts. The real one is modal; the test one answers from a script.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual void message(const QString& text) = 0;
    virtual bool confirm(const QString& text) = 0; // OK (true) or Cancel (false)
    // Returns false when the user cancels.
    virtual bool prompt(const QString& text, const QString& title, const QString& proposed,
                        QString& answer) = 0;
    // A prompt whose answer is not shown as it is typed (a password, a recovery key);
    // false when the user cancels.
    virtual bool secret(const QString& text, QString& answer)
    {
        return prompt(text, QString(), QString(), answer);
    }
    // The font dialog, preset with name, size in points and bold; false when cancelled.
    virtual bool chooseFont(QString& name, double& size, bool& bold) = 0;
    // The file dialog for a file to write, preset with a path; filter as QFileDialog takes
    // it ("PDF (*.pdf)"). False when cancelled.
    virtual bool chooseSaveFile(const QString& title, const QString& proposed,
                                const QString& filter, QString& path) = 0;
    // A question with several answers, one button each; the index of the answer. The last
    // answer is the one that changes nothing: Escape and the close box give it. -1 where
    // nobody can be asked.
    virtual int choose(const QString& text, const QStringList& answers)
    {
        Q_UNUSED(text);
        Q_UNUSED(answers);
        return -1;
    }
};

// Opening pages, files and folders with the desktop's programs.
class Desktop {
public:
    virtual ~Desktop() = default;
    virtual bool open(const QUrl& url) = 0;
};

// The desktop's keyring (the Secret Service of GNOME Keyring or KWallet): secrets of this
// program by account name. Any call may fail (no keyring, a locked one left locked, no
// session bus); the caller then does without. A secret is raw bytes; callers wipe them.
class Keyring {
public:
    virtual ~Keyring() = default;
    // False with a reason when there is no such item or the keyring cannot be read.
    virtual bool read(const QString& account, QByteArray& secret, QString& reason) = 0;
    virtual bool write(const QString& account, const QByteArray& secret, QString& reason) = 0;
    // Removing an item that is not there succeeds.
    virtual bool remove(const QString& account, QString& reason) = 0;
};

struct Services {
    ProgramInfo* program = nullptr;
    SpecialFolders* folders = nullptr;
    UserStore* userStore = nullptr;
    Clock* clock = nullptr;
    Dialogs* dialogs = nullptr;
    Desktop* desktop = nullptr;
    Keyring* keyring = nullptr; // none: the terminal's commands, and where none is installed
};

// The services in force. The program installs the real ones at start; tests their own.
Services& services();

} // namespace drv
