// SPDX-License-Identifier: GPL-3.0-or-later
// The README tells users how to open their keyfile without the program: with the standard
// age tool and the extended reduced master key as passphrase. This proves that recipe on a
// keyfile the program stored, at the work factor it really writes. age reads passphrases
// from a terminal only, so age_pty.py types it at a pseudo-terminal. A missing age command
// fails the test: it is part of the build's packages.
#include "keys/keyfilefixture.h"

#include <QProcess>

using namespace Seams;
using namespace KeyfileFixture;

namespace {

const QString kAge = QStringLiteral("/usr/bin/age");
const QString kPython = QStringLiteral("/usr/bin/python3");
const QString kDriver = TestSupport::sourcePath("tests/backends/age_pty.py");
const QString kReadme = TestSupport::sourcePath("README.md");

// As the README writes them.
const QString kMasterKey = QStringLiteral("my secret master key 2024");
const QByteArray kPassphrase = "MYSECRETMASTERKEY2024MYSECRETMASTERKEY2024MYSECRETMASTERKEY2024M";
const QString kCommand = QStringLiteral("age -d -o keys.txt tsm.dat");

} // namespace

class TestKeyfileRecovery : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        DataFolder::initTestCase();
        QVERIFY2(QFileInfo(kAge).isExecutable(), "the age command is missing (Debian package age)");
        QVERIFY2(QFileInfo(kPython).isExecutable(), "/usr/bin/python3 is missing");
        QVERIFY(QFileInfo::exists(kDriver));
    }

    void readmeRecipeOpensAStoredKeyfile() {
        const QByteArray readme = readAll(kReadme);
        QVERIFY2(readme.contains("## Your keyfile, and how to recover it without Tessamail"),
                 "README section missing");
        QVERIFY(readme.contains(kPassphrase));
        QVERIFY(readme.contains(kCommand.toUtf8()));

        DataFolder data;
        auto w = start();
        Cipher::setWorkFactor(Cipher::kWriteWorkFactor);
        addEntries(w.get(), {"ann@example.org \u00AB2024-05-01\u00BB tall trees whisper softly",
                             "J\u00FCrgen \u00AB\u00BB Gr\u00FC\u00DFe aus dem S\u00FCden 7",
                             "\u00AB\u00BB a key without target or date"});
        // Entry, TAB, day number, TAB, in list order, as the README describes the file.
        QByteArray expected;
        for (int i = 0; i < w->cboKeys->count(); ++i)
            expected += w->cboKeys->itemText(i).toLatin1() + '\t' +
                        QByteArray::number(CB_Man::DateAdded(w->cboKeys, i)) + '\t';

        ScriptedMessageBoxes boxes;
        ScriptedModals modals;
        typeMasterKey(modals, kMasterKey);
        w->cmdEncryptStoredKeys->click();
        QVERIFY(!w->blnKeyListNotStored);
        QCOMPARE(QFileInfo(data.keyfile()).fileName(), QString("tsm.dat"));

        QProcess age;
        age.setWorkingDirectory(data.folder);
        age.start(kPython, QStringList{kDriver, QString::fromLatin1(kPassphrase.toHex()), kAge} +
                               kCommand.split(' ').mid(1));
        const bool finished = age.waitForFinished(180000);
        if (!finished)
            age.kill();
        const QString log = QString::fromLocal8Bit(age.readAllStandardError());
        QVERIFY2(finished && age.exitStatus() == QProcess::NormalExit && age.exitCode() == 0,
                 qPrintable(log));
        QCOMPARE(readAll(data.folder + "/keys.txt"), expected);
    }
};

QTEST_MAIN(TestKeyfileRecovery)
#include "tst_keyfilerecovery.moc"
