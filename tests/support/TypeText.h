#pragma once
// Types text as key presses, one per character: QTest::keyClicks only knows Latin-1.

#include <QTest>
#include <QWidget>

namespace drv::test {

inline void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

} // namespace drv::test
