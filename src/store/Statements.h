#pragma once
// The diary's own statements. Values are bound to the "?" placeholders by SqlSet, never
// pasted into the text. Where keys are
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

// The listing window: the 50 latest entries up to a day (the word search has its own).
inline const QString kTop50 = QStringLiteral("Select skYmn, szTtl, szDoc");
inline const QString kUpTo = QStringLiteral(" From tbDoc Where drv_ord(skYmn)<=drv_ord(?)");
inline const QString kNewestFirst = QStringLiteral(" Order By drv_ord(skYmn) Desc Limit 50");

// One day of the year in every year, newest first: the day's "mmdd" twice, or "0228" and
// "0229" where a year without 29 February lists that day on 28 February.
inline const QString kSameDayEveryYear =
    QStringLiteral("Select skYmn, szTtl, szDoc From tbDoc Where substr(skYmn, 3) In (?, ?) "
                   "Order By drv_ord(skYmn) Desc");

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
// Changes whenever another connection commits to the diary.
inline const QString kDiaryVersion = QStringLiteral("Pragma main.data_version");
inline const QString kCommit = QStringLiteral("Commit");
inline const QString kRollback = QStringLiteral("Rollback");

// Opening: a read that proves the file is a diary, and durable commits.
inline const QString kProbe = QStringLiteral("Select skYmn, szTtl, szDoc From tbDoc Limit 0");
inline const QString kSyncExtra = QStringLiteral("Pragma synchronous = EXTRA");

// Counting the diary's entries.
inline const QString kCountAll = QStringLiteral("Select Count(*) As nCnt From tbDoc");
// The entries of some keys: followed by one "?" for each key, separated by "," and ")".
inline const QString kEntriesOf =
    QStringLiteral("Select skYmn, szTtl, szDoc From tbDoc Where skYmn In (");
// The correction window: body, key.
inline const QString kCorrect = QStringLiteral("Update tbDoc Set szDoc=? Where skYmn=?");

// Whole diary files: a check that reads every page, and the newest key within a range
// of keys (a century of the window): lower key, upper key.
inline const QString kQuickCheck = QStringLiteral("Pragma quick_check");
inline const QString kNewestIn =
    QStringLiteral("Select Max(skYmn) As sKey From tbDoc Where skYmn Between ? And ?");

// The key slots of an encrypted diary (tbVault, beside tbDoc): each wraps the data key by
// one secret. A diary without the table, or with no slot in it, is a plain diary.
inline const QString kVaultExists = QStringLiteral(
    "Select Count(*) As nCnt From sqlite_master Where type = 'table' And name = 'tbVault'");
inline const QString kVaultCreate =
    QStringLiteral("Create Table If Not Exists tbVault (sSlot Text Primary Key, bData Blob)");
inline const QString kVaultSlots = QStringLiteral("Select sSlot, bData From tbVault");
inline const QString kVaultPut =
    QStringLiteral("Insert Or Replace Into tbVault (sSlot, bData) Values (?, ?)");
inline const QString kVaultRemove = QStringLiteral("Delete From tbVault Where sSlot = ?");
inline const QString kVaultDrop = QStringLiteral("Drop Table If Exists tbVault");
// Moving an encrypted entry seals it anew for its new day: new key, title, body, old key.
inline const QString kMoveSealed =
    QStringLiteral("Update tbDoc Set skYmn=?, szTtl=?, szDoc=? Where skYmn=?");

// A diary file written anew: the old one's tables and indexes (the key slots and the
// engine's own objects excepted), its rows in key order, into the new file with no journal.
inline const QString kRewriteBegin = QStringLiteral("Begin");
inline const QString kRewriteSchema =
    QStringLiteral("Select sql From sqlite_master Where sql Is Not Null And name <> 'tbVault' "
                   "And name Not Like 'sqlite%' Order By type = 'table' Desc, rowid");
inline const QString kRewriteRows = QStringLiteral("Select * From tbDoc Order By skYmn");
inline const QString kRewriteInsert = QStringLiteral("Insert Into tbDoc Values (");
// The first sealed body of a file, to tell which keys sealed it.
inline const QString kFirstSealed =
    QStringLiteral("Select skYmn, szDoc From tbDoc Where typeof(szDoc) = 'blob' Limit 1");
inline const QString kRewriteNoJournal = QStringLiteral("Pragma journal_mode = off");

// The key within the value that kMax/kMin return: its first character is the century mark.
inline QString keyOfOrd(const QString& ord)
{
    return ord.size() == 7 ? ord.mid(1) : ord;
}

} // namespace drv::sql
