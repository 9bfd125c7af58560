#pragma once
// Every statement the program runs. Values are bound to the "?" placeholders by
// SqlSet, never pasted into the text. Where keys are ordered across months,
// drv_ord() orders them by date in the century window, not by their two digits.

#include <QString>

namespace drv::sql {

// Entries of one day.
inline const QString kCountKey = QStringLiteral("Select Count(*) As nCnt From tbDoc Where skYmn=?");
inline const QString kUpdate = QStringLiteral("Update tbDoc Set szTtl=?, szDoc=?");
inline const QString kWhereKey = QStringLiteral(" Where skYmn=?");
inline const QString kInsert = QStringLiteral(" Insert Into tbDoc (szTtl, szDoc, skYmn)");
inline const QString kValues = QStringLiteral(" Values(?,?,?)");
// Joined after kValues: a day that another running copy wrote meanwhile is updated.
inline const QString kOrUpdate =
    QStringLiteral(" On Conflict(skYmn) Do Update Set szTtl=excluded.szTtl, szDoc=excluded.szDoc");
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

// The correction window: body, key.
inline const QString kCorrect = QStringLiteral("Update tbDoc Set szDoc=? Where skYmn=?");

// The key within the value that kMax/kMin return: its first character is the century mark.
inline QString keyOfOrd(const QString& ord)
{
    return ord.size() == 7 ? ord.mid(1) : ord;
}

} // namespace drv::sql
