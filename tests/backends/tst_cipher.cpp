// SPDX-License-Identifier: GPL-3.0-or-later
// The cipher library through its entries: round trips, the failure codes of db and dcob,
// the armour's tolerance of what mail programs do to text, the character test and the
// filler text.
#include "backends/cipher/age_internal.h"
#include "backends/cipher/cipher.h"
#include "testsupport/testsupport.h"

#include <QRandomGenerator>
#include <QSet>
#include <QtTest>

using namespace Cipher;
using TestSupport::randomBytes;

namespace {

constexpr int kTestWorkFactor = 10;
constexpr char kSentinel = '\x5a';
const QByteArray kBegin = "TessamailMessageBegin";
const QByteArray kEnd = "TessamailMessageEnd";

// 64 characters, like an extended reduced key, with Windows-1252 letters above 127.
QByteArray extendedKey(const QByteArray& reduced) {
    QByteArray key;
    while (key.size() < 64)
        key += reduced;
    return key.left(64);
}
const QByteArray kKey = extendedKey("BR\xd6TCHENMITK\xc4SE2024");
const QByteArray kOtherKey = extendedKey("BR\xd6TCHENMITK\xc4SE2025");

// code < 0: failure, and then bytes is the whole output buffer (to show nothing was written).
struct Result {
    int code;
    QByteArray bytes;
};

Result call(int (*entry)(const char*, int, char*, int), const QByteArray& in, int outLength) {
    QByteArray out(outLength, kSentinel);
    const int r = entry(in.constData(), int(in.size()), out.data(), outLength);
    return {r, r >= 0 ? out.left(r) : out};
}

Result encrypt(const QByteArray& plain, const QByteArray& key = kKey, int outLength = kBufferSize) {
    oi(key.constData(), 1, int(plain.size()));
    return call(eb, plain, outLength);
}

Result decrypt(const QByteArray& file, const QByteArray& key = kKey, int outLength = kBufferSize) {
    oi(key.constData(), 1, int(file.size()));
    return call(db, file, outLength);
}

Result armour(const QByteArray& bytes, int outLength = kBufferSize) {
    return call(cob, bytes, outLength);
}

Result dearmour(const QByteArray& text, int outLength = kBufferSize) {
    return call(dcob, text, outLength);
}

// Sizes derived from the format alone. Cipher text at a two-digit work factor: a header of
// 150 bytes
//   "age-encryption.org/v1\n"                    22
//   "-> scrypt " + 22-character salt + " 10\n"   36
//   43-character stanza body + "\n"              44
//   "--- " + 43-character MAC + "\n"             48
// then the 16-byte payload nonce and the plaintext with a 16-byte tag per 64 KiB chunk.
int cipherSize(int plain) {
    const int chunks = plain == 0 ? 1 : (plain + 65535) / 65536;
    return 150 + 16 + plain + 16 * chunks;
}
// Armour: "TessamailMessageBegin\r\n" (23), the padded base64 (4 characters per 3 bytes,
// rounded up) with CR LF after each line of up to 64, "=" + 8 characters + "\r\n" (11),
// "TessamailMessageEnd" (19).
int armourSize(int bytes) {
    const int base64 = 4 * ((bytes + 2) / 3);
    return 23 + base64 + 2 * ((base64 + 63) / 64) + 11 + 19;
}

// Empty when text has exactly the shape cob promises.
QString armourShapeError(const QByteArray& text) {
    if (text.endsWith('\n') || text.endsWith('\r'))
        return "line break after the last line";
    const QList<QByteArray> lines = text.split('\n');
    for (int i = 0; i + 1 < lines.size(); ++i)
        if (!lines[i].endsWith('\r'))
            return QString("line %1 does not end in CR LF").arg(i);
    if (lines.size() < 4 || lines.first() != kBegin + '\r' || lines.last() != kEnd)
        return "markers missing";
    const QByteArray sum = lines[lines.size() - 2].chopped(1);
    if (sum.size() != 9 || sum[0] != '=')
        return "checksum line malformed";
    for (int i = 1; i < lines.size() - 2; ++i) {
        const QByteArray line = lines[i].chopped(1);
        if (line.isEmpty() || line.size() > 64 || (i < lines.size() - 3 && line.size() != 64))
            return QString("data line %1 has %2 characters").arg(i).arg(line.size());
    }
    for (char c : text)
        if (c != '\r' && c != '\n' && cci(uchar(c)) < 0)
            return QString("character %1 is not an armour character").arg(int(uchar(c)));
    return QString();
}

// The data and checksum lines of an armour, re-wrapped at width and joined by lineBreak.
QByteArray rewrap(const QByteArray& text, int width, const QByteArray& lineBreak) {
    QByteArray inner = text.mid(kBegin.size(), text.size() - kBegin.size() - kEnd.size());
    inner.replace("\r\n", "");
    QByteArray out = kBegin + lineBreak;
    for (int i = 0; i < inner.size(); i += width)
        out += inner.mid(i, width) + lineBreak;
    return out + kEnd;
}

QByteArray randomText(int seed) {
    QByteArray buffer(kRandomTextBufferSize, '\0');
    return buffer.left(mt(seed, buffer.data()));
}

// Replaces the character at i by another character of the same class, keeping the length.
QByteArray changedAt(QByteArray bytes, qsizetype i) {
    bytes[i] = bytes[i] == 'A' ? 'B' : 'A';
    return bytes;
}

} // namespace

