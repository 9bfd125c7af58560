#include "KeepAsk.h"

#include "ConflictDialog.h"
#include "ExportDialog.h"
#include "Platform.h"
#include "RestoreDialog.h"

#include <QDir>
#include <QFileDialog>

namespace drv::keep {

namespace {

QString documentsFolder()
{
    const QString docs = services().folders->path(5);
    return docs.isEmpty() ? QDir::homePath() : docs;
}

class WidgetKeepAsk final : public KeepAsk {
public:
    bool chooseSnapshot(QWidget* parent, const QList<SnapshotChoice>& list, int& index) override
    {
        RestoreDialog d(list, parent);
        if (d.exec() != QDialog::Accepted) return false;
        index = d.chosen();
        return index >= 0;
    }

    bool chooseExport(QWidget* parent, ExportOptions& options, QString& path) override
    {
        const QDate today = services().clock->today();
        ExportDialog d(today, parent);
        if (d.exec() != QDialog::Accepted) return false;
        options = d.options();
        const QString proposed = documentsFolder() + QStringLiteral("/drvesk-") +
                                 today.toString(QStringLiteral("yyyyMMdd")) + d.suffix();
        path = QFileDialog::getSaveFileName(parent, QStringLiteral("書き出すファイル"), proposed);
        return !path.isEmpty();
    }

    bool chooseImport(QWidget* parent, QString& path, Format& format) override
    {
        path = QFileDialog::getOpenFileName(
            parent, QStringLiteral("読み込むファイル"), documentsFolder(),
            QStringLiteral("日記 (*.txt *.md *.markdown *.json *.diary *.db *.encrypted);;"
                           "すべてのファイル (*)"));
        format = formatOfFile(path);
        return !path.isEmpty();
    }

    bool resolveConflicts(QWidget* parent, const ImportPlan& plan,
                          QList<Resolution>& choices) override
    {
        ConflictDialog d(plan, services().clock->today(), parent);
        if (d.exec() != QDialog::Accepted) return false;
        choices = d.choices();
        return true;
    }
};

KeepAsk* g_ask = nullptr;

} // namespace

KeepAsk& keepAsk()
{
    static WidgetKeepAsk real;
    return g_ask ? *g_ask : real;
}

void setKeepAsk(KeepAsk* ask)
{
    g_ask = ask;
}

} // namespace drv::keep
