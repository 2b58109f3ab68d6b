// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How much memory the program can still take before the system kills it. Linux reads the
// system's available memory and the limit of the program's own cgroup; elsewhere nothing is
// known and every request counts as fitting.
//
// The readers below take the text of the /proc and cgroup files, so that tests can hand
// them any text; these files are the kernel's, yet read as carefully as outside input.
#include <QByteArray>
#include <QString>

#include <optional>

namespace SystemMemory {

// Bytes available: the smaller of the system's available memory and what the limits of the
// program's cgroup and the groups above it leave. -1 when nothing could be read.
qint64 available();

// Tests: what available() reports from now on; std::nullopt returns to the real reading.
void setAvailableForTests(std::optional<qint64> bytes);

// "MemAvailable:" of /proc/meminfo, in bytes.
std::optional<qint64> memAvailable(const QByteArray& meminfo);

// The program's group in the cgroup v2 hierarchy ("0::/path") or in the v1 hierarchy that
// holds the memory controller ("4:memory:/path"), from /proc/self/cgroup.
std::optional<QString> ownGroup(const QByteArray& procSelfCgroup, bool v2);

// Where that hierarchy is mounted, from /proc/self/mountinfo: the mount point and the
// group its root shows.
struct Mount {
    QString root;
    QString mountPoint;
};
std::optional<Mount> hierarchyMount(const QByteArray& mountinfo, bool v2);

// A limit or usage file: a byte count. "max", values too large to be a real limit (v1
// writes its "unlimited" as a number near 2^63) and anything else give nothing.
std::optional<qint64> byteCount(const QByteArray& text);

// Page cache the kernel can take back before it would kill anything: "inactive_file" (v2)
// or "total_inactive_file" (v1) of memory.stat; 0 when missing.
qint64 reclaimableCache(const QByteArray& memoryStat, bool v2);

// What a group leaves free: limit - (usage - reclaimable cache); nothing without a limit.
std::optional<qint64> headroom(const QByteArray& limit, const QByteArray& usage,
                               const QByteArray& memoryStat, bool v2);

} // namespace SystemMemory
