#pragma once
// A main window for the windows and the editor to place themselves by, take fonts from
// and report to, without a main window: every call is recorded.

#include "MainView.h"

#include <QList>
#include <QPair>

#include <array>

namespace drv::test {

class FakeMainView : public MainView {
public:
    struct UndoRedo {
        bool undo, redo;
    };

    QRect mainFrameGlobal() const override { return frame; }
    QRect editorColumnGlobal() const override { return column; }
    FontSetting fontPreset(int index) const override { return fonts.at(index == 0 ? 0 : 1); }
    void entryCorrected(const QString& key, const QString& body) override
    {
        corrected.append({key, body});
    }
    void setUndoRedoEnabled(bool undo, bool redo) override { calls.append({undo, redo}); }
    void showDay(const QDate& date) override { shownDays.append(date); }

    QRect frame{40, 30, 1000, 760};
    QRect column{300, 60, 720, 700};
    std::array<FontSetting, 2> fonts{
        {{QStringLiteral("IPAGothic"), 10, false}, {QStringLiteral("IPAGothic"), 10, false}}};
    QList<QPair<QString, QString>> corrected;
    QList<UndoRedo> calls;
    QList<QDate> shownDays;
};

} // namespace drv::test
