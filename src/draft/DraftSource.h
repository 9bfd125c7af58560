#pragma once
// One window's side of the drafts: which stored entry its text started from, and whether
// the text holds a change that is not stored yet. The window tells it when it shows or
// stores an entry and when its text changes; the keeper reads the text from it when a
// draft is due.

#include "Draft.h"

#include <functional>

namespace drv {

class DraftSource final {
public:
    struct Screen {
        QString key;
        QString title; // ignored for a window that edits the body only
        QString body;
    };
    // window: kMainWindow or kCorrectionWindow; screen reads what the window shows now.
    DraftSource(QString window, bool bodyOnly, std::function<Screen()> screen);
    ~DraftSource();
    DraftSource(const DraftSource&) = delete;
    DraftSource& operator=(const DraftSource&) = delete;

    // The window shows this stored entry (or has just stored it), unchanged.
    void shown(const QString& title, const QString& body);
    // The body just stored; the title stays as it was.
    void bodyStored(const QString& body);
    // The text changed: a draft will be due.
    void changed();
    // The change is given up knowingly: no draft for it any more.
    void dropped();

    bool dirty() const { return dirty_; }
    const QString& window() const { return window_; }
    // The draft of the text on screen now.
    Draft draft() const;

    // Every source alive, in the order they were made.
    static const QList<DraftSource*>& all();

private:
    void settle();

    const QString window_;
    const bool bodyOnly_;
    const std::function<Screen()> screen_;
    QString baseTitle_;
    QByteArray basedOn_ = entryFingerprint({}, {});
    bool dirty_ = false;
};

} // namespace drv
