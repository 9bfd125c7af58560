#pragma once
// Tests of read-only files and folders prove nothing when the test runs as root, which
// writes whatever the permissions say. Such a test runs again, by itself, in a child
// process of the same test program as the user "nobody", where permissions hold.

namespace drv::test {

// True when this process writes to a file that is read-only for it.
bool ignoresPermissions();

// Runs the current test function and data row in a child process as "nobody" and checks
// that it passed there. Skips, saying why, only when no unprivileged child can be run.
void rerunAsNobody();

} // namespace drv::test

// At the top of a test function that relies on permissions.
#define DRV_NEEDS_PERMISSIONS()                                                                    \
    do {                                                                                           \
        if (drv::test::ignoresPermissions()) {                                                     \
            drv::test::rerunAsNobody();                                                            \
            return;                                                                                \
        }                                                                                          \
    } while (false)
