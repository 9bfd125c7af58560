#pragma once
// How many kills a crash test makes, and the seed of their moments: DRVESK_CRASH_ROUNDS
// for longer runs, DRVESK_CRASH_SEED to repeat one.

#include <QRandomGenerator>
#include <QtGlobal>

namespace drv::crash {

inline int rounds(int byDefault)
{
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("DRVESK_CRASH_ROUNDS", &ok);
    return ok && n > 0 ? n : byDefault;
}

inline quint32 seed()
{
    bool ok = false;
    const uint s = uint(qEnvironmentVariableIntValue("DRVESK_CRASH_SEED", &ok));
    return ok ? s : QRandomGenerator::global()->generate();
}

} // namespace drv::crash
