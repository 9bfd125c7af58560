#pragma once
// A draft: text typed into a window and not yet stored in the diary, kept in a file of
// its own beside the diary so that a crash, a kill or a power cut does not take it.
//
// The file is plain UTF-8, so that a person can read it too:
//   drvesk-draft 1
//   count N
//   then N times:  window NAME / key KEY / based FINGERPRINT /
//                  title BYTES, the title, a line feed / body BYTES, the body, a line feed
//   sha256 HEX   (of every byte before this line), a line feed, and nothing after.
// A file cut short, changed by a single byte or not written by us does not parse.

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace drv {

struct Draft {
    QString window;     // the window it was typed in: kMainWindow or kCorrectionWindow
    QString key;        // the day's DateKey
    QString title;      // empty for the correction window, which edits the body only
    QString body;       // as the editor's Text gives it: no text still being composed
    QByteArray basedOn; // entryFingerprint of the stored entry the text started from
    bool operator==(const Draft&) const = default;
};

inline const QString kMainWindow = QStringLiteral("fmTxt");
inline const QString kCorrectionWindow = QStringLiteral("sbEdt");

// The fingerprint of a stored entry as the windows read it. A day without an entry reads
// as an empty title and body, so both give "none".
QByteArray entryFingerprint(const QString& title, const QString& body);

// The file's bytes: sealed (vault/KeySet.h) while an encrypted diary is open.
QByteArray serializeDrafts(const QList<Draft>& drafts);
QByteArray plainDrafts(const QList<Draft>& drafts);
// The drafts of a whole file; nullopt for a torn, damaged or foreign file.
std::optional<QList<Draft>> parseDrafts(const QByteArray& bytes);

} // namespace drv
