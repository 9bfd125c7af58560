#pragma once
// How many kills a crash test makes, and the seed of their moments: DRVESK_CRASH_ROUNDS
// for longer runs, DRVESK_CRASH_SEED to repeat one, DRVESK_CRASH_SHARD "j/n" to share a long
// run between n processes (this one takes the rounds whose number is j modulo n, from the
// same sequence of moments, so the n shards together are the one run).

#include <QByteArray>
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

// Whether this process makes the given round of a run shared by DRVESK_CRASH_SHARD.
inline bool ownsRound(int round)
{
    const QByteArray shard = qgetenv("DRVESK_CRASH_SHARD");
    const qsizetype slash = shard.indexOf('/');
    if (slash < 0) return true;
    const int j = shard.left(slash).toInt();
    const int n = shard.mid(slash + 1).toInt();
    return n <= 1 || round % n == j;
}

} // namespace drv::crash
