#pragma once
// Writing one day's entry as the main window saves it: count the day's rows, then update
// or insert. A second running copy of the program may add or delete the same day between
// the two statements; the write still lands instead of failing or vanishing.

#include <QString>

namespace drv {

// False when a statement failed (its message was shown); nothing is then changed.
bool WriteEntry(const QString& key, const QString& title, const QString& body);

} // namespace drv
