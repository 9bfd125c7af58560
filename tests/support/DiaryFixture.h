#pragma once
// What every test of the store and the windows starts from and ends with.

#include "FakePlatform.h"

#include <memory>

namespace drv::test {

// A scripted machine over a fresh, empty diary folder (the template in place, the diary
// not yet made), with the program's globals set as a start sets them.
std::unique_ptr<FakePlatform> startDiary();
// Deferred deletions done, the store closed, the machine and the globals gone.
void endDiary(std::unique_ptr<FakePlatform>& fake);

} // namespace drv::test
