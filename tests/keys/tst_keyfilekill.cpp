// A keyfile store killed at any moment: the keyfile is the old one or the new one, never
// damaged, and once the next store has run no other file holds keys.
#include "backends/cipher/cipher.h"
#include "keys/keylisttext.h"
#include "keys/keyrules.h"
#include "message/encdecmsg.h"
#include "support/fileproc.h"
#include "support/fullwrite.h"

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

// What the store command does once the master key is known.
QString storeList(const QString& keyfile, int version) {
    QByteArray cipher;
    if (EncDecMsg::CipherBuffer(listText(version), cipher, kKey, true) <= 0)
        return QStringLiteral("encryption failed");
    return FileProc::WritePrivateFile(cipher, keyfile);
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
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

        QRandomGenerator rng(20261210);
        int cutShort = 0;
        for (int round = 1; round <= 300; ++round) {
            const pid_t child = fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                for (int version = round * 1000;; ++version)
                    storeList(keyfile, version);
            }
            ::usleep(rng.bounded(200, 6000));
            ::kill(child, SIGKILL);
            int status = 0;
            QCOMPARE(waitpid(child, &status, 0), child);

            // Whole: it decrypts and reads as a list that one of the stores wrote.
            QByteArray plain;
            QVERIFY2(EncDecMsg::CipherBuffer(readAll(keyfile), plain, kKey, false) > 0,
                     qPrintable(QStringLiteral("round %1").arg(round)));
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
