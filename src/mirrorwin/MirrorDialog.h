#pragma once
// The setting of the mirror folder ("ﾂｰﾙ(&T)" → "写しのフォルダー…"): on or off, and
// which folder. Off by default.

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace drv::mirror {

class MirrorDialog final : public QDialog {
    Q_OBJECT

public:
    // unavailable: why this diary keeps no mirror (the controls are then disabled).
    MirrorDialog(bool on, const QString& folder, const QString& unavailable, QWidget* parent);
    bool on() const;
    QString folder() const;

private:
    QCheckBox* use_ = nullptr;
    QLineEdit* folder_ = nullptr;
};

} // namespace drv::mirror
