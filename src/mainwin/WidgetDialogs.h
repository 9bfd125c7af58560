#pragma once
// Message boxes, input prompts and the desktop's openers, as the user sees them.

#include "Platform.h"

#include <QPointer>
#include <QWidget>

namespace drv {

class WidgetDialogs final : public Dialogs, public Desktop {
public:
    // Boxes are centred on the owner when one is set.
    void setOwner(QWidget* owner) { owner_ = owner; }

    void message(const QString& text) override;
    bool confirm(const QString& text) override;
    bool prompt(const QString& text, const QString& title, const QString& proposed,
                QString& answer) override;
    bool chooseFont(QString& name, double& size, bool& bold) override;
    bool open(const QUrl& url) override;

private:
    QPointer<QWidget> owner_;
};

} // namespace drv
