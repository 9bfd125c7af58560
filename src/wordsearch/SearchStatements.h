#pragma once
// The word search's statements: the plain scan, the index file's, and those that read the
// diary for the index or clean it of what an earlier version kept in it. Values are bound
// to the "?" placeholders, never pasted into the text.

#include <QString>

namespace drv::sql {

// The plain word search: every body read and matched by drv_match (registered by the
// word search on the diary's connection). drv_doc (the store's) gives a sealed body's text.
inline const QString kWithWord =
    QStringLiteral(" From tbDoc Where drv_match(drv_doc(skYmn, szDoc), ?)");

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
inline const QString kIrregularKeys = QStringLiteral(
    "Select Count(*) As nCnt From tbDoc Where skYmn Is Null Or typeof(skYmn) <> 'text' "
    "Or length(skYmn) <> 6 Or skYmn Glob '*[^0-9]*'");
inline const QString kRepeatedKeys =
    QStringLiteral("Select Count(*) - Count(Distinct skYmn) As nCnt From tbDoc");
inline const QString kBodiesAfter = QStringLiteral(
    "Select skYmn, drv_fp(drv_doc(skYmn, szDoc)), Cast(drv_doc(skYmn, szDoc) As Text) From tbDoc "
    "Where skYmn > ? Order By skYmn Limit ?");
inline const QString kDigestsAfter =
    QStringLiteral("Select skYmn, drv_fp(drv_doc(skYmn, szDoc)) From tbDoc Where skYmn > ? Order "
                   "By skYmn Limit ?");
// Followed by one "?" for each key, separated by "," and ")".
inline const QString kBodiesOf = QStringLiteral(
    "Select skYmn, drv_fp(drv_doc(skYmn, szDoc)), Cast(drv_doc(skYmn, szDoc) As Text) From tbDoc "
    "Where skYmn In (");
// Whether a body that is not text holds the word, as the plain scan decides it: word, key.
inline const QString kHitOf =
    QStringLiteral("Select drv_match(drv_doc(skYmn, szDoc), ?) As nHit From tbDoc Where skYmn = ?");

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
// An index in memory: sorts, statement journals and a vacuum's copy stay in memory too,
// never in a temporary file on disk.
inline const QString kIndexInMemory = QStringLiteral("Pragma temp_store = memory");
inline const QString kIndexVacuum = QStringLiteral("Vacuum");
inline const QString kIndexTouch = QStringLiteral("Select Count(*) As nCnt From sqlite_master");
// At a clean exit: the log folded into the file, which the closing connection then removes.
inline const QString kIndexSettle = QStringLiteral("Pragma wal_checkpoint(truncate)");
inline const QString kIndexBuildCache = QStringLiteral("Pragma cache_size = -16000");
inline const QString kIndexTables = QStringLiteral(
    "Select Count(*) As nCnt From sqlite_master Where name In ('tbMeta', 'tbKey', 'ftsDoc', "
    "'tbCount')");
inline constexpr int kIndexTableCount = 4;
inline const QString kIndexCreate[] = {
    QStringLiteral("Drop Table If Exists ftsDoc"),
    QStringLiteral("Drop Table If Exists tbKey"),
    QStringLiteral("Drop Table If Exists tbMeta"),
    QStringLiteral("Drop Table If Exists tbCount"),
    QStringLiteral("Create Table tbMeta (sVersion Text, sDiary Text, nGen Integer, "
                   "bComplete Integer, sStamp Text, nGarbage Integer, bMerge Integer)"),
    QStringLiteral("Create Table tbKey (nKey Integer Primary Key, bFp Blob)"),
    QStringLiteral("Create Table tbCount (nKey Integer Primary Key, nChars Integer)"),
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
// Each stored day's character count (as the status line counts), kept with its terms.
inline const QString kCountPut =
    QStringLiteral("Insert Or Replace Into tbCount (nKey, nChars) Values (?, ?)");
inline const QString kCountDrop = QStringLiteral("Delete From tbCount Where nKey = ?");
inline const QString kCountsClear = QStringLiteral("Delete From tbCount");
inline const QString kCounts = QStringLiteral("Select nKey, nChars From tbCount");
// The bodies of some days, to count those the index may not hold yet: followed by one
// "?" for each key, separated by "," and ")".
inline const QString kCountBodiesOf =
    QStringLiteral("Select skYmn, Cast(drv_doc(skYmn, szDoc) As Text) From tbDoc Where skYmn In (");
// Every body, to count them on a connection of its own when the index cannot answer.
inline const QString kCountEveryBody =
    QStringLiteral("Select skYmn, Cast(drv_doc(skYmn, szDoc) As Text) From tbDoc");
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

} // namespace drv::sql
