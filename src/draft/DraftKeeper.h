#pragma once
// Keeps the program's draft file: takes a draft of every window whose text holds a change
// when one is due, and hands it to the writer. Each running copy of the program has a
// draft file of its own ("draft.txt", or "draft-N.txt" beside a copy already running),
// held by a lock file; the draft file of a copy that is no longer running is a leftover,
// to be offered back at the next start.

#include "DraftSchedule.h"
#include "DraftWriter.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <memory>
#include <vector>

class QLockFile;

namespace drv {

class DraftKeeper final : public QObject {
    Q_OBJECT

public:
    static constexpr int kSlots = 8;

    // Takes the first draft file in folder (ending in "/") that no running copy holds,
    // and reads the leftovers of every such file. Writes nothing until arm.
    explicit DraftKeeper(const QString& folder, QObject* parent = nullptr);
    ~DraftKeeper() override;
    Q_DISABLE_COPY_MOVE(DraftKeeper)

    // The keeper that the windows' changes go to, once armed.
    static DraftKeeper* active();

    struct Leftover {
        QString path;
        QByteArray bytes;
        std::optional<QList<Draft>> drafts; // nullopt: not a whole draft file
    };
    const QList<Leftover>& leftovers() const { return leftovers_; }
    // This copy's draft file; empty when running copies hold every one.
    QString path() const;

    // The leftovers have been dealt with: from now on the windows' changes are written,
    // and the leftover files go (this copy's own one is overwritten or removed at once).
    void arm();
    // From the sources: a text changed; a change was stored or given up.
    void changed();
    void settled();
    // Takes a draft of every changed window now.
    void writeNow();
    // Waits until the last draft taken is on disk; false when it could not be written.
    bool flush();
    // A clean exit: every change is stored, so no draft remains.
    void finish();

private:
    std::unique_ptr<QLockFile> own_;
    QString ownPath_;
    std::vector<std::pair<std::unique_ptr<QLockFile>, QString>> others_; // free slots not ours
    QList<Leftover> leftovers_;
    std::unique_ptr<DraftWriter> writer_;
    DraftSchedule schedule_;
    QElapsedTimer clock_;
    QTimer timer_;
    bool armed_ = false;
    bool fileHolds_ = false; // the draft file holds drafts (or may, before arm)
};

} // namespace drv
