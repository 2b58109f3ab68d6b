// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/processguard.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace ProcessGuard {

void protectProcess() {
#ifdef Q_OS_UNIX
    const rlimit none{0, 0};
    setrlimit(RLIMIT_CORE, &none);
    std::signal(SIGXFSZ, SIG_IGN);
#endif
#ifdef Q_OS_LINUX
    // Also keeps other processes of the same user from reading the program's memory
    // through ptrace or /proc, and stops a core dump by a pipe handler that ignores the limit.
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
#endif
}

bool coreDumpsOff() {
#ifdef Q_OS_UNIX
    rlimit core{};
    if (getrlimit(RLIMIT_CORE, &core) != 0 || core.rlim_cur != 0)
        return false;
#endif
#ifdef Q_OS_LINUX
    if (prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) != 0)
        return false;
#endif
    return true;
}

} // namespace ProcessGuard
