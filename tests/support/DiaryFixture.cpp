#include "DiaryFixture.h"

#include "Globals.h"
#include "Store.h"

#include <QCoreApplication>
#include <QEvent>

namespace drv::test {

std::unique_ptr<FakePlatform> startDiary()
{
    auto fake = std::make_unique<FakePlatform>();
    fake->useDiaryFolders();
    sExeNm = QStringLiteral("drvesk");
    bRun = true;
    return fake;
}

void endDiary(std::unique_ptr<FakePlatform>& fake)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    DbClose();
    bRun = false;
    fake.reset();
}

} // namespace drv::test
