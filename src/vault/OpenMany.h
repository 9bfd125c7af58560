#pragma once
// Many sealed row values opened in one call, as a listing of long bodies needs: opening
// runs at about 1 GB/s and is most of such a listing's time, so it is spread over the
// spare cores when there is enough of it.

#include "KeySet.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

namespace drv::vault {

struct SealedValue {
    QString day;
    QString column;
    QByteArray sealed;
};

// The texts in the order of the values; nullopt where one does not open (KeySet::openValue).
// Never waits on a helper thread that is slow to finish: what a helper has not finished
// when the caller's own share is done, the caller opens itself.
QList<std::optional<QString>> openMany(std::shared_ptr<const KeySet> keys,
                                       QList<SealedValue> values);

} // namespace drv::vault
