#pragma once
// Text files of the Windows Japanese code page (Shift-JIS with the Microsoft extensions).

#include <QByteArray>
#include <QString>

namespace drv {

// Bytes that are not valid CP932 become substitute characters and set ok to false.
QString cp932Decode(const QByteArray& bytes, bool* ok = nullptr);
// Characters CP932 cannot hold become the converter's substitute and set ok to false.
QByteArray cp932Encode(const QString& text, bool* ok = nullptr);

// Whole-file read; false when the file cannot be read.
bool readCp932File(const QString& path, QString& text, bool* valid = nullptr);

} // namespace drv