class TestCipher : public QObject {
    Q_OBJECT

    QByteArray m_plain; // two chunks: the first authenticates even when the file is damaged
    QByteArray m_file;  // its age file
    qsizetype m_headerLength = 0;
    QByteArray m_armour;   // armour of a small file
    QByteArray m_armoured; // the cipher bytes in it

private slots:
    void initTestCase() {
        QVERIFY(alb());
        setWorkFactor(kTestWorkFactor);
        m_plain = randomBytes(70000, 1);
        const Result file = encrypt(m_plain);
        QVERIFY(file.code > 0);
        m_file = file.bytes;
        m_headerLength = m_file.indexOf('\n', m_file.indexOf("\n--- ") + 1) + 1;
        const Result small = encrypt(randomBytes(1000, 2));
        QVERIFY(small.code > 0);
        m_armoured = small.bytes;
        const Result text = armour(m_armoured);
        QVERIFY(text.code > 0);
        m_armour = text.bytes;
    }
    void cleanupTestCase() { dalb(); }

    void roundTrip_data() {
        QTest::addColumn<QByteArray>("plain");
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all += char(b);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("one byte") << QByteArray(1, '\0');
        QTest::newRow("all byte values") << all;
        QTest::newRow("one full chunk") << randomBytes(65536, 3);
        QTest::newRow("one full chunk and a byte") << randomBytes(65537, 4);
        QTest::newRow("message size limit") << randomBytes(102400, 5);
    }
    void roundTrip() {
        QFETCH(QByteArray, plain);
        const long runs = Age::scryptRuns();
        const Result file = encrypt(plain);
        QCOMPARE(file.code, cipherSize(int(plain.size())));
        QVERIFY(file.bytes.startsWith("age-encryption.org/v1\n-> scrypt "));
        QVERIFY(file.bytes.left(m_headerLength).contains(" 10\n"));
        // A fresh salt, file key and nonce every time.
        QVERIFY(encrypt(plain).bytes != file.bytes);
        const Result back = decrypt(file.bytes);
        QCOMPARE(back.code, int(plain.size()));
        QCOMPARE(back.bytes, plain);
        QCOMPARE(Age::scryptRuns() - runs, 3L);

        const Result text = armour(file.bytes);
        QCOMPARE(text.code, armourSize(file.code));
        QVERIFY2(armourShapeError(text.bytes).isEmpty(), qPrintable(armourShapeError(text.bytes)));
        QVERIFY(text.code >= 300);
        QCOMPARE(dearmour(text.bytes).bytes, file.bytes);
        // The armour carries any bytes, not only age files.
        if (!plain.isEmpty())
            QCOMPARE(dearmour(armour(plain).bytes).bytes, plain);
    }

