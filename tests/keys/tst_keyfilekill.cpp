// SPDX-License-Identifier: GPL-3.0-or-later
// A keyfile store killed at any moment: the keyfile is the old one or the new one, never
// damaged, and once the next store has run no other file holds keys.
#include "backends/cipher/cipher.h"
#include "keys/keylisttext.h"
#include "keys/keyrules.h"
#include "support/fileproc.h"
#include "support/fullwrite.h"
#include "testsupport/testsupport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using TestSupport::readAll;

const QString kKey = KeyRules::ExtendedReducedKey(QStringLiteral("kill loop master key"));

// A list that says which store wrote it, of a few kilobytes so that a write takes a while.
QByteArray listText(int version) {
    QList<KeyListText::Entry> entries;
    for (int i = 0; i < 40; ++i)
        entries.append({QStringLiteral("user%1 \u00AB\u00BB key %2 of version %3")
                            .arg(i)
                            .arg(QString(60, QLatin1Char('k')))
                            .arg(version),
                        2451545 + version});
    return KeyListText::FormatKeyListText(entries);
}

// The cipher called directly: the store command's worker thread would not survive the
// fork of the child that stores.
QByteArray cipherBuffer(const QByteArray& in, bool encrypt) {
    const QByteArray key = kKey.toLatin1();
    Cipher::oi(key.constData(), 1, int(in.size()));
    QByteArray out(Cipher::kBufferSize, '\0');
    const int r = encrypt ? Cipher::eb(in.constData(), int(in.size()), out.data(), int(out.size()))
                          : Cipher::db(in.constData(), int(in.size()), out.data(), int(out.size()));
    return r > 0 ? out.left(r) : QByteArray();
}

// What the store command does once the master key is known.
QString storeList(const QString& keyfile, int version) {
    const QByteArray cipher = cipherBuffer(listText(version), true);
    if (cipher.isEmpty())
        return QStringLiteral("encryption failed");
    return FileProc::WritePrivateFile(cipher, keyfile);
}

} // namespace

class TestKeyfileKill : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(Cipher::alb() != 0);
        Cipher::setWorkFactor(1); // the derivation is not what is tested here
    }

    void killedStoreLeavesOneWholeKeyfile() {
        QTemporaryDir dir;
        const QString keyfile = dir.filePath(QStringLiteral("tsm.dat"));
        QCOMPARE(storeList(keyfile, 0), QString());
        const QStringList keyfileOnly{QStringLiteral("tsm.dat")};
        const QStringList atMostTheTemporary{QStringLiteral("tsm.dat"),
                                             QFileInfo(FullWrite::tempPathFor(keyfile)).fileName()};

        const QByteArray temporary = QFile::encodeName(FullWrite::tempPathFor(keyfile));
        QRandomGenerator rng(20261210);
        int cutShort = 0;
        for (int round = 1; round <= 300; ++round) {
            const pid_t child = fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                for (int version = round * 1000;; ++version)
                    storeList(keyfile, version);
            }
            if (round % 2) {
                ::usleep(rng.bounded(200, 6000));
            } else {
                // Every other kill lands while a store is seen under way, so that some
                // stores are cut short however the machine schedules the child.
                QDeadlineTimer deadline(30000);
                while (::access(temporary.constData(), F_OK) != 0 && !deadline.hasExpired()) {
                }
            }
            ::kill(child, SIGKILL);
            int status = 0;
            QCOMPARE(waitpid(child, &status, 0), child);

            // Whole: it decrypts and reads as a list that one of the stores wrote.
            const QByteArray plain = cipherBuffer(readAll(keyfile), false);
            QVERIFY2(!plain.isEmpty(), qPrintable(QStringLiteral("round %1").arg(round)));
            const KeyListText::ParseResult parsed = KeyListText::ParseKeyListText(plain);
            QVERIFY(parsed.ok());
            QCOMPARE(parsed.entries.size(), 40);
            QCOMPARE(plain, listText(parsed.entries[0].dateAdded - 2451545));

            const QStringList files = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
            QVERIFY2(files == keyfileOnly || files == atMostTheTemporary,
                     qPrintable(files.join(", ")));
            if (files.size() > 1)
                ++cutShort;

            QCOMPARE(storeList(keyfile, -round), QString());
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), keyfileOnly);
            struct stat st {};
            QCOMPARE(::stat(QFile::encodeName(keyfile).constData(), &st), 0);
            QCOMPARE(int(st.st_mode & 0777), 0600);
        }
        // The kills did land inside writes; otherwise the loop proved nothing.
        QVERIFY2(cutShort > 0, "no store was cut short");
        qInfo("%d of 300 stores were cut short", cutShort);
    }
};

QTEST_GUILESS_MAIN(TestKeyfileKill)
#include "tst_keyfilekill.moc"
