// SPDX-License-Identifier: GPL-3.0-or-later
// Our files are standard age files: the age command opens what eb writes, and db opens what
// age -p writes. age reads passphrases from a terminal only, so age_pty.py types them at a
// pseudo-terminal. A missing age command fails the test: it is part of the build's packages.
#include "backends/cipher/cipher.h"
#include "testsupport/testsupport.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace Cipher;

namespace {

const QString kPython = "/usr/bin/python3";
const QString kDriver = TestSupport::sourcePath("tests/backends/age_pty.py");

// An extended reduced key with Windows-1252 letters above 127: age takes the bytes as they
// are typed, so such a keyfile opens with age -d too.
const QByteArray kKey = QByteArray("BR\xd6TCHENMITK\xc4SE2024").repeated(4).left(64);

QByteArray samplePlain() {
    // Two chunks, every byte value.
    QByteArray plain = TestSupport::randomBytes(70000, 42);
    for (int b = 0; b < 256; ++b)
        plain[b] = char(b);
    return plain;
}

using TestSupport::writeFile;

} // namespace

class TestAgeInterop : public QObject {
    Q_OBJECT

    QString m_age;
    QTemporaryDir m_dir;

    // Runs age with args, typing passphrase at each prompt; age's exit code, its terminal
    // output in log.
    int runAge(const QByteArray& passphrase, const QStringList& args, QString& log) {
        QProcess process;
        process.start(kPython,
                      QStringList{kDriver, QString::fromLatin1(passphrase.toHex()), m_age} + args);
        const bool finished = process.waitForFinished(180000);
        if (!finished)
            process.kill();
        log = QString::fromLocal8Bit(process.readAllStandardError());
        return finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase() {
        m_age = QStandardPaths::findExecutable("age");
        QVERIFY2(!m_age.isEmpty(), "the age command is missing (Debian package age)");
        QVERIFY2(QFileInfo(kPython).isExecutable(), "/usr/bin/python3 is missing");
        QVERIFY(QFileInfo::exists(kDriver));
        QVERIFY(m_dir.isValid());
        QVERIFY(alb());
        setWorkFactor(10);
    }
    void cleanupTestCase() { dalb(); }

    void ourFileOpensWithAge() {
        const QByteArray plain = samplePlain();
        oi(kKey.constData(), 1, int(plain.size()));
        QByteArray out(kBufferSize, '\0');
        const int r = eb(plain.constData(), int(plain.size()), out.data(), kBufferSize);
        QVERIFY(r > 0);
        QVERIFY(writeFile(path("ours.age"), out.left(r)));

        QString log;
        const int code = runAge(kKey, {"-d", "-o", path("ours.plain"), path("ours.age")}, log);
        QVERIFY2(code == 0, qPrintable(log));
        QCOMPARE(TestSupport::readAll(path("ours.plain")), plain);
    }

    void ageFileOpensWithDb() {
        const QByteArray plain = samplePlain();
        QVERIFY(writeFile(path("theirs.plain"), plain));
        QString log;
        // age -p writes at its own work factor (18), the one our files use by default.
        const int code = runAge(kKey, {"-p", "-o", path("theirs.age"), path("theirs.plain")}, log);
        QVERIFY2(code == 0, qPrintable(log));
        const QByteArray file = TestSupport::readAll(path("theirs.age"));
        QVERIFY(file.startsWith("age-encryption.org/v1\n-> scrypt "));

        oi(kKey.constData(), 1, int(file.size()));
        QByteArray out(kBufferSize, '\0');
        const int r = db(file.constData(), int(file.size()), out.data(), kBufferSize);
        QCOMPARE(r, int(plain.size()));
        QCOMPARE(out.left(r), plain);
    }
};

QTEST_MAIN(TestAgeInterop)
#include "tst_ageinterop.moc"
