// Switches a diary on and off, again and again, until it is killed: the crash test of
// the encryption kills it at random moments. Arguments: the diary file, the password, the
// recovery key, and optionally the mode "password": then the diary is switched on once
// and its password changed, again and again, to the password with "2" after it and back.
// It prints "ready" once it has the diary's keys, then "on", "off" or "changed" after each
// step.

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
    if (args.size() != 4 && args.size() != 5) return 2;
    const QString diary = args[1], password = args[2], recovery = args[3];
    const bool changing = args.value(4) == u"password";
    const QString passwords[] = {password, password + u'2'};
    vault::setPasswordCost({1, 8u << 20});
    std::unique_ptr<vault::KeySet> keys;
    {
        sql::Connection db;
        QString reason;
        if (!db.open(diary, SQLITE_OPEN_READONLY, reason)) return 3;
        const auto slots = readKeySlots(db.handle());
        if (!slots.isEmpty()) {
            auto key = vault::unwrap(slots.value(kPasswordSlot), passwords[0]);
            if (!key && changing) key = vault::unwrap(slots.value(kPasswordSlot), passwords[1]);
            if (!key) return 4;
            keys = vault::KeySet::fromDataKey(*key);
        }
    }
    std::puts("ready");
    std::fflush(stdout);
    for (int turn = 0;; ++turn) {
        QString reason;
        if (changing && keys) {
            if (!encryption::changePassword(diary, *keys, passwords[turn % 2], reason)) return 7;
            std::puts("changed");
        } else if (keys) {
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
