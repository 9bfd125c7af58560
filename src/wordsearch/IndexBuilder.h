#pragma once
// The index and the diary as the worker's thread sees them, through connections of its
// own: building the index, catching up with the diary by the digests of its bodies,
// applying the program's own changes, and merging a build's terms once it answers.

#include "OwnChanges.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>

#include <sys/types.h>

#include <functional>
#include <map>
#include <memory>

struct sqlite3;

namespace drv {

namespace sql {
class Query;
}
namespace vault {
class KeySet;
}

class IndexBuilder {
public:
    enum class Result { Done, Stopped, Failed, Replaced };

    IndexBuilder(const QString& diaryPath, const QString& indexPath, const QString& tag);
    ~IndexBuilder();
    Q_DISABLE_COPY_MOVE(IndexBuilder)

    // Opens both files and takes the index as it is, or makes it anew when it is of
    // another diary or another maker, or cannot be read (fresh: always anew).
    bool start(bool fresh);
    void end();

    qint64 generation() const { return gen_; }
    quint64 committedSeq() const { return committedSeq_; }
    bool mergeDue() const { return mergeDue_; }

    // Whether the index was complete and the diary file is as it was when that was last
    // known (its stamp).
    bool upToDate();
    // Every row of the diary compared with the index by its digest, the changed ones
    // indexed again. between() hands over own changes to apply first and says whether to
    // stop.
    Result catchUp(const std::function<bool(QList<OwnChange>&)>& between,
                   const std::function<void(int, int)>& progress, bool& usable);
    // A build leaves the terms in many segments, which a search reads one after the other;
    // merged into one, they answer a common word faster. Run once the index answers, so
    // nobody waits for it; `running` holds the connection meanwhile, under `lock`, so that
    // stopping can cut it short (the index then stays as it was). Not begun once stopping.
    void compact(QMutex& lock, sqlite3*& running, const bool& stopping);
    // The program's own changes, each row read again as it is now.
    Result apply(const QList<OwnChange>& changes, bool& usable);
    bool commit();
    // Writes a memory index's sealed file (IndexFile.h); between transactions only.
    bool seal(const QString& sealedPath, const vault::KeySet& keys);

private:
    bool empty();
    // What the index holds for a key: the digest of the body its terms were last made
    // from. (Terms of a body before that may still be there too, when that body was not
    // known.)
    struct Stored {
        bool exists = false;
        QByteArray digest;
    };
    // A row of the diary as the index reads it.
    struct Row {
        qint64 key = 0;
        QByteArray digest;
        QString body;
    };

    Result fail();
    void rollback();
    bool count(sqlite3* db, const QString& text, int& n);
    bool adopt();
    bool readMeta();
    bool begin();
    bool commitIfDue();
    bool reset();
    bool readAfter(const QString& from, int page, bool bodies, QList<Row>& rows, int& raw,
                   QString& after);
    bool readBodies(QList<Row>& rows);
    bool storedBetween(qint64 lower, qint64 upper, QHash<qint64, Stored>& out);
    bool storedOf(qint64 key, Stored& s);
    bool runPrepared(const QString& text, std::initializer_list<QVariant> values);
    bool terms(const QString& statement, qint64 key, const QString& body);
    bool replace(qint64 key, const Stored& s, const Row& now, const OwnChange* before);
    bool remove(qint64 key, const Stored& s, const OwnChange* before);
    bool applyIn(const QList<OwnChange>& changes, bool& usable);

    const QString diaryPath_, indexPath_, indexName_, diaryName_;
    sqlite3* idx_ = nullptr;   // the index's connection while started
    sqlite3* diary_ = nullptr; // the diary's, read only
    qint64 gen_ = 0;
    qint64 garbage_ = 0;
    ino_t ino_ = 0;
    bool inTxn_ = false;
    bool mergeDue_ = false;
    QElapsedTimer age_;
    quint64 seqInTxn_ = 0, committedSeq_ = 0;
    // Statements on the index prepared once for the many rows of a build.
    std::map<QString, std::unique_ptr<sql::Query>> prepared_;
};

} // namespace drv
