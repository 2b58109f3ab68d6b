// SPDX-License-Identifier: GPL-3.0-or-later
// What the program reads of the kernel's memory accounting: the system's available memory,
// its own cgroup (v2 and the memory hierarchy of v1), where that is mounted, and what a
// limit leaves.
#include "support/systemmemory.h"

#include <QtTest>

using namespace SystemMemory;

class TestSystemMemory : public QObject {
    Q_OBJECT

private slots:
    void availableMemory_data() {
        QTest::addColumn<QByteArray>("meminfo");
        QTest::addColumn<qint64>("bytes"); // -1: nothing
        QTest::newRow("as the kernel writes it")
            << QByteArray("MemTotal:       32000000 kB\nMemFree:  1000 kB\n"
                          "MemAvailable:   18141148 kB\nBuffers: 5 kB\n")
            << qint64(18141148) * 1024;
        QTest::newRow("missing") << QByteArray("MemTotal: 1 kB\nMemFree: 1 kB\n") << qint64(-1);
        QTest::newRow("not a number") << QByteArray("MemAvailable: lots kB\n") << qint64(-1);
        QTest::newRow("negative") << QByteArray("MemAvailable: -5 kB\n") << qint64(-1);
        QTest::newRow("would overflow")
            << QByteArray("MemAvailable: 99999999999999999 kB\n") << qint64(-1);
        QTest::newRow("a longer key") << QByteArray("MemAvailableX: 5 kB\n") << qint64(-1);
    }
    void availableMemory() {
        QFETCH(QByteArray, meminfo);
        QFETCH(qint64, bytes);
        QCOMPARE(memAvailable(meminfo).value_or(-1), bytes);
    }

    void ownGroup_data() {
        QTest::addColumn<QByteArray>("cgroup");
        QTest::addColumn<QString>("v2");
        QTest::addColumn<QString>("v1");
        QTest::newRow("hybrid: v1 memory beside v2")
            << QByteArray("9:name=systemd:/\n5:devices:/\n4:memory:/example/group-1\n"
                          "2:cpuacct:/\n0::/\n")
            << "/"
            << "/example/group-1";
        QTest::newRow("v2 only") << QByteArray("0::/user.slice/app-1.scope\n")
                                 << "/user.slice/app-1.scope" << QString();
        QTest::newRow("memory shares a hierarchy")
            << QByteArray("7:cpu,memory,pids:/batch\n") << QString() << "/batch";
        QTest::newRow("colon in the path") << QByteArray("0::/a:b\n") << "/a:b" << QString();
        QTest::newRow("not a path")
            << QByteArray("0::relative\n4:memory:\n") << QString() << QString();
        QTest::newRow("named v1 hierarchy is not v2")
            << QByteArray("1:name=systemd:/x\n") << QString() << QString();
        QTest::newRow("empty") << QByteArray() << QString() << QString();
    }
    void ownGroup() {
        QFETCH(QByteArray, cgroup);
        QFETCH(QString, v2);
        QFETCH(QString, v1);
        QCOMPARE(SystemMemory::ownGroup(cgroup, true).value_or(QString()), v2);
        QCOMPARE(SystemMemory::ownGroup(cgroup, false).value_or(QString()), v1);
    }

    void mounts() {
        const QByteArray mountinfo =
            "32 23 0:29 / /sys/fs/cgroup rw,relatime - tmpfs tmpfs rw,mode=755\n"
            "33 32 0:30 / /sys/fs/cgroup/cpu rw,relatime - cgroup cgroup rw,cpu\n"
            "36 32 0:33 /outer /sys/fs/cgroup/memory rw,relatime shared:5 - cgroup cgroup "
            "rw,memory\n"
            "42 32 0:39 / /sys/fs/cgroup/unified rw,relatime - cgroup2 cgroup2 rw\n";
        const std::optional<Mount> v1 = hierarchyMount(mountinfo, false);
        QVERIFY(v1);
        QCOMPARE(v1->root, QString("/outer"));
        QCOMPARE(v1->mountPoint, QString("/sys/fs/cgroup/memory"));
        const std::optional<Mount> v2 = hierarchyMount(mountinfo, true);
        QVERIFY(v2);
        QCOMPARE(v2->mountPoint, QString("/sys/fs/cgroup/unified"));
        QVERIFY(
            !hierarchyMount("33 32 0:30 / /sys/fs/cgroup/cpu rw - cgroup cgroup rw,cpu\n", false));
        QVERIFY(!hierarchyMount("broken line - cgroup2\n", true));
    }

    void headroom_data() {
        QTest::addColumn<QByteArray>("limit");
        QTest::addColumn<QByteArray>("usage");
        QTest::addColumn<QByteArray>("stat");
        QTest::addColumn<bool>("v2");
        QTest::addColumn<qint64>("bytes"); // -1: no limit
        const QByteArray mib700 = QByteArray::number(700 << 20) + '\n';
        QTest::newRow("v2 limit") << mib700 << QByteArray::number(100 << 20) << QByteArray() << true
                                  << qint64(600 << 20);
        QTest::newRow("v2 unlimited")
            << QByteArray("max\n") << QByteArray("5") << QByteArray() << true << qint64(-1);
        QTest::newRow("v2 no limit file")
            << QByteArray() << QByteArray("5") << QByteArray() << true << qint64(-1);
        QTest::newRow("v1 unlimited as a number")
            << QByteArray("9223372036854771712\n") << QByteArray("1804226560\n") << QByteArray()
            << false << qint64(-1);
        QTest::newRow("v2 page cache can be taken back")
            << mib700 << QByteArray::number(650 << 20)
            << QByteArray("anon 1000\ninactive_file ") + QByteArray::number(400 << 20) + "\n"
            << true << qint64(450 << 20);
        QTest::newRow("v1 reads the hierarchy's total")
            << mib700 << QByteArray::number(650 << 20)
            << QByteArray("inactive_file 1\ntotal_inactive_file ") + QByteArray::number(400 << 20)
            << false << qint64(450 << 20);
        QTest::newRow("over the limit")
            << mib700 << QByteArray::number(800 << 20) << QByteArray() << true << qint64(0);
        QTest::newRow("garbage limit")
            << QByteArray("12abc") << QByteArray("5") << QByteArray() << true << qint64(-1);
    }
    void headroom() {
        QFETCH(QByteArray, limit);
        QFETCH(QByteArray, usage);
        QFETCH(QByteArray, stat);
        QFETCH(bool, v2);
        QFETCH(qint64, bytes);
        QCOMPARE(SystemMemory::headroom(limit, usage, stat, v2).value_or(-1), bytes);
    }

    void theSeamStandsInForTheSystem() {
        setAvailableForTests(12345);
        QCOMPARE(available(), qint64(12345));
        setAvailableForTests(std::nullopt);
#ifdef Q_OS_LINUX
        QVERIFY(available() > 0); // this machine has /proc/meminfo
#endif
    }
};

QTEST_APPLESS_MAIN(TestSystemMemory)
#include "tst_systemmemory.moc"
