#pragma once
// A machine for tests: temporary folders, a fixed date and scripted dialog answers.

#include "Platform.h"

#include <QMap>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

#include <functional>
#include <optional>

namespace drv::test {

// A keyring in memory; `failure` set makes every call fail with it as the reason (a
// locked keyring, no secret service, no session bus: the caller sees only a failure).
class FakeKeyring final : public Keyring {
public:
    bool read(const QString& account, QByteArray& secret, QString& reason) override;
    bool write(const QString& account, const QByteArray& secret, QString& reason) override;
    bool remove(const QString& account, QString& reason) override;

    QMap<QString, QByteArray> items; // account -> secret
    QString failure;
    int reads = 0;
};

class FakePlatform final : public ProgramInfo,
                           public SpecialFolders,
                           public UserStore,
                           public Clock,
                           public Dialogs,
                           public Desktop {
public:
    // Installs itself into services(), and points the cache folder below its root; the
    // previous services and cache folder come back on destruction.
    FakePlatform();
    ~FakePlatform() override;
    Q_DISABLE_COPY_MOVE(FakePlatform)

    // ProgramInfo
    QString folder() const override { return programFolder; }
    QString executableName() const override { return exeName; }
    // SpecialFolders
    QString path(int number) const override { return specialFolders.value(number); }
    // UserStore
    QString read(const QString& app, const QString& section, const QString& name) override;
    void write(const QString& app, const QString& section, const QString& name,
               const QString& value) override;
    // Clock
    QDate today() const override { return date; }
    // Dialogs
    void message(const QString& text) override { messages << text; }
    bool confirm(const QString& text) override;
    bool prompt(const QString& text, const QString& title, const QString& proposed,
                QString& answer) override;
    bool chooseFont(QString& name, double& size, bool& bold) override;
    bool chooseSaveFile(const QString& title, const QString& proposed, const QString& filter,
                        QString& path) override;
    int choose(const QString& text, const QStringList& answers) override;
    // Desktop
    bool open(const QUrl& url) override
    {
        opened << url;
        return true;
    }

    // A scratch root; programFolder and the special folders live below it.
    QTemporaryDir root;
    QString programFolder;
    QString exeName = QStringLiteral("drvesk");
    QMap<int, QString> specialFolders;
    QMap<QString, QString> userValues; // "app/section/name" -> value
    int userWrites = 0;
    QDate date{2026, 12, 7};

    QStringList messages;       // every message and confirmation shown, in order
    QList<bool> confirmAnswers; // next answers to confirm(); OK when empty
    struct Prompt {
        QString text, title, proposed;
    };
    QList<Prompt> prompts;          // every prompt shown
    QList<QVariant> promptAnswers;  // next answers: a string, or a null QVariant for Cancel
    std::function<void()> onPrompt; // called as each prompt shows, to look at the screen then
    QList<QUrl> opened;
    FakeKeyring keyring; // installed as the keyring; empty
    struct FontChoice {
        QString name;
        double size = 0;
        bool bold = false;
    };
    QList<FontChoice> fontPresets;                // what each font dialog was preset with
    QList<std::optional<FontChoice>> fontAnswers; // next answers; nullopt is Cancel
    QStringList saveFileProposals;                // the path each file dialog was preset with
    QStringList saveFileAnswers; // next answers; an empty one is Cancel, as none left
    QList<QStringList> choices;  // the answers each choice offered (its text is in messages)
    QList<int> chooseAnswers;    // next answers to choose(); closed (-1) when none left

    // Makes a folder below root (with parents) and returns its path.
    QString makeDir(const QString& relative) const;
    // Points sUsrFld at an empty folder and sApFld at a folder holding the built
    // template, with a UserData.ini that chooses that folder, as a fresh install has.
    void useDiaryFolders() const;
    // The built empty diary.
    static QString templatePath();

private:
    Services saved_;
    QByteArray savedCache_; // the cache folder (where the search index lives) goes below root
    bool hadCache_ = false;
};

} // namespace drv::test
