#include "EntryWrite.h"

#include "Statements.h"
#include "Store.h"

namespace drv {

bool WriteEntry(const QString& key, const QString& title, const QString& body)
{
    Statement count{sql::kCountKey, {}};
    SqlSet(count, {key});
    int n = 0;
    if (!DbGetRec(count, n)) return false;
    int changed = 0;
    if (n != 0) {
        Statement update{sql::kUpdate + sql::kWhereKey, {}};
        SqlSet(update, {title, body, key});
        if (!DbExec(update, changed)) return false;
        // No row changed: another copy deleted the day meanwhile, so it is written anew.
        if (changed != 0) return true;
    }
    // Another copy may have written the day since it was counted: then this one replaces it.
    Statement insert{sql::kInsert + sql::kValues + sql::kOrUpdate, {}};
    SqlSet(insert, {title, body, key});
    return DbExec(insert, changed);
}

} // namespace drv
