// SPDX-License-Identifier: GPL-3.0-or-later
// The community age test vectors (C2SP CCTV, scrypt-only subset), each through the path it
// exercises: passphrase vectors end to end through oi/db, the generic header, MAC and STREAM
// vectors through the internal steps with the file key the vector gives.
#include "backends/cipher/age_internal.h"
#include "backends/cipher/cipher.h"
#include "testsupport/testsupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QtTest>

using namespace Cipher;

namespace {

struct Vector {
    QString expect;
    QByteArray payloadSha256; // hex
    QList<QByteArray> passphrases;
    QByteArray fileKey;
    QByteArray file;
    QStringList unknownKeys;
};

// A preamble of "key: value" lines, one empty line, then the age file (zlib-compressed when
// the preamble says so).
QString loadVector(const QString& path, Vector& v) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return "cannot open " + path;
    const QByteArray all = f.readAll();
    const qsizetype split = all.indexOf("\n\n");
    if (split < 0)
        return "no empty line after the preamble";
    bool compressed = false;
    for (const QByteArray& line : all.left(split).split('\n')) {
        const qsizetype colon = line.indexOf(": ");
        if (colon < 0)
            return "bad preamble line " + QString::fromLatin1(line);
        const QByteArray key = line.left(colon);
        const QByteArray value = line.mid(colon + 2);
        if (key == "expect")
            v.expect = QString::fromLatin1(value);
        else if (key == "payload")
            v.payloadSha256 = value;
        else if (key == "passphrase")
            v.passphrases << value;
        else if (key == "file key")
            v.fileKey = QByteArray::fromHex(value);
        else if (key == "compressed" && value == "zlib")
            compressed = true;
        else if (key != "identity" && key != "comment")
            v.unknownKeys << QString::fromLatin1(line);
    }
    v.file = all.mid(split + 2);
    if (compressed) {
        // qUncompress wants the zlib stream behind a 4-byte big-endian size hint; with a
        // hint of 0 it grows its buffer as needed.
        v.file = qUncompress(QByteArray(4, '\0') + v.file);
        if (v.file.isEmpty())
            return "zlib stream does not inflate";
    }
    return QString();
}

int expectedCode(const QString& name, const QString& expect) {
    // Work factors above the limit are a header failure to upstream; we report them as
    // refused, still before any scrypt run.
    if (name == "scrypt_work_factor_23" || name == "scrypt_work_factor_overflow")
        return kRefused;
    if (expect == "success")
        return 0;
    if (expect == "no match")
        return kWrongKey;
    if (expect == "payload failure")
        return kPayloadDamaged;
    return kDamaged; // "header failure", "HMAC failure"
}

const unsigned char* bytes(const QByteArray& a) {
    return reinterpret_cast<const unsigned char*>(a.constData());
}

QStringList vectorNames() {
    QStringList names = QDir(TestSupport::testDataPath("age")).entryList(QDir::Files, QDir::Name);
    names.removeAll("README.md");
    names.removeAll("LICENSE");
    return names;
}

} // namespace

class TestAgeVectors : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(alb());
        QCOMPARE(vectorNames().size(), 78);
    }
    void cleanupTestCase() { dalb(); }

    void vector_data() {
        QTest::addColumn<QString>("name");
        for (const QString& name : vectorNames())
            QTest::newRow(qPrintable(name)) << name;
    }

    void vector() {
        QFETCH(QString, name);
        Vector v;
        const QString error = loadVector(TestSupport::testDataPath("age/" + name), v);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        if (!v.unknownKeys.isEmpty())
            QSKIP(qPrintable("unknown preamble keys: " + v.unknownKeys.join(", ")));
        const int expected = expectedCode(name, v.expect);
        const bool headerFailure = v.expect == "header failure";
        const long runsBefore = Age::scryptRuns();

        if (!v.passphrases.isEmpty()) {
            for (const QByteArray& passphrase : v.passphrases) {
                oi(passphrase.constData(), 0, 0);
                QByteArray out(kBufferSize, '\x5a');
                const int r = db(v.file.constData(), int(v.file.size()), out.data(), kBufferSize);
                if (expected == 0) {
                    QVERIFY2(r >= 0, qPrintable(QString::number(r)));
                    QCOMPARE(
                        QCryptographicHash::hash(out.left(r), QCryptographicHash::Sha256).toHex(),
                        v.payloadSha256);
                } else {
                    QCOMPARE(r, expected);
                    QCOMPARE(out, QByteArray(kBufferSize, '\x5a')); // nothing released
                }
            }
            // A header failure, the work factor limit included, and a header without a scrypt
            // stanza cost no scrypt run; every other file costs exactly one per passphrase.
            const bool scryptStanza = v.file.contains("\n-> scrypt ");
            const long runs = headerFailure || !scryptStanza ? 0 : v.passphrases.size();
            QCOMPARE(Age::scryptRuns() - runsBefore, runs);
            return;
        }

        // Generic vectors: their stanzas are not for a passphrase, so parse, then take the
        // file key from the vector in place of unwrapping it.
        Age::Header header;
        const int parsed = Age::parseHeader(bytes(v.file), size_t(v.file.size()), header);
        if (headerFailure) {
            QCOMPARE(parsed, kDamaged);
        } else {
            QCOMPARE(parsed, 0);
            QCOMPARE(v.fileKey.size(), qsizetype(Age::kFileKeySize));
            Age::FileKey fileKey;
            std::memcpy(fileKey.data(), v.fileKey.constData(), Age::kFileKeySize);
            Age::SecretBytes plain;
            const int r = Age::decryptWithFileKey(bytes(v.file), size_t(v.file.size()), header,
                                                  fileKey, plain);
            QCOMPARE(r, expected);
            if (r == 0) {
                const QByteArray got(reinterpret_cast<const char*>(plain.data()),
                                     qsizetype(plain.size()));
                QCOMPARE(QCryptographicHash::hash(got, QCryptographicHash::Sha256).toHex(),
                         v.payloadSha256);
            } else {
                QVERIFY(plain.empty()); // all or nothing
            }
        }
        // Through db with a passphrase: header failures stay damaged, the rest hold no
        // stanza a passphrase could open; neither runs scrypt.
        if (v.file.size() <= kBufferSize) {
            oi("password", 0, 0);
            QByteArray out(kBufferSize, '\0');
            QCOMPARE(db(v.file.constData(), int(v.file.size()), out.data(), kBufferSize),
                     headerFailure ? kDamaged : kWrongKey);
        }
        QCOMPARE(Age::scryptRuns() - runsBefore, 0L);
    }

    // Unpadded base64 is the only form allowed in a header. libsodium would accept a padded
    // salt if the end of its decoding were not checked.
    void paddedSaltIsRefused() {
        Vector v;
        QVERIFY(loadVector(TestSupport::testDataPath("age/scrypt"), v).isEmpty());
        const QByteArray salt = "-> scrypt rF0/NwblUHHTpgQgRpe5CQ 10\n";
        QVERIFY(v.file.contains(salt));
        v.file.replace(salt, "-> scrypt rF0/NwblUHHTpgQgRpe5CQ== 10\n");
        const long runsBefore = Age::scryptRuns();
        oi(v.passphrases.first().constData(), 0, 0);
        QByteArray out(kBufferSize, '\0');
        QCOMPARE(db(v.file.constData(), int(v.file.size()), out.data(), kBufferSize), kDamaged);
        QCOMPARE(Age::scryptRuns() - runsBefore, 0L);
    }
};

QTEST_MAIN(TestAgeVectors)
#include "tst_agevectors.moc"
