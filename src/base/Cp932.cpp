#include "Cp932.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace drv {

namespace {
constexpr const char* kCodec = "windows-31j";
}

QString cp932Decode(const QByteArray& bytes, bool* ok)
{
    QStringDecoder dec(kCodec, QStringConverter::Flag::Stateless);
    QString s = dec.decode(bytes);
    if (ok) *ok = !dec.hasError();
    return s;
}

QByteArray cp932Encode(const QString& text, bool* ok)
{
    QStringEncoder enc(kCodec, QStringConverter::Flag::Stateless);
    QByteArray b = enc.encode(text);
    if (ok) *ok = !enc.hasError();
    return b;
}

bool readCp932File(const QString& path, QString& text, bool* valid)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    text = cp932Decode(f.readAll(), valid);
    return true;
}

} // namespace drv
