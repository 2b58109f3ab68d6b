// SPDX-License-Identifier: GPL-3.0-or-later
// The data folder's lock never keeps the user out: a lock that cannot be traced to a live
// copy of the program on this machine is taken over (or, when it names another computer,
// after the user agrees), and only a running copy stops a start.
#include "keys/keyfilefixture.h"
#include "support/datalock.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QLocalServer>
#include <QLockFile>
#include <QProcess>
#include <QSysInfo>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace KeyfileFixture;
using namespace Seams;

namespace {

QByteArray lockOf(qint64 pid, const QString& host, bool withMachine = true) {
    QByteArray s = QByteArray::number(pid) + "\ntessamail\n" + host.toUtf8() + '\n';
    if (withMachine)
        s += QSysInfo::machineUniqueId() + '\n' + QSysInfo::bootUniqueId() + '\n';
    return s;
}

// A process that lives until it is told to end.
struct Child {
    pid_t pid = 0;
    QProcess process;
    ~Child() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }
};

enum class Holder { Empty, Garbage, OtherHost, DeadPid, OtherProgram, LiveCopy };

} // namespace

Q_DECLARE_METATYPE(Holder)
Q_DECLARE_METATYPE(DataLock::Owner)

class TestDataLock : public QObject {
    Q_OBJECT
    std::unique_ptr<DataFolder> data;

private slots:
    void initTestCase() { DataFolder::initTestCase(); }
    void init() { data = std::make_unique<DataFolder>(); }
    void cleanup() {
        data.reset();
        ProgramText::setLanguage(ProgramText::English);
    }

