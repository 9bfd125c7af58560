#pragma once
// Program-wide values shared by every part of the program.

#include <QString>

namespace drv {

class yIni;

inline QString sExeNm;    // executable base name without a trailing "_dv"
inline bool bRun = false; // set once the program is running
inline QString sUsrFld;   // user-data folder, ending in "/"
inline QString sApFld;    // program folder + "apData/"
inline yIni* oIni = nullptr;

// sExeNm from an executable's base name: a trailing "_dv" (any case) is dropped.
QString exeStem(const QString& executableName);

} // namespace drv
