#pragma once
// Counting an entry's characters as a person counts them (文字数).

#include <QString>
#include <QStringView>

namespace drv::jp {

// The user-perceived characters (grapheme clusters): a base character with its
// combining marks or variation selector is one, an emoji sequence or a flag is one.
// Clusters that show nothing are not counted: white space of any kind (the ideographic
// space included), line ends, and lone control or format characters such as a
// zero-width space.
qsizetype countCharacters(QStringView text);

// The count for the status line: "1,234 文字", or with a selection (selected > 0)
// "選択 12 / 1,234 文字".
QString countText(qsizetype total, qsizetype selected);

} // namespace drv::jp
