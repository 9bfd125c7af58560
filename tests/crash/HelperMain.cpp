#include "HelperMain.h"

#include <QCoreApplication>

#include <unistd.h>

namespace drv::crash {

namespace {

class HelperPlatform final : public Clock, public Dialogs {
public:
    explicit HelperPlatform(const QDate& today) : today_(today) {}
    QDate today() const override { return today_.isValid() ? today_ : QDate::currentDate(); }
    void message(const QString& text) override
    {
        QString t = text;
        say(QStringLiteral("message ") + t.replace(u'\n', QStringLiteral(" | ")));
    }
    bool confirm(const QString& text) override
    {
        message(text);
        return true;
    }
    bool prompt(const QString&, const QString&, const QString&, QString&) override { return false; }
    bool secret(const QString&, QString& answer) override
    {
        Answers& a = answers();
        if (a.passwords.isEmpty()) return false;
        answer = a.lastPassword = a.passwords.takeFirst();
        return true;
    }
    bool chooseFont(QString&, double&, bool&) override { return false; }
    bool chooseSaveFile(const QString&, const QString&, const QString&, QString&) override
    {
        return false;
    }

private:
    const QDate today_;
};

} // namespace

Answers& answers()
{
    static Answers a;
    return a;
}

void say(const QString& line)
{
    const QByteArray b = (line + u'\n').toUtf8();
    qsizetype done = 0;
    while (done < b.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, b.constData() + done, size_t(b.size() - done));
        if (n <= 0) return;
        done += n;
    }
}

int helperMain(int argc, char* argv[], const QDate& today,
               const std::function<int(const QStringList& arguments)>& run)
{
    QCoreApplication app(argc, argv);
    HelperPlatform platform(today);
    services().clock = &platform;
    services().dialogs = &platform;
    return run(app.arguments());
}

} // namespace drv::crash
