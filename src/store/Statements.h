#pragma once
// Every statement the program runs, on the diary and on its search index. Values are
// bound to the "?" placeholders by SqlSet, never pasted into the text. Where keys are
// ordered across months, drv_ord() orders them by date in the century window, not by
// their two digits.

#include <QString>

namespace drv::sql {

// Entries of one day.
inline const QString kCountKey = QStringLiteral("Select Count(*) As nCnt From tbDoc Where skYmn=?");
inline const QString kUpdate = QStringLiteral("Update tbDoc Set szTtl=?, szDoc=?");
inline const QString kWhereKey = QStringLiteral(" Where skYmn=?");
inline const QString kInsert = QStringLiteral(" Insert Into tbDoc (szTtl, szDoc, skYmn)");
inline const QString kValues = QStringLiteral(" Values(?,?,?)");
inline const QString kDelete = QStringLiteral(" Delete From tbDoc Where skYmn=?");
inline const QString kEntry = QStringLiteral("Select szTtl,szDoc From tbDoc Where skYmn=?");

// Moving an entry to another day: new key, old key.
inline const QString kMoveKey = QStringLiteral("Update tbDoc Set skYmn=? where skYmn=?");

// The first and the last stored day; null (read as 0) when the diary is empty.
inline const QString kSelect = QStringLiteral("Select ");
inline const QString kMax = QStringLiteral("Max");
inline const QString kMin = QStringLiteral("Min");
inline const QString kOfKeys = QStringLiteral("(drv_ord(skYmn)) As nOrd From tbDoc");

// One month: the month prefix "yymm", then the prefix followed by "32".
inline const QString kMonthList = QStringLiteral("Select skYmn, szTtl From tbDoc");
inline const QString kMonthKeys = QStringLiteral("Select skYmn From tbDoc");
inline const QString kMonthRange = QStringLiteral(" Where skYmn Between ? And ?");
inline const QString kByKey = QStringLiteral(" Order By skYmn");

// The listing window: the 50 latest entries up to a day, and a word search.
inline const QString kTop50 = QStringLiteral("Select skYmn, szTtl, szDoc");
inline const QString kUpTo = QStringLiteral(" From tbDoc Where drv_ord(skYmn)<=drv_ord(?)");
inline const QString kWithWord = QStringLiteral(" From tbDoc Where drv_match(szDoc, ?)");
inline const QString kNewestFirst = QStringLiteral(" Order By drv_ord(skYmn) Desc Limit 50");

// Every entry in date order, a page at a time: keys after the last one of the page
// before, up to the top of the range (the two centuries are walked one after the other).
inline const QString kWalkRange = QStringLiteral(
    "Select skYmn, szTtl, szDoc From tbDoc Where skYmn > ? And skYmn <= ? Order By skYmn Limit ?");
inline const QString kWalkAbove =
    QStringLiteral("Select skYmn, szTtl, szDoc From tbDoc Where skYmn > ? Order By skYmn Limit ?");

// The latest entries up to a day, read as one key range of a century: upper key, lower
// key (exclusive), row limit.
inline const QString kLatestInRange =
    QStringLiteral("Select skYmn, szTtl, szDoc From tbDoc Where skYmn <= ? And skYmn > ? "
                   "Order By skYmn Desc Limit ?");

// A save is one write transaction: count, then update or insert.
inline const QString kBeginWrite = QStringLiteral("Begin Immediate");
inline const QString kCommit = QStringLiteral("Commit");
inline const QString kRollback = QStringLiteral("Rollback");

// Opening: a read that proves the file is a diary, and durable commits.
inline const QString kProbe = QStringLiteral("Select skYmn, szTtl, szDoc From tbDoc Limit 0");
inline const QString kSyncExtra = QStringLiteral("Pragma synchronous = EXTRA");

// What an earlier version kept inside the diary: a search index and the triggers that fed
// it. A diary that still holds them is cleaned of them at its first open.
inline const QString kOldIndexObjects =
    QStringLiteral("Select Count(*) As nCnt From sqlite_master Where name In ('ftsDoc', "
                   "'tbDoc_ftsIns', 'tbDoc_ftsDel', 'tbDoc_ftsUpd')");
inline const QString kUserVersion = QStringLiteral("Pragma user_version");
inline const QString kDropOldTriggerIns = QStringLiteral("Drop Trigger If Exists tbDoc_ftsIns");
inline const QString kDropOldTriggerDel = QStringLiteral("Drop Trigger If Exists tbDoc_ftsDel");
inline const QString kDropOldTriggerUpd = QStringLiteral("Drop Trigger If Exists tbDoc_ftsUpd");
inline const QString kDropOldIndex = QStringLiteral("Drop Table If Exists ftsDoc");
inline const QString kClearUserVersion = QStringLiteral("Pragma user_version = 0");

// Whether another program committed a change to the diary since this connection last
// looked, and the columns of tbDoc by position (what a change of a row is told in).
inline const QString kDataVersion = QStringLiteral("Pragma main.data_version");
inline const QString kSchemaVersion = QStringLiteral("Pragma main.schema_version");
inline const QString kColumns = QStringLiteral("Select cid, name From pragma_table_info('tbDoc')");
// A read transaction that holds the diary as it is while its stamp is taken.
inline const QString kBeginRead = QStringLiteral("Begin");
inline const QString kTouch = QStringLiteral("Select Count(*) As nCnt From tbDoc Where 0");

// Reading the diary for the index, a page of rows at a time in key order: key, digest
// of the body (drv_fp) and the body as text, as the word match reads it.
inline const QString kCountAll = QStringLiteral("Select Count(*) As nCnt From tbDoc");
inline const QString kIrregularKeys = QStringLiteral(
    "Select Count(*) As nCnt From tbDoc Where skYmn Is Null Or typeof(skYmn) <> 'text' "
    "Or length(skYmn) <> 6 Or skYmn Glob '*[^0-9]*'");
inline const QString kRepeatedKeys =
    QStringLiteral("Select Count(*) - Count(Distinct skYmn) As nCnt From tbDoc");
inline const QString kBodiesAfter =
    QStringLiteral("Select skYmn, drv_fp(szDoc), Cast(szDoc As Text) From tbDoc "
                   "Where skYmn > ? Order By skYmn Limit ?");
inline const QString kDigestsAfter =
    QStringLiteral("Select skYmn, drv_fp(szDoc) From tbDoc Where skYmn > ? Order By skYmn Limit ?");
// Followed by one "?" for each key, separated by "," and ")".
inline const QString kBodiesOf =
    QStringLiteral("Select skYmn, drv_fp(szDoc), Cast(szDoc As Text) From tbDoc "
                   "Where skYmn In (");
// The entries of some keys: followed by one "?" for each key, separated by "," and ")".
inline const QString kEntriesOf =
    QStringLiteral("Select skYmn, szTtl, szDoc From tbDoc Where skYmn In (");
// Whether a body that is not text holds the word, as the plain scan decides it: word, key.
inline const QString kHitOf =
    QStringLiteral("Select drv_match(szDoc, ?) As nHit From tbDoc Where skYmn = ?");

// The index file in the cache folder: its one row of facts, the terms of each body in a
// full-text table whose row is the key read as a number (a body's earlier terms stay when
// they cannot be taken out exactly; a search passes over the key then), and for each key
// the digest of the body its terms were last made from.
// A write-ahead log: the worker's commits need no sync and never keep a search waiting;
// a power cut may lose the last of them, which the next start finds by the digests.
inline const QString kIndexSetup[] = {
    QStringLiteral("Pragma journal_mode = wal"),
    QStringLiteral("Pragma journal_size_limit = 4194304"),
    QStringLiteral("Pragma synchronous = normal"),
    QStringLiteral("Pragma secure_delete = off"),
};
// At a clean exit: the log folded into the file, which the closing connection then removes.
inline const QString kIndexSettle = QStringLiteral("Pragma wal_checkpoint(truncate)");
inline const QString kIndexBuildCache = QStringLiteral("Pragma cache_size = -16000");
inline const QString kIndexTables = QStringLiteral(
    "Select Count(*) As nCnt From sqlite_master Where name In ('tbMeta', 'tbKey', 'ftsDoc')");
inline const QString kIndexCreate[] = {
    QStringLiteral("Drop Table If Exists ftsDoc"),
    QStringLiteral("Drop Table If Exists tbKey"),
    QStringLiteral("Drop Table If Exists tbMeta"),
    QStringLiteral("Create Table tbMeta (sVersion Text, sDiary Text, nGen Integer, "
                   "bComplete Integer, sStamp Text, nGarbage Integer, bMerge Integer)"),
    QStringLiteral("Create Table tbKey (nKey Integer Primary Key, bFp Blob)"),
    QStringLiteral("Create Virtual Table ftsDoc Using fts5(szDoc, content='', detail=none, "
                   "columnsize=0, tokenize='drv_terms')"),
    QStringLiteral("Insert Into ftsDoc(ftsDoc, rank) Values('hashsize', 8388608)"),
    QStringLiteral("Insert Into ftsDoc(ftsDoc, rank) Values('automerge', 8)"),
};
inline const QString kMetaCreate =
    QStringLiteral("Insert Into tbMeta (sVersion, sDiary, nGen, bComplete, sStamp, nGarbage, "
                   "bMerge) Values (?, ?, ?, 0, '', 0, 0)");
inline const QString kMetaGet = QStringLiteral(
    "Select sVersion, sDiary, nGen, bComplete, sStamp, nGarbage, bMerge From tbMeta");
inline const QString kMetaGen = QStringLiteral("Select nGen, bComplete From tbMeta");
inline const QString kMetaDiary = QStringLiteral("Select sDiary From tbMeta");
inline const QString kMetaComplete = QStringLiteral("Update tbMeta Set bComplete = ?");
inline const QString kMetaStamp = QStringLiteral("Update tbMeta Set sStamp = ?");
inline const QString kMetaGarbage = QStringLiteral("Update tbMeta Set nGarbage = ?");
// Whether a build's terms are still to be merged into one segment.
inline const QString kMetaMerge = QStringLiteral("Update tbMeta Set bMerge = ?");
inline const QString kKeysBetween =
    QStringLiteral("Select nKey, bFp From tbKey Where nKey > ? And nKey <= ?");
inline const QString kKeyOf = QStringLiteral("Select bFp From tbKey Where nKey = ?");
inline const QString kKeyCount = QStringLiteral("Select Count(*) As nCnt From tbKey");
inline const QString kKeyPut =
    QStringLiteral("Insert Or Replace Into tbKey (nKey, bFp) Values (?, ?)");
inline const QString kKeyDrop = QStringLiteral("Delete From tbKey Where nKey = ?");
inline const QString kKeysClear = QStringLiteral("Delete From tbKey");
inline const QString kTermsAdd = QStringLiteral("Insert Into ftsDoc (rowid, szDoc) Values (?, ?)");
inline const QString kTermsRemove =
    QStringLiteral("Insert Into ftsDoc (ftsDoc, rowid, szDoc) Values ('delete', ?, ?)");
inline const QString kTermsClear =
    QStringLiteral("Insert Into ftsDoc (ftsDoc) Values ('delete-all')");
inline const QString kIndexCompact[] = {
    QStringLiteral("Insert Into ftsDoc (ftsDoc) Values ('optimize')"),
    QStringLiteral("Vacuum"),
    QStringLiteral("Update tbMeta Set bMerge = 0"),
    QStringLiteral("Pragma wal_checkpoint(truncate)"),
};
// The keys whose body holds every term of the query, newest first within a range of keys
// (upper bound, lower bound exclusive): query, upper, lower, limit.
inline const QString kCandidates = QStringLiteral(
    "Select rowid As nKey From ftsDoc Where ftsDoc Match ? And rowid <= ? And rowid > ? "
    "Order By rowid Desc Limit ?");

// The correction window: body, key.
inline const QString kCorrect = QStringLiteral("Update tbDoc Set szDoc=? Where skYmn=?");

// Whole diary files: a check that reads every page, and the newest key within a range
// of keys (a century of the window): lower key, upper key.
inline const QString kQuickCheck = QStringLiteral("Pragma quick_check");
inline const QString kNewestIn =
    QStringLiteral("Select Max(skYmn) As sKey From tbDoc Where skYmn Between ? And ?");

// Almanah's diary.db, read in a connection of its own: every day with its format version
// (a file older than the version column holds only version 1), and the days' tags.
inline const QString kAlmanahEntries = QStringLiteral(
    "Select year, month, day, content, version From entries Order By year, month, day");
inline const QString kAlmanahEntriesV1 =
    QStringLiteral("Select year, month, day, content, 1 From entries Order By year, month, day");
inline const QString kAlmanahCount = QStringLiteral("Select Count(*) From entries");
inline const QString kAlmanahTags =
    QStringLiteral("Select year, month, day, tag From entry_tag Order By rowid");

// The key within the value that kMax/kMin return: its first character is the century mark.
inline QString keyOfOrd(const QString& ord)
{
    return ord.size() == 7 ? ord.mid(1) : ord;
}

} // namespace drv::sql
