// libFuzzer targets: one program per check of FaultExercises.h, chosen by DRV_FUZZ_CHECK at
// build time (UserData, Match, DateAnswer, DateLink).

#include "FakePlatform.h"
#include "FaultExercises.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {
// Scratch folders and scripted answers for the whole run.
std::unique_ptr<drv::test::FakePlatform> platform;
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    platform = std::make_unique<drv::test::FakePlatform>();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace drv::test;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
#if DRV_FUZZ_CHECK_UserData
    const QString problem =
        exerciseUserData(bytes, platform->programFolder, platform->specialFolders.value(26));
#elif DRV_FUZZ_CHECK_Match
    const QString problem = exerciseMatch(bytes);
#elif DRV_FUZZ_CHECK_DateAnswer
    const QString problem = exerciseDateAnswer(bytes);
#elif DRV_FUZZ_CHECK_DateLink
    const QString problem = exerciseDateLink(bytes);
#endif
    platform->messages.clear();
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "check failed: %s\n", qPrintable(problem));
        std::abort();
    }
    return 0;
}
