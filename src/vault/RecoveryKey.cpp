#include "RecoveryKey.h"

#include "Secret.h"

#include <sodium.h>

namespace drv::vault {

namespace {
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";
} // namespace

QString recoveryText(const QByteArray& bytes)
{
    QString out;
    quint32 buffer = 0;
    int bits = 0;
    for (const char c : bytes) {
        buffer = (buffer << 8) | quint8(c);
        bits += 8;
        while (bits >= 5) {
            bits -= 5;
            if (!out.isEmpty() && out.size() % 5 == 4) out += u'-';
            out += QLatin1Char(kAlphabet[(buffer >> bits) & 31]);
        }
    }
    return out;
}

QString newRecoveryKey()
{
    if (!ready()) return {};
    QByteArray bytes(kRecoveryBytes, Qt::Uninitialized);
    randombytes_buf(bytes.data(), size_t(bytes.size()));
    const QString text = recoveryText(bytes);
    sodium_memzero(bytes.data(), size_t(bytes.size()));
    return text;
}

QByteArray recoveryBytes(const QString& typed)
{
    QByteArray out;
    quint32 buffer = 0;
    int bits = 0;
    int digits = 0;
    for (QChar c : typed) {
        c = c.toUpper();
        if (c == u'-' || c.isSpace()) continue;
        if (c == u'0') c = u'O';
        if (c == u'1') c = u'I';
        if (c == u'8') c = u'B';
        int value = -1;
        if (c >= u'A' && c <= u'Z') value = c.unicode() - u'A';
        if (c >= u'2' && c <= u'7') value = 26 + (c.unicode() - u'2');
        if (value < 0) return {};
        buffer = (buffer << 5) | quint32(value);
        bits += 5;
        ++digits;
        if (bits >= 8) {
            bits -= 8;
            out += char((buffer >> bits) & 0xff);
        }
    }
    if (digits != kRecoveryBytes * 8 / 5) return {};
    return out;
}

} // namespace drv::vault
