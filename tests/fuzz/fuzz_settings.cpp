// libFuzzer target: arbitrary bytes as "User.xml", read, changed and written back.

#include "FakePlatform.h"
#include "SettingsExercise.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {
// Answers the damage messages and gives a scratch folder, for the whole run.
std::unique_ptr<drv::test::FakePlatform> platform;
QString folder;
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    platform = std::make_unique<drv::test::FakePlatform>();
    folder = platform->makeDir(QStringLiteral("data"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString problem = drv::test::exerciseSettingsFile(bytes, folder);
    platform->messages.clear();
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "settings check failed: %s\n", qPrintable(problem));
        std::abort();
    }
    return 0;
}
