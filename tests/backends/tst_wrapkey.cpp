// SPDX-License-Identifier: GPL-3.0-or-later
// The key derivation as a step of its own: what a file's header names, a wrap key derived
// apart from the rest, and eb/db that take it and run no scrypt of their own.
#include "backends/cipher/cipher.h"
#include "message/keyderivation.h"

#include <QtTest>

using namespace Cipher;

namespace {

const QByteArray kKey = QByteArray("WRAPKEYTESTKEY16").repeated(4);
const QByteArray kPlain = QByteArray("The plaintext package\t").repeated(100);

QByteArray encrypted(const QByteArray& plain = kPlain) {
    oi(kKey.constData(), 1, int(plain.size()));
    QByteArray out(kBufferSize, '\0');
    const int r = eb(plain.constData(), int(plain.size()), out.data(), int(out.size()));
    return r > 0 ? out.left(r) : QByteArray();
}

QByteArray withFactor(QByteArray file, const QByteArray& factor) {
    const qsizetype stanza = file.indexOf("-> scrypt ");
    const qsizetype end = file.indexOf('\n', stanza);
    const qsizetype space = file.lastIndexOf(' ', end);
    return file.replace(space + 1, end - space - 1, factor);
}

} // namespace

class TestWrapKey : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(alb() != 0);
        setWorkFactor(10);
    }

    void headerNamesSaltAndWorkFactor_data() {
        QTest::addColumn<QByteArray>("factor");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("log2N");
        QTest::newRow("as written") << QByteArray("10") << 0 << 10;
        QTest::newRow("above the ceiling is still named") << QByteArray("23") << 0 << 23;
        QTest::newRow("three digits count as 99") << QByteArray("123") << 0 << 99;
        QTest::newRow("leading zero") << QByteArray("010") << kDamaged << 0;
        QTest::newRow("zero") << QByteArray("0") << kDamaged << 0;
        QTest::newRow("negative") << QByteArray("-1") << kDamaged << 0;
        QTest::newRow("hex") << QByteArray("0x10") << kDamaged << 0;
    }
    void headerNamesSaltAndWorkFactor() {
        QFETCH(QByteArray, factor);
        QFETCH(int, code);
        QFETCH(int, log2N);
        const QByteArray file = withFactor(encrypted(), factor);
        const long runs = scryptRuns();
        ScryptParameters p;
        QCOMPARE(readScryptParameters(file.constData(), int(file.size()), p), code);
        QCOMPARE(p.log2N, log2N);
        if (code == 0)
            QVERIFY(file.contains(
                QByteArray::fromRawData(reinterpret_cast<const char*>(p.salt.data()), 16)
                    .toBase64(QByteArray::OmitTrailingEquals)));
        QByteArray out(kBufferSize, '\0');
        if (log2N > kMaxWorkFactor || code)
            QCOMPARE(db(file.constData(), int(file.size()), out.data(), int(out.size())),
                     code ? code : kRefused);
        QCOMPARE(scryptRuns() - runs, 0L);
    }

    // eb = derive + ebWithWrapKey and db = derive + dbWithWrapKey: files of either decrypt
    // with the other, and only the derivation runs scrypt.
    void derivedApartFromTheRest() {
        std::array<unsigned char, kSaltSize> salt;
        newSalt(salt);
        WrapKey key;
        long runs = scryptRuns();
        QCOMPARE(deriveWrapKey(kKey.constData(), int(kKey.size()), salt, 10, key), 0);
        QCOMPARE(scryptRuns() - runs, 1L);

        runs = scryptRuns();
        QByteArray file(kBufferSize, '\0');
        const int n = ebWithWrapKey(key, salt, 10, kPlain.constData(), int(kPlain.size()),
                                    file.data(), int(file.size()));
        QVERIFY(n > 0);
        file.truncate(n);
        QByteArray plain(kBufferSize, '\0');
        QCOMPARE(dbWithWrapKey(key, file.constData(), n, plain.data(), int(plain.size())),
                 int(kPlain.size()));
        QCOMPARE(plain.left(kPlain.size()), kPlain);
        QCOMPARE(scryptRuns() - runs, 0L);

        oi(kKey.constData(), 0, 0);
        QCOMPARE(db(file.constData(), n, plain.data(), int(plain.size())), int(kPlain.size()));

        // eb's own file, opened with a key derived for its header.
        const QByteArray other = encrypted();
        ScryptParameters p;
        QCOMPARE(readScryptParameters(other.constData(), int(other.size()), p), 0);
        WrapKey forOther;
        QCOMPARE(deriveWrapKey(kKey.constData(), int(kKey.size()), p.salt, p.log2N, forOther), 0);
        QCOMPARE(dbWithWrapKey(forOther, other.constData(), int(other.size()), plain.data(),
                               int(plain.size())),
                 int(kPlain.size()));
        // A wrap key serves its own salt only.
        QCOMPARE(dbWithWrapKey(key, other.constData(), int(other.size()), plain.data(),
                               int(plain.size())),
                 kWrongKey);
    }

    void nothingAboveTheCeilingIsDerived() {
        std::array<unsigned char, kSaltSize> salt{};
        WrapKey key;
        const long runs = scryptRuns();
        QCOMPARE(deriveWrapKey(kKey.constData(), int(kKey.size()), salt, kMaxWorkFactor + 1, key),
                 kRefused);
        QCOMPARE(deriveWrapKey(kKey.constData(), int(kKey.size()), salt, 0, key), kRefused);
        QCOMPARE(scryptRuns() - runs, 0L);
    }

    void memoryNeededFollowsTheWorkFactor() {
        QCOMPARE(scryptMemory(18), quint64(256) << 20);
        QCOMPARE(scryptMemory(20), quint64(1) << 30);
        QCOMPARE(KeyDerivation::checkMemory(18).needed,
                 (qint64(256) << 20) + KeyDerivation::kMemoryMargin);
    }

    // The worker's own copy of the passphrase: the caller's may go away at once.
    void aJobOwnsItsInputs() {
        std::array<unsigned char, kSaltSize> salt;
        newSalt(salt);
        std::shared_ptr<KeyDerivation::Job> job;
        {
            QByteArray passphrase = kKey;
            job = KeyDerivation::start(passphrase, salt, 10);
            passphrase.fill('x');
        }
        job->future().waitForFinished();
        QCOMPARE(job->result(), 0);
        WrapKey direct;
        QCOMPARE(deriveWrapKey(kKey.constData(), int(kKey.size()), salt, 10, direct), 0);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(job->key().data()), 32),
                 QByteArray(reinterpret_cast<const char*>(direct.data()), 32));
    }
};

QTEST_GUILESS_MAIN(TestWrapKey)
#include "tst_wrapkey.moc"
