// What an earlier version kept inside the diary (its index table, the triggers that fed
// it, the format number it wrote) is taken out at the first open by this one.

#include "SearchState.h"

#include "SearchStatements.h"
#include "SqlQuery.h"
#include "Statements.h"

#include <sqlite3.h>

namespace drv {

namespace {

// The format number an earlier version wrote into the diary with its index.
constexpr qint64 kOldIndexVersion = 1;

} // namespace

void retireOldIndex(sqlite3* diary)
{
    bool ok = false;
    const qint64 objects = sql::quietNumber(diary, sql::kOldIndexObjects, &ok);
    if (!ok || objects == 0 || sqlite3_db_readonly(diary, "main") == 1) return;
    if (!sql::quietRun(diary, sql::kBeginWrite)) return;
    const qint64 version = sql::quietNumber(diary, sql::kUserVersion);
    bool done = sql::quietRun(diary, sql::kDropOldTriggerIns) &&
                sql::quietRun(diary, sql::kDropOldTriggerDel) &&
                sql::quietRun(diary, sql::kDropOldTriggerUpd) &&
                sql::quietRun(diary, sql::kDropOldIndex) &&
                (version != kOldIndexVersion || sql::quietRun(diary, sql::kClearUserVersion));
    done = done && sql::quietRun(diary, sql::kCommit);
    if (!done) sql::quietRun(diary, sql::kRollback);
}

} // namespace drv
