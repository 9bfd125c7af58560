#pragma once
// What export and import tell the user when they end, in the same words whether the
// window's dialogs or a terminal tells it.

#include "DiaryBatch.h"
#include "Export.h"
#include "Import.h"

namespace drv::keep {

// "追加 3 件、そのまま 1 件": the parts of an import's counts that are not zero.
QString countsText(const ImportCounts& counts);
// After the batch was written.
QString importedText(const ImportCounts& counts);
// When every conflict was kept and nothing else was new.
QString unchangedText(const ImportCounts& counts);
// When the file held only days the diary already holds as they are.
QString nothingNewText(int unchanged);
// Why a batch wrote nothing: stopped, changed meanwhile, or failed.
QString batchFailureText(diary::BatchOutcome outcome);

// The file cannot be read: its name, then the line and the reason.
QString sourceFailureText(const QString& path, const SourceResult& result);

// One line a day ("2026-12-07: 𠮷") for the first atMost entries, then how many more.
QString lostCharactersList(const QList<Unencodable>& entries, const QDate& today, int atMost);
// After the file was written: how many, where, what was marked or left out.
QString exportedText(const QString& path, const ExportResult& result);
QString exportFailureText(const QString& path, const QString& reason);

} // namespace drv::keep
