#pragma once
// The one settings object: where the user's data lives and the settings file "User.xml".

#include <QString>
#include <QStringList>
#include <QVariant>

namespace drv {

class yIni {
public:
    yIni() = default;
    Q_DISABLE_COPY_MOVE(yIni)

    // --- User-data folder ---------------------------------------------------
    // Fixes sApFld, records the executable's path, resolves and creates sUsrFld.
    void W_UserData(qintptr nWhnd);
    // A special folder by number, without a trailing "/"; empty when unknown.
    QString FsGtSpFld(int nFlg) const;
    // Creates a folder and every missing parent, outermost first; never fails.
    void F_CreateFld(const QString& sFd) const;
    // Creates the named sub-folders of sPh that are missing (one level).
    void F_ChkSb(const QString& sPh, const QStringList& Ary) const;

    qintptr nHwnd = 0;

    // --- Settings file ------------------------------------------------------
    void GetTxt(const QString& sFL, bool& bOk);
    void GetGtx(const QString& sGp);
    // The value of key sKy of the selected group, converted by the type of vDef.
    QVariant vGtVal(const QString& sKy, const QVariant& vDef);
    void SetVal(const QString& sKy, const QVariant& vVL);
    void SetGtx();
    void SetTxt(bool& bOk);

    QString sFlNm; // the loaded settings file
    QString sTxt;  // the whole document, exactly as it will be written
    QString sGpNm; // the selected group
    QString sGtx;  // the selected group's item lines

private:
    QString GetTag(int level, const QString& name);
    static QString MakTag(int level, const QString& name, const QVariant& value);
};

} // namespace drv
