#include "SecondaryWindow.h"

#include <QString>
#include <QWidget>

namespace drv {

void OuterPlacement::place(QWidget& window, const QRect& outer)
{
    window.move(outer.topLeft());
    pending_ = outer.size();
    window.resize(outer.size());
}

void OuterPlacement::shown(QWidget& window)
{
    if (!pending_.isValid()) return;
    const QSize frame = window.frameGeometry().size() - window.geometry().size();
    window.resize(pending_ - frame);
    pending_ = QSize();
}

QString literalCaption(const QString& caption)
{
    return QString(caption).replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
}

} // namespace drv
