// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/datalock.h"

#include <QFile>
#include <QList>
#include <QSysInfo>

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace DataLock {

Facts Facts::ofThisMachine() {
    Facts f;
    f.hostName = QSysInfo::machineHostName();
    f.machineId = QSysInfo::machineUniqueId();
    f.bootId = QSysInfo::bootUniqueId();
    f.alive = [](qint64 pid) {
        // EPERM: the process exists but belongs to someone else.
        return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
    };
    // The kernel's short name is readable even for a process that forbids reading its
    // memory (the program makes itself so), unlike the path of its executable.
    f.name = [](qint64 pid) {
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        if (!comm.open(QIODevice::ReadOnly))
            return QByteArray();
        return comm.readAll().trimmed();
    };
    f.ownName = f.name(qint64(::getpid()));
    return f;
}

Holder classify(const QByteArray& contents, const Facts& facts) {
    Holder h;
    const QList<QByteArray> lines = contents.split('\n');
    bool ok = false;
    const qint64 pid = lines.value(0).toLongLong(&ok);
    if (!ok || pid <= 0 || lines.size() < 3)
        return h; // Unattributable
    h.pid = pid;
    h.hostName = QString::fromUtf8(lines.value(2));
    const QByteArray machineId = lines.value(3);
    const QByteArray bootId = lines.value(4);

    // The machine id outlives a change of host name; the boot id tells a lock from before
    // a restart, whose process cannot be running.
    bool sameMachine;
    if (!machineId.isEmpty() && !facts.machineId.isEmpty()) {
        sameMachine = machineId == facts.machineId;
        if (sameMachine && !bootId.isEmpty() && bootId != facts.bootId) {
            h.owner = Owner::Gone;
            return h;
        }
    } else {
        sameMachine = h.hostName.isEmpty() || h.hostName == facts.hostName;
    }
    if (!sameMachine) {
        h.owner = Owner::OtherHost;
        return h;
    }
    if (!facts.alive(pid)) {
        h.owner = Owner::Gone;
        return h;
    }
    // A process id used again by another program. An unknown name counts as ours.
    const QByteArray name = facts.name(pid);
    h.owner = !name.isEmpty() && name != facts.ownName ? Owner::Gone : Owner::Running;
    return h;
}

} // namespace DataLock
