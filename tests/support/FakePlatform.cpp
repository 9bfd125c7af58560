#include "FakePlatform.h"

#include "Globals.h"

#include <QDir>
#include <QFile>
#include <QVariant>

namespace drv::test {

FakePlatform::FakePlatform() : saved_(services())
{
    programFolder = makeDir(QStringLiteral("prog"));
    specialFolders[5] = makeDir(QStringLiteral("home/Documents"));
    specialFolders[9] = makeDir(QStringLiteral("home/.local/share/applications"));
    specialFolders[26] = makeDir(QStringLiteral("home/.local/share"));
    hadCache_ = qEnvironmentVariableIsSet("XDG_CACHE_HOME");
    savedCache_ = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(root.path() + QStringLiteral("/home/.cache")));
    Services& s = services();
    s.program = this;
    s.folders = this;
    s.userStore = this;
    s.clock = this;
    s.dialogs = this;
    s.desktop = this;
    s.keyring = &keyring;
}

FakePlatform::~FakePlatform()
{
    services() = saved_;
    if (hadCache_)
        qputenv("XDG_CACHE_HOME", savedCache_);
    else
        qunsetenv("XDG_CACHE_HOME");
}

bool FakeKeyring::read(const QString& account, QByteArray& secret, QString& reason)
{
    ++reads;
    reason = failure;
    if (!failure.isEmpty()) return false;
    if (!items.contains(account)) {
        reason = QStringLiteral("no such item");
        return false;
    }
    secret = items.value(account);
    return true;
}

bool FakeKeyring::write(const QString& account, const QByteArray& secret, QString& reason)
{
    reason = failure;
    if (!failure.isEmpty()) return false;
    items.insert(account, secret);
    return true;
}

bool FakeKeyring::remove(const QString& account, QString& reason)
{
    reason = failure;
    if (!failure.isEmpty()) return false;
    items.remove(account);
    return true;
}

QString FakePlatform::makeDir(const QString& relative) const
{
    const QString p = root.path() + u'/' + relative;
    QDir().mkpath(p);
    return p;
}

QString FakePlatform::templatePath()
{
    const QString fromEnv = qEnvironmentVariable("DRVESK_TEMPLATE");
    return fromEnv.isEmpty() ? QStringLiteral(DRVESK_TEMPLATE_PATH) : fromEnv;
}

void FakePlatform::useDiaryFolders() const
{
    sUsrFld = makeDir(QStringLiteral("home/.local/share/Orbena/drvesk")) + u'/';
    sApFld = programFolder + QStringLiteral("/apData/");
    QDir().mkpath(sApFld);
    QFile::remove(sApFld + QStringLiteral("dbVesk.mdb"));
    QFile::copy(templatePath(), sApFld + QStringLiteral("dbVesk.mdb"));
    QFile ini(programFolder + QStringLiteral("/UserData.ini"));
    if (ini.open(QIODevice::WriteOnly | QIODevice::Truncate)) ini.write("%usr%");
}

QString FakePlatform::read(const QString& app, const QString& section, const QString& name)
{
    return userValues.value(app + u'/' + section + u'/' + name);
}

void FakePlatform::write(const QString& app, const QString& section, const QString& name,
                         const QString& value)
{
    ++userWrites;
    userValues[app + u'/' + section + u'/' + name] = value;
}

bool FakePlatform::confirm(const QString& text)
{
    messages << text;
    return confirmAnswers.isEmpty() ? true : confirmAnswers.takeFirst();
}

bool FakePlatform::prompt(const QString& text, const QString& title, const QString& proposed,
                          QString& answer)
{
    prompts << Prompt{text, title, proposed};
    if (onPrompt) onPrompt();
    if (promptAnswers.isEmpty()) return false;
    const QVariant next = promptAnswers.takeFirst();
    if (next.isNull()) return false;
    answer = next.toString();
    return true;
}

} // namespace drv::test

namespace drv::test {

bool FakePlatform::chooseSaveFile(const QString&, const QString& proposed, const QString&,
                                  QString& path)
{
    saveFileProposals << proposed;
    path = saveFileAnswers.isEmpty() ? QString() : saveFileAnswers.takeFirst();
    return !path.isEmpty();
}

int FakePlatform::choose(const QString& text, const QStringList& answers)
{
    messages << text;
    choices << answers;
    return chooseAnswers.isEmpty() ? -1 : chooseAnswers.takeFirst();
}

bool FakePlatform::chooseFont(QString& name, double& size, bool& bold)
{
    fontPresets << FontChoice{name, size, bold};
    if (fontAnswers.isEmpty()) return false;
    const std::optional<FontChoice> next = fontAnswers.takeFirst();
    if (!next) return false;
    const FontChoice& choice = *next;
    name = choice.name;
    size = choice.size;
    bold = choice.bold;
    return true;
}

} // namespace drv::test
