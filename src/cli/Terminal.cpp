#include "Terminal.h"

#include "Secret.h"

#include <QFile>
#include <QRegularExpression>

#include <array>
#include <csignal>
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace drv::cli {

namespace {

void write(std::FILE* to, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
    std::fflush(to);
}

// The terminal's settings while its echo is off, given back even when the program is
// interrupted meanwhile (Ctrl+C would leave the shell typing blind).
int g_tty = -1;
termios g_before{};

void restoreEcho(int signal)
{
    ::tcsetattr(g_tty, TCSAFLUSH, &g_before);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// One line typed on the controlling terminal with its echo off, as su and ssh ask: the
// terminal, not standard input, so that input and output may be redirected. False at the
// end of input or without a terminal to ask on (`terminal` false then).
bool readHidden(const QString& text, QString& answer, bool& terminal)
{
    const int tty = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    terminal = tty >= 0;
    if (!terminal) return false;
    const bool quiet = ::tcgetattr(tty, &g_before) == 0;
    std::array<void (*)(int), 4> handlers{};
    constexpr std::array<int, 4> kSignals{SIGINT, SIGTERM, SIGHUP, SIGQUIT};
    if (quiet) {
        g_tty = tty;
        for (size_t i = 0; i < kSignals.size(); ++i)
            handlers[i] = std::signal(kSignals[i], restoreEcho);
        termios hidden = g_before;
        hidden.c_lflag &= ~tcflag_t(ECHO);
        hidden.c_lflag |= ECHONL;
        ::tcsetattr(tty, TCSAFLUSH, &hidden);
    }
    // Asked once the echo is off, so that nothing typed after the question shows.
    const QByteArray prompt = (text + QStringLiteral(": ")).toUtf8();
    const bool asked = ::write(tty, prompt.constData(), size_t(prompt.size())) == prompt.size();
    std::string line;
    bool got = false;
    for (char c; asked && ::read(tty, &c, 1) == 1;) {
        got = true;
        if (c == '\n') break;
        if (c != '\r') line.push_back(c);
    }
    if (quiet) {
        ::tcsetattr(tty, TCSAFLUSH, &g_before);
        for (size_t i = 0; i < kSignals.size(); ++i)
            std::signal(kSignals[i], handlers[i]);
        g_tty = -1;
    }
    ::close(tty);
    answer = QString::fromUtf8(line);
    vault::wipe(line.data(), line.size());
    return got;
}

} // namespace

bool TerminalDialogs::secret(const QString& text, QString& answer)
{
    const QString file = qEnvironmentVariable("DRVESK_PASSWORD_FILE");
    if (file.isEmpty()) {
        // Three tries, as su gives; each miss is said before the next.
        if (answered_ >= kTries) return false;
        for (const QString& line : take())
            err(QStringLiteral("drvesk: %1\n").arg(line));
        if (!readHidden(text, answer, terminal_)) {
            noAnswer_ = true;
            return false;
        }
        ++answered_;
        return true;
    }
    // A script's file is read once: a wrong password in it is not tried again and again.
    if (answered_ > 0) return false;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        noAnswer_ = true;
        unreadable_ = file;
        return false;
    }
    // The first line, as a script writes it with echo.
    QByteArray line = f.readLine();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    answer = QString::fromUtf8(line);
    vault::wipe(line);
    ++answered_;
    return true;
}

QString TerminalDialogs::passwordFailure()
{
    take(); // the misses and the offer of the recovery key, said better here
    if (!unreadable_.isEmpty())
        return QStringLiteral("パスワードのファイル %1 を読めません").arg(unreadable_);
    if (answered_ > 0 && !noAnswer_)
        return QStringLiteral("パスワードが違います。日記には何も書いていません");
    if (!qEnvironmentVariable("DRVESK_PASSWORD_FILE").isEmpty() || terminal_)
        return QStringLiteral("パスワードが入力されませんでした");
    return QStringLiteral("日記は暗号化されています。パスワードを聞く端末がありません "
                          "(DRVESK_PASSWORD_FILE にパスワードのファイルを指定します)");
}

QStringList TerminalDialogs::take()
{
    QStringList lines;
    for (const QString& s : std::as_const(said_))
        lines << oneLine(s);
    said_.clear();
    return lines;
}

QString oneLine(const QString& text)
{
    static const QRegularExpression breaks(QStringLiteral("\\s*[\\r\\n]+\\s*"));
    return text.trimmed().replace(breaks, QStringLiteral(" "));
}

void out(const QString& text)
{
    write(stdout, text);
}

void err(const QString& text)
{
    write(stderr, text);
}

} // namespace drv::cli
