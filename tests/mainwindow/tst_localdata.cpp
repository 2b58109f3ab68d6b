// SPDX-License-Identifier: GPL-3.0-or-later
// Local data and secrets: one program per data folder, a keyfile changed behind the
// program's back, private files, writes that finish or leave the old file, no core dumps,
// decrypted text marked on the clipboard and kept out of the undo history.
#include "keys/keyfilefixture.h"
#include "mainwindow/frmlargetextbox.h"
#include "support/diskproc.h"
#include "support/fileproc.h"
#include "support/fullwrite.h"
#include "support/processguard.h"
#include "support/secretclipboard.h"

#include <QClipboard>
#include <QLockFile>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRadioButton>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace KeyfileFixture;
using namespace Seams;
using TestSupport::FileSizeLimit;

namespace {

const QString kMasterKey = QStringLiteral("local data master key");
const QString kEntry = QString::fromUtf8("ann \u00AB\u00BB a key of sixteen or more");

int modeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

// Stores the list of w under kMasterKey, answering every question with Yes.
void store(frmMain* w) {
    ScriptedModals modals;
    ScriptedMessageBoxes boxes;
    for (int i = 0; i < 4; ++i)
        boxes.answer(Answer::Yes);
    typeMasterKey(modals, kMasterKey);
    w->StoreKeyList();
}

QString efbig() {
    return QString::fromLocal8Bit(std::strerror(EFBIG));
}

} // namespace

class TestLocalData : public QObject {
    Q_OBJECT
    std::unique_ptr<DataFolder> data;

private slots:
    void initTestCase() {
        DataFolder::initTestCase();
        // As the program does at start: a size limit must be an error, not a killed test.
        ProcessGuard::protectProcess();
        QVERIFY(Cipher::alb() != 0);
    }
    void init() {
        data = std::make_unique<DataFolder>();
        QGuiApplication::clipboard()->clear();
    }
    void cleanup() {
        data.reset();
        ProgramText::setLanguage(ProgramText::English);
    }

    // ---- one program per data folder ---------------------------------------------------

    // A copy that holds the lock but does not answer (here: no copy listens at all; a hung
    // one is tried in tst_datalock) is named in the user's language.
    void secondStartSaysSoAndShowsNoWindow_data() {
        QTest::addColumn<int>("language");
        QTest::newRow("English settings") << int(ProgramText::English);
        QTest::newRow("German settings") << int(ProgramText::German);
    }
    void secondStartSaysSoAndShowsNoWindow() {
        QFETCH(int, language);
        {
            auto first = start();
            ProgramText::setLanguage(language);
            first->WriteParametersFile();
            first->close();
        }
        ProgramText::setLanguage(-1);
        QLockFile lock(frmMain::lockFilePath());
        QVERIFY(lock.tryLock(0));
        const QByteArray settings = readAll(data->parametersFile());

        ScriptedMessageBoxes boxes;
        Main second;
        QVERIFY(!second.Form_Load());
        QVERIFY(!second.isVisible());
        QCOMPARE(boxes.shown.size(), 1);
        ProgramText::setLanguage(language);
        QCOMPARE(boxes.shown[0].prompt, GetText(520) + CRLF + CRLF + GetText(521));
        QCOMPARE(boxes.shown[0].icon, Icon::Information);
        QCOMPARE(boxes.shown[0].title, GetText(94));
        // The running program's settings are not touched.
        QCOMPARE(readAll(data->parametersFile()), settings);
    }

    void quittingFreesTheDataFolder() {
        auto first = start();
        ScriptedMessageBoxes boxes;
        first->close();
        QVERIFY(first->hasEnded());
        Main second;
        QVERIFY(second.Form_Load());
        QCOMPARE(boxes.shown.size(), 0);
    }