    // The checksum is the first 6 bytes of the 32-byte BLAKE2b digest (a 6-byte BLAKE2b
    // would give E8lJfCQl here).
    void armourIsExact() {
        QCOMPARE(armour("abc").bytes, kBegin + "\r\nYWJj\r\n=vd2BPGNC\r\n" + kEnd);
        const QByteArray fullLine = armour(QByteArray(48, 'x')).bytes;
        QVERIFY(fullLine.startsWith(kBegin + "\r\n" + QByteArray("eHh4").repeated(16) + "\r\n="));
        QCOMPARE(fullLine.size(), 23 + 66 + 11 + 19);
        QCOMPARE(armour(QByteArray()).code, -1);
        QCOMPARE(cob(nullptr, 3, QByteArray(100, '\0').data(), 100), -1);
    }

    // Every package fits the program's 153,600-byte buffers, and the armour of the smallest
    // is long enough for the block search (300 characters).
    void bufferLimits() {
        int largest = kBufferSize;
        while (armourSize(cipherSize(largest)) > kBufferSize)
            --largest;
        // The largest package: 102,400 bytes of text and files, a 6-digit length and TAB,
        // three files each with a name of up to 255 characters, TAB, 6-digit size and TAB,
        // and the closing TAB.
        QVERIFY(largest >= 102400 + 7 + 3 * (255 + 1 + 6 + 1) + 1);

        const QByteArray plain = randomBytes(largest + 1, 6);
        const Result fits = encrypt(plain.left(largest));
        const Result text = armour(fits.bytes);
        QCOMPARE(text.code, armourSize(cipherSize(largest)));
        QVERIFY(text.code <= kBufferSize);
        QCOMPARE(decrypt(dearmour(text.bytes).bytes).bytes, plain.left(largest));
        const Result tooLarge = encrypt(plain);
        QVERIFY(tooLarge.code > 0);
        QCOMPARE(armour(tooLarge.bytes).code, -1);
        QCOMPARE(armour(tooLarge.bytes).bytes, QByteArray(kBufferSize, kSentinel));

        // Smallest: the empty input; the header has the same size at the default work factor.
        QCOMPARE(Age::encryptedSize(0, kWriteWorkFactor), Age::encryptedSize(0, kTestWorkFactor));
        QCOMPARE(armour(encrypt(QByteArray()).bytes).code, armourSize(cipherSize(0)));
        QVERIFY(armourSize(cipherSize(0)) >= 300);
    }

    void decryptFailure_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<int>("expected");
        QTest::addColumn<long>("scryptRuns");
        const QByteArray& f = m_file;
        const qsizetype h = m_headerLength;
        const qsizetype mac = f.indexOf("\n--- ") + 5;
        const qsizetype body = f.indexOf('\n', f.indexOf("-> scrypt ")) + 1;
        QByteArray flippedFirst = f, flippedLast = f, flippedNonce = f;
        flippedFirst[h + 16 + 100] = char(flippedFirst[h + 16 + 100] ^ 1);
        flippedLast[f.size() - 1] = char(flippedLast[f.size() - 1] ^ 0x80);
        flippedNonce[h] = char(flippedNonce[h] ^ 1);
        QByteArray version = f, factor = f;
        version.replace(0, 21, "age-encryption.org/v2");
        factor.replace(f.indexOf(" 10\n"), 4, " 23\n");

