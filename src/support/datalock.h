// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Who holds the data folder's lock file, and whether a start may take it over.
//
// Qt's QLockFile recovers a lock whose process is gone but falls back to the file's age when
// it cannot tell who made it (an empty or garbled file, another host name). A program that
// runs for days cannot use a short age, and a long one locks the user out for that long; so
// the program looks at the lock itself before asking Qt for it.
#include <QByteArray>
#include <QString>
#include <functional>

namespace DataLock {

enum class Owner {
    Gone,           // provably not running: a dead process, one of another program, an old boot
    Running,        // a live process of this program on this machine
    Unattributable, // empty, unreadable or garbled: maybe a copy still writing it
    OtherHost,      // made on another machine (a shared home folder) or before a rename
};

// What is known about this machine and its processes; tests put in their own.
struct Facts {
    QString hostName;
    QByteArray machineId;
    QByteArray bootId;
    std::function<bool(qint64 pid)> alive;
    // The process's short name as the kernel keeps it ("tessamail"); empty when unknown.
    std::function<QByteArray(qint64 pid)> name;
    QByteArray ownName;

    static Facts ofThisMachine();
};

struct Holder {
    Owner owner = Owner::Unattributable;
    qint64 pid = 0;
    QString hostName;
};

// The contents are what QLockFile writes: process id, program, host name, machine id and
// boot id, one a line.
Holder classify(const QByteArray& contents, const Facts& facts);

// An unattributable lock younger than this may belong to a copy that has made the file and
// not yet written it; an older one is taken over.
constexpr int kUnattributableAgeMs = 5000;

} // namespace DataLock