    // A program that crashed leaves its lock file behind; the next start takes it over.
    void staleLockIsTakenOver() {
        const pid_t child = fork();
        if (child == 0) {
            QLockFile lock(frmMain::lockFilePath());
            _exit(lock.tryLock(0) ? 0 : 1); // ends without unlocking, as a crash does
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        QVERIFY(QFileInfo::exists(frmMain::lockFilePath()));

        ScriptedMessageBoxes boxes;
        Main w;
        QVERIFY(w.Form_Load());
        QCOMPARE(boxes.shown.size(), 0);
        qint64 pid = 0;
        QString host, app;
        QVERIFY(QLockFile(frmMain::lockFilePath()).getLockInfo(&pid, &host, &app));
        QCOMPARE(pid, qint64(getpid()));
    }

    // ---- a keyfile changed on disk -----------------------------------------------------

    void storeAsksBeforeOverwritingAChangedKeyfile_data() {
        QTest::addColumn<bool>("changed");
        QTest::addColumn<Answer>("answer");
        QTest::newRow("changed, No") << true << Answer::No;
        QTest::newRow("changed, Yes") << true << Answer::Yes;
        QTest::newRow("unchanged") << false << Answer::Yes;
    }
    void storeAsksBeforeOverwritingAChangedKeyfile() {
        QFETCH(bool, changed);
        QFETCH(Answer, answer);
        auto w = start();
        addEntries(w.get(), {kEntry});
        store(w.get());
        QVERIFY(!decryptKeyfile(data->keyfile(), kMasterKey).isEmpty());
        // Another program stores its own keys there, keeping size and time.
        const QByteArray ours = readAll(data->keyfile());
        const QDateTime time = QFileInfo(data->keyfile()).lastModified();
        QByteArray theirs = ours;
        theirs[theirs.size() - 1] = char(theirs.back() ^ 1);
        if (changed) {
            QVERIFY(writeFile(data->keyfile(), theirs));
            QFile f(data->keyfile());
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(time, QFileDevice::FileModificationTime));
        }
        addEntries(w.get(), {"bob \u00AB\u00BB another key of sixteen"});

        ScriptedModals modals;
        ScriptedMessageBoxes boxes;
        boxes.answer(answer);
        for (int i = 0; i < 3; ++i)
            boxes.answer(Answer::Yes);
        typeMasterKey(modals, kMasterKey);
        w->StoreKeyList();

        const QString path = QDir::toNativeSeparators(data->keyfile());
        const QString question =
            GetText(65) + CRLF + path + CRLF + GetText(522) + CRLF + CRLF + GetText(523);
        QCOMPARE(boxes.shown[0].prompt == question, changed);
        if (changed) {
            QCOMPARE(boxes.shown[0].buttons, Buttons::YesNo);
            QCOMPARE(boxes.shown[0].icon, Icon::Exclamation);
            QCOMPARE(boxes.shown[0].defaultButton, 2);
        }
        if (changed && answer == Answer::No) {
            QCOMPARE(boxes.shown.size(), 1);
            QCOMPARE(readAll(data->keyfile()), theirs);
            QVERIFY(w->blnKeyListNotStored);
        } else {
            QCOMPARE(decryptKeyfile(data->keyfile(), kMasterKey).count('\t'), 4);
            QVERIFY(!w->blnKeyListNotStored);
        }
    }

    // ---- private files -----------------------------------------------------------------

    void dataFolderAndFilesAreTheOwnersAlone() {
        QCOMPARE(modeOf(data->folder), 0700);
        auto w = start();
        QCOMPARE(modeOf(data->parametersFile()), 0600);
        addEntries(w.get(), {kEntry});
        store(w.get());
        QCOMPARE(modeOf(data->keyfile()), 0600);
        // Opened up by hand or by an older version: every store closes it again.
        QVERIFY(::chmod(QFile::encodeName(data->keyfile()).constData(), 0644) == 0);
        w->blnKeyListNotStored = true;
        store(w.get());
        QCOMPARE(modeOf(data->keyfile()), 0600);
        // So does every copy of it.
        QString error;
        const QString copy = data->path(QStringLiteral("elsewhere.dat"));
        QVERIFY(DiskProc::CopyFile(data->keyfile(), copy, error, true));
        QCOMPARE(modeOf(copy), 0600);
        // A data folder an older version left open is closed at the next start.
        QVERIFY(::chmod(QFile::encodeName(data->folder).constData(), 0755) == 0);
        Folder::DataFilePath(QStringLiteral("tsm.usr"), GetText(316));
        QCOMPARE(modeOf(data->folder), 0700);
    }

    // ---- complete writes ---------------------------------------------------------------

