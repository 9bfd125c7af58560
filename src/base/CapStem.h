#pragma once

#include <QString>

namespace drv {

// A menu caption's text before its first "(": "検索(&F)" and "検索" name the same command.
inline QString CapStem(const QString& caption)
{
    const qsizetype p = caption.indexOf(u'(');
    return p < 0 ? caption : caption.left(p);
}

} // namespace drv
