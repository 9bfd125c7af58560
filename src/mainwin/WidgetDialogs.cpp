#include "WidgetDialogs.h"

#include "MainView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDebug>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace drv {

namespace {

// Message texts break lines with CR, as the settings files do; a label wants LF.
QString forDisplay(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

QString boxTitle()
{
    return QApplication::applicationName();
}

// The wait cursor must not stay over a box that waits for the user.
class NormalCursor {
public:
    NormalCursor() : busy_(QApplication::overrideCursor() != nullptr)
    {
        if (busy_) QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~NormalCursor()
    {
        if (busy_) QApplication::restoreOverrideCursor();
    }
    Q_DISABLE_COPY_MOVE(NormalCursor)

private:
    bool busy_;
};

} // namespace

QWidget* WidgetDialogs::ownerWindow()
{
    // Centred over its owner and kept in front of it, not wherever the desktop puts it.
    if (QWidget* w = QApplication::activeModalWidget()) return w;
    if (QWidget* w = QApplication::activeWindow()) return w;
    return dynamic_cast<QWidget*>(mainView());
}

void WidgetDialogs::message(const QString& text)
{
    // Kept in the log too, for whoever started the program from a terminal.
    qInfo().noquote() << forDisplay(text);
    NormalCursor cursor;
    QMessageBox box(QMessageBox::NoIcon, boxTitle(), forDisplay(text), QMessageBox::Ok,
                    ownerWindow());
    box.exec();
}

bool WidgetDialogs::confirm(const QString& text)
{
    NormalCursor cursor;
    QMessageBox box(QMessageBox::NoIcon, boxTitle(), forDisplay(text),
                    QMessageBox::Ok | QMessageBox::Cancel, ownerWindow());
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}

bool WidgetDialogs::prompt(const QString& text, const QString& title, const QString& proposed,
                           QString& answer)
{
    NormalCursor cursor;
    bool ok = false;
    const QString got = QInputDialog::getText(ownerWindow(), title.isEmpty() ? boxTitle() : title,
                                              forDisplay(text), QLineEdit::Normal, proposed, &ok);
    if (ok) answer = got;
    return ok;
}

bool WidgetDialogs::secret(const QString& text, QString& answer)
{
    NormalCursor cursor;
    bool ok = false;
    const QString got = QInputDialog::getText(ownerWindow(), boxTitle(), forDisplay(text),
                                              QLineEdit::Password, QString(), &ok);
    if (ok) answer = got;
    return ok;
}

bool WidgetDialogs::chooseFont(QString& name, double& size, bool& bold)
{
    NormalCursor cursor;
    QFont preset(name);
    preset.setPointSizeF(size > 0 ? size : 9.0);
    preset.setBold(bold);
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, preset, ownerWindow());
    if (!ok) return false;
    name = chosen.family();
    size = chosen.pointSizeF();
    bold = chosen.bold();
    return true;
}

bool WidgetDialogs::chooseSaveFile(const QString& title, const QString& proposed,
                                   const QString& filter, QString& path)
{
    NormalCursor cursor;
    path = QFileDialog::getSaveFileName(ownerWindow(), title, proposed, filter);
    return !path.isEmpty();
}

int WidgetDialogs::choose(const QString& text, const QStringList& answers)
{
    NormalCursor cursor;
    QMessageBox box(QMessageBox::NoIcon, boxTitle(), forDisplay(text), QMessageBox::NoButton,
                    ownerWindow());
    QList<QAbstractButton*> buttons;
    for (const QString& answer : answers)
        buttons << box.addButton(answer, QMessageBox::AcceptRole);
    // Escape and the close box give the last answer, the one that changes nothing.
    if (!buttons.isEmpty()) box.setEscapeButton(buttons.last());
    box.exec();
    return int(buttons.indexOf(box.clickedButton()));
}

bool WidgetDialogs::open(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

} // namespace drv
