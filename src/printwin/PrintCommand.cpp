#include "PrintCommand.h"

#include "Platform.h"
#include "PrintDialog.h"
#include "PrintEntries.h"
#include "PrintJob.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>

namespace drv::print {

namespace {

// Paints the job in slices, handing the event loop its turn between them.
bool runWithProgress(QWidget* parent, PrintJob& job)
{
    QProgressDialog box(QStringLiteral("印刷しています…"), QStringLiteral("キャンセル"), 0, 1000,
                        parent);
    box.setObjectName(QStringLiteral("PrintProgress"));
    box.setWindowModality(Qt::WindowModal);
    box.setMinimumDuration(300);
    box.setAutoClose(false);
    box.setAutoReset(false);
    while (job.step()) {
        box.setValue(job.progress());
        QApplication::processEvents();
        if (box.wasCanceled()) job.cancel();
    }
    box.setValue(job.progress()); // the end, when the job got there
    return job.finished();
}

QString proposedPdf(const QDate& from, const QDate& to)
{
    QString folder = services().folders->path(5);
    if (folder.isEmpty()) folder = QDir::homePath();
    const QString span = from == to ? from.toString(QStringLiteral("yyyyMMdd"))
                                    : from.toString(QStringLiteral("yyyyMMdd")) + u'-' +
                                          to.toString(QStringLiteral("yyyyMMdd"));
    return folder + QStringLiteral("/drvesk-") + span + QStringLiteral(".pdf");
}

} // namespace

void printDiary(QWidget* parent, const QDate& shown, const QString& fontFamily, double fontSize)
{
    PrintDialog dialog(shown, fontFamily, fontSize, parent);
    const int output = dialog.exec();
    if (output == QDialog::Rejected) return;
    RangeChoice range = dialog.range();
    if (range.range == Range::Every && !storedDays(range.first, range.last)) range.first = {};
    PrintOptions options = dialog.options();
    rangeDates(range, options.from, options.to);
    QList<PrintEntry> entries;
    if (!readEntries(options.from, options.to, entries)) return;
    if (entries.isEmpty()) {
        services().dialogs->message(QStringLiteral("印刷する日記がありません。"));
        return;
    }

    if (output == PrintDialog::Preview) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageLayout(pageLayoutOf(options));
        QPrintPreviewDialog preview(&printer, parent);
        preview.setObjectName(QStringLiteral("PrintPreview"));
        QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                         [&](QPrinter* p) { printEntries(entries, options, p); });
        preview.exec();
    } else if (output == PrintDialog::Printer) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageLayout(pageLayoutOf(options));
        QPrintDialog ask(&printer, parent);
        if (ask.exec() != QDialog::Accepted) return;
        PrintJob job(entries, options, &printer);
        if (!runWithProgress(parent, job) && job.failed())
            services().dialogs->message(QStringLiteral("印刷できませんでした。"));
    } else if (output == PrintDialog::Pdf) {
        QString path;
        if (!services().dialogs->chooseSaveFile(QStringLiteral("PDF に保存"),
                                                proposedPdf(options.from, options.to),
                                                QStringLiteral("PDF (*.pdf)"), path))
            return;
        bool done = false;
        bool failed = false;
        {
            QPdfWriter writer(path);
            writer.setCreator(QStringLiteral("drvesk"));
            PrintJob job(entries, options, &writer);
            done = runWithProgress(parent, job);
            failed = job.failed();
        }
        if (done) return;
        // Half a PDF is of no use: a cancelled or failed one goes.
        QFile::remove(path);
        if (failed)
            services().dialogs->message(QStringLiteral("PDF を書き出せませんでした。\n") + path);
    }
}

} // namespace drv::print
