// Switches a diary on and off, again and again, until it is killed: the crash test of
// the encryption kills it at random moments. Arguments: the diary file, the password, the
// recovery key. It prints "ready" once it has the diary's keys, then "on" or "off" after
// each switch.

#include "DiaryEncryption.h"
#include "DiaryKeys.h"
#include "KeySlot.h"
#include "SqlQuery.h"

#include <QCoreApplication>

#include <sqlite3.h>

#include <cstdio>

using namespace drv;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) return 2;
    const QString diary = args[1], password = args[2], recovery = args[3];
    vault::setPasswordCost({1, 8u << 20});
    std::unique_ptr<vault::KeySet> keys;
    {
        sql::Connection db;
        QString reason;
        if (!db.open(diary, SQLITE_OPEN_READONLY, reason)) return 3;
        const auto slots = readKeySlots(db.handle());
        if (!slots.isEmpty()) {
            const auto key = vault::unwrap(slots.value(kPasswordSlot), password);
            if (!key) return 4;
            keys = vault::KeySet::fromDataKey(*key);
        }
    }
    std::puts("ready");
    std::fflush(stdout);
    for (;;) {
        QString reason;
        if (keys) {
            if (!encryption::switchOff(diary, *keys, {}, reason)) return 5;
            keys.reset();
            std::puts("off");
        } else {
            keys = encryption::switchOn(diary, password, recovery, {}, reason);
            if (!keys) return 6;
            std::puts("on");
        }
        std::fflush(stdout);
    }
}
