#pragma once
// The file formats a diary is written to and read from.

#include <QString>

namespace drv::keep {

enum class Format { Text, Markdown, Json };
enum class Encoding { Utf8, Cp932 }; // CP932: plain text only, lines ending in "\r\n"

// The format a file's name suggests: ".json" JSON, ".md" or ".markdown" Markdown,
// anything else plain text.
Format formatOfFile(const QString& path);

} // namespace drv::keep
