#pragma once
// The month list's key string: each listed key followed by ".".

#include <QString>

namespace drv {

// The 1-based row of a key in the list's key string, 0 when absent.
int rowOfKey(const QString& listKeys, const QString& key);

} // namespace drv
