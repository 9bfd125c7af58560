#pragma once
// The start that the programs making the README's pictures share: a diary of their own
// in the scratch machine's folders, open in the store.

#include "FakePlatform.h"

#include <functional>

namespace drv::test {

// Checks that the command line names `files` pictures (else prints "usage: " and `usage`
// on standard error and gives 2), makes the diary in the machine's data folder from the
// template, fills it by `fill` on its file (through onFile) and opens the store (else
// prints why and gives 1). 0 when the diary is open.
int openShotDiary(FakePlatform& fake, int argc, int files, const char* usage,
                  const std::function<bool(const QString& diaryPath)>& fill);

} // namespace drv::test