    void lockLeftBehind_data() {
        QTest::addColumn<Holder>("holder");
        QTest::addColumn<Answer>("answer"); // to the question about another computer
        QTest::addColumn<bool>("opens");
        QTest::addColumn<int>("expectedBox"); // 0 none, 524 the question, 520 "running"
        QTest::newRow("empty") << Holder::Empty << Answer::No << true << 0;
        QTest::newRow("garbage") << Holder::Garbage << Answer::No << true << 0;
        QTest::newRow("other host, No") << Holder::OtherHost << Answer::No << false << 524;
        QTest::newRow("other host, Yes") << Holder::OtherHost << Answer::Yes << true << 524;
        QTest::newRow("dead pid") << Holder::DeadPid << Answer::No << true << 0;
        QTest::newRow("live pid of another program")
            << Holder::OtherProgram << Answer::No << true << 0;
        QTest::newRow("live Tessamail") << Holder::LiveCopy << Answer::No << false << 520;
    }
    void lockLeftBehind() {
        QFETCH(Holder, holder);
        QFETCH(Answer, answer);
        QFETCH(bool, opens);
        QFETCH(int, expectedBox);

        const QString host = QSysInfo::machineHostName();
        Child child;
        QByteArray contents;
        switch (holder) {
        case Holder::Empty:
            break;
        case Holder::Garbage:
            contents = "\x01\xfe\nnot a lock at all";
            break;
        case Holder::OtherHost:
            // Only the host name, as a copy on another machine or an older Qt writes it.
            contents = lockOf(getpid(), QStringLiteral("elsewhere.example"), false);
            break;
        case Holder::DeadPid: {
            const pid_t dead = fork();
            if (dead == 0)
                _exit(0);
            QCOMPARE(waitpid(dead, nullptr, 0), dead);
            contents = lockOf(dead, host);
            break;
        }
        case Holder::OtherProgram:
            child.process.start(QStringLiteral("sleep"), {QStringLiteral("60")});
            QVERIFY(child.process.waitForStarted());
            contents = lockOf(child.process.processId(), host);
            break;
        case Holder::LiveCopy:
            // A copy of this very program: same name, alive, on this machine.
            child.pid = fork();
            if (child.pid == 0) {
                pause();
                _exit(0);
            }
            contents = lockOf(child.pid, host);
            break;
        }
        const QString lockPath = frmMain::lockFilePath();
        writeFile(lockPath, contents);
        // Old enough not to be a copy that is writing its lock at this moment.
        {
            QFile f(lockPath);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-60),
                                  QFileDevice::FileModificationTime));
        }

        ScriptedMessageBoxes boxes;
        boxes.answer(answer);
        Main w;
        QCOMPARE(w.Form_Load(), opens);
        QCOMPARE(w.isVisible(), opens);
        if (expectedBox == 0) {
            QCOMPARE(boxes.shown.size(), 0);
        } else {
            QCOMPARE(boxes.shown.size(), 1);
            const MessageBoxRequest& box = boxes.shown[0];
            if (expectedBox == 524) {
                QVERIFY(box.prompt.contains(QDir::toNativeSeparators(lockPath)));
                QVERIFY(box.prompt.contains(QStringLiteral("elsewhere.example")));
                QVERIFY(box.prompt.startsWith(GetText(524)));
                QCOMPARE(box.buttons, Buttons::YesNo);
                QCOMPARE(box.defaultButton, 2); // No
            } else {
                QCOMPARE(box.prompt, GetText(520) + CRLF + CRLF + GetText(521));
            }
        }
        if (opens) {
            qint64 pid = 0;
            QString lockHost, app;
            QVERIFY(QLockFile(lockPath).getLockInfo(&pid, &lockHost, &app));
            QCOMPARE(pid, qint64(getpid()));
        } else {
            // A lock that is not ours to take stays as it was.
            QCOMPARE(readAll(lockPath), contents);
        }
    }

    // A second start brings the running copy's window to the front, restored, and ends
    // without a window of its own and without a message.
    void secondStartRaisesTheFirst() {
        auto first = start();
        QWidget other;
        other.show();
        first->showMinimized();
        other.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &other);

        ScriptedMessageBoxes boxes;
        Main second;
        QVERIFY(!second.Form_Load());
        QVERIFY(second.handedOver());
        QVERIFY(!second.isVisible());
        QCOMPARE(boxes.shown.size(), 0);
        QVERIFY(!first->isMinimized());
        QTRY_COMPARE(QApplication::activeWindow(), first.get());
        // The first copy still holds the folder.
        qint64 pid = 0;
        QString host, app;
        QVERIFY(QLockFile(frmMain::lockFilePath()).getLockInfo(&pid, &host, &app));
        QCOMPARE(pid, qint64(getpid()));
    }

    // A copy that holds the lock and takes the connection but never answers (it hangs):
    // after a moment the start says that the program runs, as before there was a hand-over.
    void hungCopyIsNamedAfterAMoment() {
        QLockFile lock(frmMain::lockFilePath());
        QVERIFY(lock.tryLock(0));
        QLocalServer hung;
        QLocalServer::removeServer(frmMain::handoverServerName());
        QVERIFY(hung.listen(frmMain::handoverServerName()));

        ScriptedMessageBoxes boxes;
        Main second;
        QVERIFY(!second.Form_Load());
        QVERIFY(!second.handedOver());
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].prompt, GetText(520) + CRLF + CRLF + GetText(521));
    }

    // What the start sees in a lock file, without a window.
    void classify_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("alive");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<DataLock::Owner>("owner");
        const QByteArray ours = "42\ntessamail\nhere\nM1\nB1\n";
        QTest::newRow("empty") << QByteArray() << true << QByteArray("tessamail")
                               << DataLock::Owner::Unattributable;
        QTest::newRow("pid zero") << QByteArray("0\ntessamail\nhere\n") << true
                                  << QByteArray("tessamail") << DataLock::Owner::Unattributable;
        QTest::newRow("pid only") << QByteArray("42\n") << true << QByteArray("tessamail")
                                  << DataLock::Owner::Unattributable;
        QTest::newRow("running") << ours << true << QByteArray("tessamail")
                                 << DataLock::Owner::Running;
        QTest::newRow("name unreadable")
            << ours << true << QByteArray() << DataLock::Owner::Running;
        QTest::newRow("dead") << ours << false << QByteArray() << DataLock::Owner::Gone;
        QTest::newRow("pid reused") << ours << true << QByteArray("bash") << DataLock::Owner::Gone;
        QTest::newRow("before a restart") << QByteArray("42\ntessamail\nhere\nM1\nB0\n") << true
                                          << QByteArray("tessamail") << DataLock::Owner::Gone;
        QTest::newRow("host renamed, same machine")
            << QByteArray("42\ntessamail\nold name\nM1\nB1\n") << true << QByteArray("tessamail")
            << DataLock::Owner::Running;
        QTest::newRow("another machine") << QByteArray("42\ntessamail\nhere\nM2\nB1\n") << false
                                         << QByteArray() << DataLock::Owner::OtherHost;
        QTest::newRow("another host name, no machine id")
            << QByteArray("42\ntessamail\nthere\n") << false << QByteArray()
            << DataLock::Owner::OtherHost;
    }
    void classify() {
        QFETCH(QByteArray, contents);
        QFETCH(bool, alive);
        QFETCH(QByteArray, name);
        QFETCH(DataLock::Owner, owner);
        DataLock::Facts facts;
        facts.hostName = QStringLiteral("here");
        facts.machineId = "M1";
        facts.bootId = "B1";
        facts.ownName = "tessamail";
        facts.alive = [&](qint64 pid) { return pid == 42 && alive; };
        facts.name = [&](qint64) { return name; };
        QCOMPARE(DataLock::classify(contents, facts).owner, owner);
    }
};

QTEST_MAIN(TestDataLock)
#include "tst_datalock.moc"
