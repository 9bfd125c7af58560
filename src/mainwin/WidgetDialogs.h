#pragma once
// Message boxes, input prompts and the desktop's openers, as the user sees them.

#include "Platform.h"

#include <QWidget>

namespace drv {

class WidgetDialogs final : public Dialogs, public Desktop {
public:
    // A box belongs to the window that asked: the active window, else the main window.
    static QWidget* ownerWindow();

    void message(const QString& text) override;
    bool confirm(const QString& text) override;
    bool prompt(const QString& text, const QString& title, const QString& proposed,
                QString& answer) override;
    bool secret(const QString& text, QString& answer) override;
    bool chooseFont(QString& name, double& size, bool& bold) override;
    bool chooseSaveFile(const QString& title, const QString& proposed, const QString& filter,
                        QString& path) override;
    int choose(const QString& text, const QStringList& answers) override;
    bool open(const QUrl& url) override;
};

} // namespace drv
