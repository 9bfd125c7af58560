#pragma once
// Whoever keeps something derived from the diary (the word search's index) listens to the
// store: it is told that the diary was opened, that a statement on it has ended (the rows
// it changed may now be committed), and that it is about to close. The store calls nothing
// of theirs by name.

#include <QString>

struct sqlite3;

namespace drv {

class DiaryListener {
public:
    virtual ~DiaryListener() = default;
    // On the store's thread, once the file has proved to be a diary. False fails the open
    // with the message that the engine's functions cannot be registered.
    virtual bool diaryOpened(const QString& path, sqlite3* connection) = 0;
    // After every statement of the store, and after a rollback.
    virtual void statementDone() = 0;
    // Before the connection closes; it is still open.
    virtual void diaryClosing() = 0;
};

// Listeners are told in the order they were added. Adding one twice adds it once.
void addDiaryListener(DiaryListener* listener);
void removeDiaryListener(DiaryListener* listener);

namespace detail {
bool tellOpened(const QString& path, sqlite3* connection);
void tellStatementDone();
void tellClosing();
} // namespace detail

} // namespace drv
