#include "yIni.h"

// The settings file operations are being written; these keep the program linking.
namespace drv {

void yIni::GetTxt(const QString&, bool& bOk) { bOk = false; }
void yIni::GetGtx(const QString& sGp) { sGpNm = sGp; sGtx.clear(); }
QVariant yIni::vGtVal(const QString&, const QVariant& vDef) { return vDef; }
void yIni::SetVal(const QString&, const QVariant&) {}
void yIni::SetGtx() {}
void yIni::SetTxt(bool&) {}

} // namespace drv