    void parametersFileUnderASizeLimitStaysWhole() {
        auto w = start();
        const QByteArray old = readAll(data->parametersFile());
        QVERIFY(!old.isEmpty());
        w->strStoredKeysFile = QStringLiteral("/keys/") + QString(200, 'k') + "/tsm.dat";
        ScriptedMessageBoxes boxes;
        {
            // SIGXFSZ stays as the program set it at start.
            FileSizeLimit limit(64, FileSizeLimit::Signal::Kept);
            w->WriteParametersFile();
        }
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].prompt,
                 GetText(351) + " " + w->parametersFilePath() + ":" + CRLF + efbig());
        QCOMPARE(boxes.shown[0].icon, Icon::Exclamation);
        QCOMPARE(boxes.shown[0].title, GetText(13));
        QCOMPARE(readAll(data->parametersFile()), old);
        QVERIFY(!QFileInfo::exists(FullWrite::tempPathFor(data->parametersFile())));
    }

    // A keyfile kept elsewhere through links stays there: the file at the end of the chain
    // is replaced (as a store, tsm.usr and a copy do it), and every link stays a link.
    void replacingALinkReplacesItsTarget_data() {
        QTest::addColumn<int>("links");
        QTest::addColumn<bool>("copy");
        QTest::newRow("one link") << 1 << false;
        QTest::newRow("chain of two links") << 2 << false;
        QTest::newRow("chain of three links, copied onto") << 3 << true;
    }
    void replacingALinkReplacesItsTarget() {
        QFETCH(int, links);
        QFETCH(bool, copy);
        const QString target = data->path(QStringLiteral("synced/tsm.dat"));
        QVERIFY(writeFile(target, "old keys"));
        // link1 -> link2 -> ... -> target; the second and later links are relative.
        QStringList chain;
        for (int i = 1; i <= links; ++i)
            chain << data->path(QStringLiteral("link%1").arg(i));
        for (int i = 0; i < links; ++i) {
            const QString to = i + 1 < links ? QStringLiteral("link%1").arg(i + 2) : target;
            QVERIFY(QFile::link(to, chain[i]));
        }
        if (copy) {
            const QString source = data->path(QStringLiteral("source"));
            QVERIFY(writeFile(source, "new keys"));
            QString error;
            QVERIFY(DiskProc::CopyFile(source, chain[0], error, true));
        } else {
            QCOMPARE(FileProc::WritePrivateFile("new keys", chain[0]), QString());
        }
        for (const QString& link : chain)
            QVERIFY2(QFileInfo(link).isSymLink(), qPrintable(link));
        QCOMPARE(readAll(target), QByteArray("new keys"));
        QCOMPARE(modeOf(target), 0600);
    }

    // Links that lead round in a circle end nowhere: the write is refused, nothing replaced.
    void linkLoopIsRefused() {
        const QString a = data->path(QStringLiteral("a")), b = data->path(QStringLiteral("b"));
        QVERIFY(QFile::link(b, a));
        QVERIFY(QFile::link(a, b));
        QCOMPARE(FileProc::WritePrivateFile("new keys", a),
                 QString::fromLocal8Bit(std::strerror(ELOOP)));
        QVERIFY(QFileInfo(a).isSymLink());
        QVERIFY(QFileInfo(b).isSymLink());
    }

    void sizeLimitIsAnErrorNotADeath_data() {
        QTest::addColumn<bool>("protect");
        QTest::newRow("as the program runs") << true;
        QTest::newRow("unprotected: the fault the guard prevents") << false;
    }
    void sizeLimitIsAnErrorNotADeath() {
        QFETCH(bool, protect);
        const QString path = data->path(QStringLiteral("settings"));
        const QByteArray old("the old settings\r\n");
        QVERIFY(writeFile(path, old));
        const pid_t child = fork();
        if (child == 0) {
            std::signal(SIGXFSZ, SIG_DFL);
            if (protect)
                ProcessGuard::protectProcess();
            const rlimit limit{32, RLIM_INFINITY};
            setrlimit(RLIMIT_FSIZE, &limit);
            const QString error =
                FullWrite::replaceFile(path, QByteArray(4096, 'n'), FullWrite::Access::Private);
            _exit(error == efbig() && readAll(path) == old ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        if (protect) {
            QVERIFY(WIFEXITED(status));
            QCOMPARE(WEXITSTATUS(status), 0);
        } else {
            QVERIFY(WIFSIGNALED(status));
            QCOMPARE(WTERMSIG(status), SIGXFSZ);
        }
        QCOMPARE(readAll(path), old);
    }

    // ---- no core dumps -----------------------------------------------------------------

    void coreDumpsAreOffInTheRunningProgram() {
        const QString program = QCoreApplication::applicationDirPath() + "/../tessamail";
        if (!QFileInfo(program).isExecutable())
            QSKIP("the program is not built beside the tests");
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("HOME", data->home.path());
        env.insert("XDG_DATA_HOME", data->path("xdg"));
        p.setProcessEnvironment(env);
        p.start(program, {});
        QVERIFY(p.waitForStarted());
        const QString limits = QStringLiteral("/proc/%1/limits").arg(p.processId());
        static const QRegularExpression coreOff(R"(Max core file size\s+0\s+0\s)");
        bool off = false;
        for (int i = 0; i < 200 && !off && p.state() == QProcess::Running; ++i) {
            QFile f(limits);
            off = f.open(QIODevice::ReadOnly) && coreOff.match(f.readAll()).hasMatch();
            if (!off)
                QTest::qWait(50);
        }
        p.kill();
        p.waitForFinished();
        QVERIFY(off);
        // The same call in this process: no dump by a pipe handler either.
        QVERIFY(ProcessGuard::coreDumpsOff());
    }

    // ---- decrypted text ----------------------------------------------------------------

    void enlargedCopyMarksDecryptedTextSecret_data() {
        QTest::addColumn<bool>("decrypt");
        QTest::newRow("decrypted text") << true;
        QTest::newRow("text being written") << false;
    }
    void enlargedCopyMarksDecryptedTextSecret() {
        QFETCH(bool, decrypt);
        auto w = start();
        if (decrypt)
            w->optDecrypt->setChecked(true);
        w->txbText->setPlainText("the message");
        {
            frmLargeTextbox large(w.get(), w->txbText);
            QTest::mouseClick(large.cmdCopyToClipboard, Qt::LeftButton);
        }
        const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
        QCOMPARE(mime->text(), QString("the message"));
        QCOMPARE(mime->hasFormat(SecretClipboard::kHintFormat), decrypt);
        if (decrypt)
            QCOMPARE(mime->data(SecretClipboard::kHintFormat), QByteArray("secret"));
    }

    void keyboardCopyOfDecryptedTextIsMarkedSecret_data() {
        QTest::addColumn<bool>("decrypt");
        QTest::newRow("decrypted text") << true;
        QTest::newRow("text being written") << false;
    }
    void keyboardCopyOfDecryptedTextIsMarkedSecret() {
        QFETCH(bool, decrypt);
        auto w = start();
        if (decrypt)
            w->optDecrypt->setChecked(true);
        w->txbText->setPlainText("the message");
        w->txbText->selectAll();
        QTest::keyClick(w->txbText, Qt::Key_C, Qt::ControlModifier);
        const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
        QCOMPARE(mime->text(), QString("the message"));
        QCOMPARE(mime->hasFormat(SecretClipboard::kHintFormat), decrypt);
        ScriptedMessageBoxes boxes;
        w->close();
        QCOMPARE(QGuiApplication::clipboard()->text().isEmpty(), decrypt);
    }

    void armourIsNotMarkedSecret() {
        auto w = start();
        addEntries(w.get(), {kEntry});
        w->cboKeys->setCurrentIndex(0);
        w->txbText->setPlainText("to be sent");
        ScriptedMessageBoxes boxes;
        QTest::mouseClick(w->cmdEncryptMessage, Qt::LeftButton);
        const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
        QVERIFY(mime->text().startsWith("TessamailMessageBegin"));
        QVERIFY(!mime->hasFormat(SecretClipboard::kHintFormat));
    }

    void quitClearsDecryptedTextStillOnTheClipboard_data() {
        QTest::addColumn<QString>("copiedSince");
        QTest::newRow("still there") << QString();
        QTest::newRow("user copied something else") << "something else";
    }
    void quitClearsDecryptedTextStillOnTheClipboard() {
        QFETCH(QString, copiedSince);
        auto w = start();
        w->optDecrypt->setChecked(true);
        w->txbText->setPlainText("decrypted");
        {
            frmLargeTextbox large(w.get(), w->txbText);
            QTest::mouseClick(large.cmdCopyToClipboard, Qt::LeftButton);
        }
        if (!copiedSince.isEmpty())
            QGuiApplication::clipboard()->setText(copiedSince);
        ScriptedMessageBoxes boxes;
        w->close();
        QVERIFY(w->hasEnded());
        QCOMPARE(QGuiApplication::clipboard()->text(), copiedSince);
    }

    void decryptedTextLeavesNoUndoHistory() {
        auto w = start();
        w->optDecrypt->setChecked(true);
        w->showDecryptedText("first message");
        w->showDecryptedText("second message");
        QVERIFY(!w->txbText->document()->isUndoAvailable());
        QTest::mouseClick(w->cmdClearTextbox, Qt::LeftButton);
        QCOMPARE(w->txbText->toPlainText(), QString());
        QVERIFY(!w->txbText->document()->isUndoAvailable());
    }
};

QTEST_MAIN(TestLocalData)
#include "tst_localdata.moc"
