#pragma once
// What the main window's status line says of the shown entry.

#include <QDate>
#include <QString>
#include <QStringView>

namespace drv::jp {

// The shown day in the era calendar with its weekday, and the holiday's name after an
// ideographic space when it is one: "令和8年11月3日(火)　文化の日".
QString dayStatusText(const QDate& date);

// The entry's character count, and the selection's when there is one:
// "1,234 文字", "選択 12 / 1,234 文字".
QString countStatusText(QStringView body, QStringView selection);

} // namespace drv::jp