        QTest::newRow("wrong key") << f << kOtherKey << kWrongKey << 1L;
        QTest::newRow("stanza body changed") << changedAt(f, body + 10) << kKey << kWrongKey << 1L;
        QTest::newRow("MAC changed") << changedAt(f, mac + 10) << kKey << kDamaged << 1L;
        QTest::newRow("version changed") << version << kKey << kDamaged << 0L;
        QTest::newRow("not an age file") << QByteArray("Hello\n") << kKey << kDamaged << 0L;
        QTest::newRow("empty") << QByteArray() << kKey << kDamaged << 0L;
        QTest::newRow("cut inside the header") << f.left(h - 5) << kKey << kDamaged << 0L;
        QTest::newRow("cut inside the nonce") << f.left(h + 8) << kKey << kDamaged << 0L;
        QTest::newRow("cut after the nonce") << f.left(h + 16) << kKey << kPayloadDamaged << 1L;
        QTest::newRow("cut by one byte") << f.chopped(1) << kKey << kPayloadDamaged << 1L;
        QTest::newRow("cut at the chunk boundary")
            << f.left(h + 16 + 65536 + 16) << kKey << kPayloadDamaged << 1L;
        QTest::newRow("byte appended") << f + 'x' << kKey << kPayloadDamaged << 1L;
        QTest::newRow("nonce changed") << flippedNonce << kKey << kPayloadDamaged << 1L;
        QTest::newRow("first chunk changed") << flippedFirst << kKey << kPayloadDamaged << 1L;
        QTest::newRow("last chunk changed") << flippedLast << kKey << kPayloadDamaged << 1L;
        QTest::newRow("work factor 23") << factor << kKey << kRefused << 0L;
    }
    void decryptFailure() {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, key);
        QFETCH(int, expected);
        QFETCH(long, scryptRuns);
        const long runs = Age::scryptRuns();
        const Result r = decrypt(file, key);
        QCOMPARE(r.code, expected);
        QCOMPARE(r.bytes, QByteArray(kBufferSize, kSentinel)); // nothing released
        QCOMPARE(Age::scryptRuns() - runs, scryptRuns);
    }

    void outputTooSmall() {
        const int plainSize = int(m_plain.size());
        QCOMPARE(decrypt(m_file, kKey, plainSize - 1).code, kRefused);
        QCOMPARE(decrypt(m_file, kKey, plainSize).bytes, m_plain);

        const long runs = Age::scryptRuns();
        const Result small = encrypt(m_plain, kKey, int(m_file.size()) - 1);
        QCOMPARE(small.code, kRefused);
        QCOMPARE(small.bytes, QByteArray(m_file.size() - 1, kSentinel));
        QCOMPARE(Age::scryptRuns() - runs, 0L); // refused before the key derivation
        QCOMPARE(encrypt(m_plain, kKey, int(m_file.size())).code, int(m_file.size()));

        const int armouredSize = int(m_armoured.size());
        QCOMPARE(dearmour(m_armour, armouredSize - 1).code, kArmourDoesNotFit);
        QCOMPARE(dearmour(m_armour, armouredSize).bytes, m_armoured);
        QCOMPARE(armour(m_armoured, int(m_armour.size()) - 1).code, -1);
        QCOMPARE(armour(m_armoured, int(m_armour.size())).bytes, m_armour);
    }

    void libraryNotStarted() {
        dalb();
        for (int code = 0; code < 256; ++code)
            QCOMPARE(cci(code), -2);
        QCOMPARE(decrypt(m_file).code, 0);
        QCOMPARE(encrypt(m_plain).code, 0);
        QVERIFY(alb());
        // dalb forgot the key: nothing to encrypt or decrypt with until oi runs again.
        QByteArray out(kBufferSize, '\0');
        QCOMPARE(db(m_file.constData(), int(m_file.size()), out.data(), kBufferSize), 0);
        QCOMPARE(decrypt(m_file).bytes, m_plain);
    }

    void dearmourTolerance_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("expected"); // the cipher size on success
        const QByteArray& a = m_armour;
        const int ok = int(m_armoured.size());
        const qsizetype firstData = kBegin.size() + 2;
        const qsizetype sum = a.size() - kEnd.size() - 11; // the "=" of the checksum line
        QByteArray noSum = a;
        noSum.remove(sum - 2, 11);
        QByteArray dropped = a, padded = a, spaced = a;
        dropped.remove(firstData + 5, 1);
        padded[firstData + 5] = '=';
        spaced[firstData + 5] = ' ';

        QTest::newRow("CR LF") << a << ok;
        QTest::newRow("LF") << QByteArray(a).replace("\r\n", "\n") << ok;
        QTest::newRow("CR") << QByteArray(a).replace("\r\n", "\r") << ok;
        QTest::newRow("re-wrapped at 76") << rewrap(a, 76, "\r\n") << ok;
        QTest::newRow("re-wrapped at 72, LF") << rewrap(a, 72, "\n") << ok;
        QTest::newRow("re-wrapped at 7") << rewrap(a, 7, "\r\n") << ok;
        QTest::newRow("all on one line") << rewrap(a, a.size(), "") << ok;
        QTest::newRow("glued before and after") << "Dear Bob, " + a + " -- Alice" << ok;
        QTest::newRow("name lines glued") << "Alice\r\n" + a + "\r\nBob" << ok;
        QTest::newRow("random text glued") << randomText(7) + a + "\r\n" + randomText(8) << ok;
        QTest::newRow("data changed") << changedAt(a, firstData + 5) << kArmourChecksum;
        QTest::newRow("checksum changed") << changedAt(a, sum + 3) << kArmourChecksum;
        QTest::newRow("checksum missing") << noSum << kArmourChecksum;
        QTest::newRow("End missing") << a.chopped(kEnd.size()) << kArmourIncomplete;
        QTest::newRow("Begin missing") << a.mid(kBegin.size()) << kArmourIncomplete;
        QTest::newRow("End before Begin")
            << kEnd + "\r\n" + a.chopped(kEnd.size()) << kArmourIncomplete;
        QTest::newRow("nothing between") << kBegin + kEnd << 0;
        QTest::newRow("line breaks only") << kBegin + "\r\n\r\n\n\r" + kEnd << 0;
        QTest::newRow("checksum only") << kBegin + "\r\n" + a.mid(sum, 9) + "\r\n" + kEnd << 0;
        QTest::newRow("character dropped") << dropped << kArmourBadBase64;
        QTest::newRow("padding inside") << padded << kArmourBadBase64;
        QTest::newRow("space inside") << spaced << kArmourBadBase64;
    }
    void dearmourTolerance() {
        QFETCH(QByteArray, text);
        QFETCH(int, expected);
        const Result r = dearmour(text);
        QCOMPARE(r.code, expected);
        if (expected > 0)
            QCOMPARE(r.bytes, m_armoured);
        else
            QCOMPARE(r.bytes, expected == 0 ? QByteArray() : QByteArray(kBufferSize, kSentinel));
    }

    void characterTest() {
        const QByteArray alphabet =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=";
        QList<int> codes = {-32768, -1, 256, 0x20ac, 0xffff, 0x10000};
        for (int code = 0; code < 256; ++code)
            codes << code;
        for (int code : codes)
            QCOMPARE(cci(code), code >= 0 && code < 128 && alphabet.contains(char(code)) ? 0 : -1);
    }

    void randomTextIsNeverArmour() {
        QSet<QByteArray> texts;
        for (int seed = 1; seed <= 32000; ++seed) {
            QByteArray buffer(kRandomTextBufferSize, kSentinel);
            const int r = mt(seed, buffer.data());
            QVERIFY2(r > 0 && r < kRandomTextBufferSize, qPrintable(QString::number(seed)));
            QCOMPARE(buffer[r], '\0');
            const QByteArray text = buffer.left(r);
            for (char c : text)
                if (c == '\0' || c == '\r' || c == '\n' || cci(uchar(c)) >= 0)
                    QFAIL(qPrintable(QString("seed %1 gives character %2").arg(seed).arg(int(c))));
            QCOMPARE(randomText(seed), text);
            texts.insert(text);
        }
        QCOMPARE(texts.size(), 32000);
    }
};

QTEST_MAIN(TestCipher)
#include "tst_cipher.moc"
