#include "ShotDiary.h"

#include "Globals.h"
#include "Store.h"

#include <QFile>

#include <cstdio>

namespace drv::test {

int openShotDiary(FakePlatform& fake, int argc, int files, const char* usage,
                  const std::function<bool(const QString& diaryPath)>& fill)
{
    if (argc < files + 1) {
        std::fprintf(stderr, "usage: %s\n", usage);
        return 2;
    }
    fake.useDiaryFolders();
    bRun = true;
    const QString path = sUsrFld + QStringLiteral("dbVesk.mdb");
    // A copy keeps the template's mode, which may be read-only.
    if (!QFile::copy(FakePlatform::templatePath(), path) ||
        !QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        !fill(path) || !DbOpen()) {
        std::fprintf(stderr, "cannot make the diary\n");
        return 1;
    }
    return 0;
}

} // namespace drv::test
