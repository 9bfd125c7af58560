#pragma once
// The one settings object: where the user's data lives and the settings file "User.xml".

#include <QString>
#include <QStringList>
#include <QVariant>

#include <cmath>
#include <limits>
#include <type_traits>

namespace drv {

class yIni {
public:
    yIni() = default;
    Q_DISABLE_COPY_MOVE(yIni)

    // --- User-data folder ---------------------------------------------------
    // Fixes sApFld, records the executable's path, resolves and creates sUsrFld.
    void W_UserData(qintptr nWhnd);
    // The user-data folder that "UserData.ini" names (ending in "/"), with W_UserData's
    // messages for a missing or unusable definition; creates and records nothing.
    QString userDataFolder() const;
    // A special folder by number, without a trailing "/"; empty when unknown.
    QString FsGtSpFld(int nFlg) const;
    // Creates a folder and every missing parent, outermost first; never fails.
    void F_CreateFld(const QString& sFd) const;
    // Creates the named sub-folders of sPh that are missing (one level).
    void F_ChkSb(const QString& sPh, const QStringList& Ary) const;

    qintptr nHwnd = 0;

    // --- Shell services -----------------------------------------------------
    // The maker's pages; a page name is appended.
    static constexpr const char* kMakerPage = "https://www.orbena.example/drvesk/";
    // Writes the help shortcut (sUsrFld + sExeNm + "_help.lnk") and opens its page.
    void W_Help(const QString& sJob);
    // Writes sUsrFld + "Wrk/htm_view.lnk" for an address or file and opens it.
    void W_HtmView(const QString& sUrl);
    // Puts a shortcut to the program into the user's applications folder.
    void W_SendTo();
    // Opens (bOpn) or explores a folder.
    void W_ExpFd(const QString& sFld, bool bOpn);

    // --- Settings file ------------------------------------------------------
    void GetTxt(const QString& sFL, bool& bOk);
    void GetGtx(const QString& sGp);
    // The value of key sKy of the selected group, converted by the type of vDef.
    QVariant vGtVal(const QString& sKy, const QVariant& vDef);
    void SetVal(const QString& sKy, const QVariant& vVL);
    void SetGtx();
    void SetTxt(bool& bOk);

    // vGtVal with the result in the default's own type. Whole numbers are rounded half to
    // even and held within the type's range, so a hand-edited "1e30" cannot overflow.
    template <typename T> T value(const QString& sKy, const T& vDef)
    {
        const QVariant v = vGtVal(sKy, QVariant::fromValue(vDef));
        if constexpr (std::is_integral_v<T> && !std::is_same_v<T, bool>) {
            const double d = std::nearbyint(v.toDouble());
            if (d <= static_cast<double>(std::numeric_limits<T>::min()))
                return std::numeric_limits<T>::min();
            if (d >= static_cast<double>(std::numeric_limits<T>::max()))
                return std::numeric_limits<T>::max();
            return static_cast<T>(d);
        } else if constexpr (std::is_floating_point_v<T>) {
            const double d = v.toDouble();
            constexpr double top = static_cast<double>(std::numeric_limits<T>::max());
            return static_cast<T>(d > top ? top : d < -top ? -top : d);
        } else {
            return v.value<T>();
        }
    }

    QString sFlNm; // the loaded settings file
    QString sTxt;  // the whole document, exactly as it will be written
    QString sGpNm; // the selected group
    QString sGtx;  // the selected group's item lines

private:
    bool unreadable_ = false; // the loaded file exists but could not be read
    QString GetTag(int level, const QString& name);
    static QString MakTag(int level, const QString& name, const QVariant& value);
};

} // namespace drv
