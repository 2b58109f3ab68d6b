// SPDX-License-Identifier: GPL-3.0-or-later
// scrypt as the cipher backend runs it (OpenSSL's, in memory from our allocator): the
// published test vectors, the same bytes as libsodium's scrypt (which wrote every file
// before, keyfiles included), and the allocator OpenSSL works with: small blocks, realloc,
// the huge-page region, its wiping and its reuse, from several threads at once.
#include "backends/cipher/age_internal.h"
#include "backends/cipher/cipher.h"
#include "backends/cipher/scryptmemory.h"

#include <QFile>
#include <QtTest>

#include <cstring>
#include <thread>
#include <vector>

using namespace Cipher;
namespace Memory = Cipher::ScryptMemory;

namespace {

QByteArray scrypt(const QByteArray& passphrase, const QByteArray& salt, quint64 n, quint32 r,
                  quint32 p, int length, int* code = nullptr) {
    QByteArray out(length, '\0');
    const int c = Age::scrypt(reinterpret_cast<const unsigned char*>(passphrase.constData()),
                              std::size_t(passphrase.size()),
                              reinterpret_cast<const unsigned char*>(salt.constData()),
                              std::size_t(salt.size()), n, r, p,
                              reinterpret_cast<unsigned char*>(out.data()), std::size_t(length));
    if (code)
        *code = c;
    return out;
}

QByteArray sodiumScrypt(const QByteArray& passphrase, const QByteArray& salt, quint64 n, quint32 r,
                        quint32 p, int length) {
    QByteArray out(length, '\0');
    if (crypto_pwhash_scryptsalsa208sha256_ll(
            reinterpret_cast<const uint8_t*>(passphrase.constData()),
            std::size_t(passphrase.size()), reinterpret_cast<const uint8_t*>(salt.constData()),
            std::size_t(salt.size()), n, r, p, reinterpret_cast<uint8_t*>(out.data()),
            std::size_t(length)) != 0)
        return {};
    return out;
}

// The kernel's flags for the mapping that holds address: "hg" huge pages advised, "nh" not,
// "dd" left out of core dumps.
QByteArray vmFlags(const void* address) {
    QFile f(QStringLiteral("/proc/self/smaps"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const auto a = reinterpret_cast<quintptr>(address);
    bool inside = false;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const qsizetype dash = line.indexOf('-');
        const qsizetype space = line.indexOf(' ');
        if (dash > 0 && space > dash && line[space - 1] != ':') { // "from-to perms ..."
            bool ok1 = false, ok2 = false;
            const quintptr from = line.left(dash).toULongLong(&ok1, 16);
            const quintptr to = line.mid(dash + 1, space - dash - 1).toULongLong(&ok2, 16);
            inside = ok1 && ok2 && from <= a && a < to;
        } else if (inside && line.startsWith("VmFlags:")) {
            return line.mid(8).trimmed();
        }
    }
    return {};
}

bool hasFlag(const QByteArray& flags, const char* flag) {
    return flags.split(' ').contains(QByteArray(flag));
}

bool allZero(const unsigned char* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (p[i])
            return false;
    return true;
}

constexpr std::size_t kRegion = 3 << 20; // above the threshold: a region of its own

} // namespace

class TestScrypt : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // As in the program: alb first, so that OpenSSL takes our allocator.
        QVERIFY(alb() != 0);
        QVERIFY(Memory::install());
    }
    void cleanup() {
        // Also after a test that failed half-way.
        Memory::setHugePages(true);
        Memory::setKeepRegion(true);
    }
    void cleanupTestCase() { dalb(); }

    // RFC 7914, section 12. Its fourth vector (N = 2^20, r = 8: 1 GiB and several seconds)
    // is left out; the program's own work factor is checked against libsodium below.
    void rfc7914_data() {
        QTest::addColumn<QByteArray>("passphrase");
        QTest::addColumn<QByteArray>("salt");
        QTest::addColumn<quint64>("n");
        QTest::addColumn<quint32>("r");
        QTest::addColumn<quint32>("p");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("empty, N 16")
            << QByteArray() << QByteArray() << quint64(16) << 1u << 1u
            << QByteArray::fromHex("77d6576238657b203b19ca42c18a0497f16b4844e3074ae8dfd"
                                   "ffa3fede21442fcd0069ded0948f8326a753a0fc81f17e8d3e0"
                                   "fb2e0d3628cf35e20c38d18906");
        QTest::newRow("password, N 1024, p 16")
            << QByteArray("password") << QByteArray("NaCl") << quint64(1024) << 8u << 16u
            << QByteArray::fromHex("fdbabe1c9d3472007856e7190d01e9fe7c6ad7cbc8237830e77376634b"
                                   "3731622eaf30d92e22a3886ff109279d9830dac727afb94a83ee6d8360"
                                   "cbdfa2cc0640");
        QTest::newRow("pleaseletmein, N 16384")
            << QByteArray("pleaseletmein") << QByteArray("SodiumChloride") << quint64(16384) << 8u
            << 1u
            << QByteArray::fromHex("7023bdcb3afd7348461c06cd81fd38ebfda8fbba904f8e3ea9b543f6545d"
                                   "a1f2d5432955613f0fcf62d49705242a9af9e61e85dc0d651e40dfcf017b"
                                   "45575887");
    }
    void rfc7914() {
        QFETCH(QByteArray, passphrase);
        QFETCH(QByteArray, salt);
        QFETCH(quint64, n);
        QFETCH(quint32, r);
        QFETCH(quint32, p);
        QFETCH(QByteArray, expected);
        int code = -1;
        QCOMPARE(scrypt(passphrase, salt, n, r, p, 64, &code).toHex(), expected.toHex());
        QCOMPARE(code, 0);
    }

    // Files were written with libsodium's scrypt until now; the bytes must not move, on huge
    // pages or small ones, in a fresh region or the kept one.
    void sameAsLibsodium_data() {
        QTest::addColumn<int>("log2N");
        QTest::addColumn<bool>("hugePages");
        QTest::addColumn<bool>("keep");
        QTest::newRow("work factor 1") << 1 << true << true;
        QTest::newRow("work factor 10, malloc block") << 10 << true << true;
        QTest::newRow("work factor 14, region") << 14 << true << true;
        QTest::newRow("work factor 14, kept region again") << 14 << true << true;
        QTest::newRow("work factor 12, smaller, in the kept region") << 12 << true << true;
        QTest::newRow("work factor 14, small pages") << 14 << false << true;
        QTest::newRow("work factor 14, nothing kept") << 14 << true << false;
        QTest::newRow("work factor 18, as written") << 18 << true << true;
    }
    void sameAsLibsodium() {
        QFETCH(int, log2N);
        QFETCH(bool, hugePages);
        QFETCH(bool, keep);
        Memory::setHugePages(hugePages);
        Memory::setKeepRegion(keep);
        const QByteArray passphrase = QByteArray("BR\xd6TCHENMITK\xc4SE2024 ").repeated(3).left(64);
        const QByteArray salt = "age-encryption.org/v1/scrypt" + QByteArray(16, '\x7e');
        const quint64 n = quint64(1) << log2N;
        const QByteArray expected = sodiumScrypt(passphrase, salt, n, 8, 1, 32);
        QVERIFY(!expected.isEmpty());
        QCOMPARE(scrypt(passphrase, salt, n, 8, 1, 32).toHex(), expected.toHex());
        if (!keep)
            QCOMPARE(Memory::stats().keptBytes, std::size_t(0));
        else if (log2N >= 12)
            QVERIFY(Memory::stats().keptBytes > 0);
        Memory::setHugePages(true);
        Memory::setKeepRegion(true);
    }

    void smallBlocksAndRealloc() {
        QVERIFY(Memory::allocate(0, __FILE__, __LINE__) != nullptr);
        auto* a = static_cast<unsigned char*>(Memory::allocate(100, __FILE__, __LINE__));
        QVERIFY(a);
        QCOMPARE(reinterpret_cast<quintptr>(a) % 16, quintptr(0));
        for (int i = 0; i < 100; ++i)
            a[i] = static_cast<unsigned char>(i);
        // Grows within malloc, into a region, and back; the bytes come along each time.
        for (const std::size_t size : {std::size_t(5000), kRegion, std::size_t(200)}) {
            a = static_cast<unsigned char*>(Memory::reallocate(a, size, __FILE__, __LINE__));
            QVERIFY(a);
            for (int i = 0; i < 100; ++i)
                QCOMPARE(a[i], static_cast<unsigned char>(i));
        }
        QVERIFY(Memory::reallocate(a, 0, __FILE__, __LINE__) == nullptr); // released
        void* b = Memory::reallocate(nullptr, 10, __FILE__, __LINE__);
        QVERIFY(b);
        Memory::release(b, __FILE__, __LINE__);
        Memory::release(nullptr, __FILE__, __LINE__);
    }

    void regionOnHugePagesOutOfCoreDumps() {
        Memory::setKeepRegion(false);
        for (const bool huge : {true, false}) {
            Memory::setHugePages(huge);
            void* block = Memory::allocate(kRegion, __FILE__, __LINE__);
            QVERIFY(block);
            const auto start = reinterpret_cast<quintptr>(block);
            QCOMPARE(start % 64, quintptr(0));
            QCOMPARE(start / Memory::kHugePage * Memory::kHugePage, start - 64); // 2 MiB aligned
            const QByteArray flags = vmFlags(block);
            QVERIFY2(hasFlag(flags, "dd"), flags.constData());
            QVERIFY2(hasFlag(flags, huge ? "hg" : "nh"), flags.constData());
            Memory::release(block, __FILE__, __LINE__);
            QVERIFY(vmFlags(block).isEmpty()); // unmapped
        }
        Memory::setHugePages(true);
        Memory::setKeepRegion(true);
    }

    // A released region stays mapped, wiped, for the next one that fits in it; a larger one
    // replaces it.
    void keptRegionIsWipedAndReused() {
        Memory::releaseKeptRegion();
        auto* a = static_cast<unsigned char*>(Memory::allocate(kRegion, __FILE__, __LINE__));
        QVERIFY(a);
        std::memset(a, 0xa5, kRegion);
        Memory::release(a, __FILE__, __LINE__);
        const Memory::Stats kept = Memory::stats();
        QCOMPARE(kept.keptBytes, std::size_t(4) << 20);
        QVERIFY(hasFlag(vmFlags(a), "dd"));

        auto* b = static_cast<unsigned char*>(Memory::allocate(kRegion - 4096, __FILE__, __LINE__));
        QCOMPARE(b, a);
        QCOMPARE(Memory::stats().regionsReused, kept.regionsReused + 1);
        QCOMPARE(Memory::stats().keptBytes, std::size_t(0));
        QVERIFY(allZero(b, kRegion - 4096));
        Memory::release(b, __FILE__, __LINE__);

        const std::size_t others = Memory::stats().mappedBytes - (std::size_t(4) << 20);
        void* c = Memory::allocate(2 * kRegion, __FILE__, __LINE__);
        QVERIFY(c);
        // The smaller kept region went back first: only the new one is mapped.
        QCOMPARE(Memory::stats().mappedBytes, others + (std::size_t(8) << 20));
        Memory::release(c, __FILE__, __LINE__);
        Memory::releaseKeptRegion();
        QCOMPARE(Memory::stats().keptBytes, std::size_t(0));
        QCOMPARE(Memory::stats().mappedBytes, others);
    }

    // OpenSSL calls the allocator from whatever thread derives; derivations may overlap.
    void severalThreadsAtOnce() {
        const QByteArray salt(44, 's');
        const QByteArray expected = sodiumScrypt("passphrase", salt, 1 << 12, 8, 1, 32);
        Memory::releaseKeptRegion();
        const std::size_t mappedBefore = Memory::stats().mappedBytes;
        std::vector<QByteArray> results(4);
        std::vector<int> churnFailures(4, 0);
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([&, t] {
                for (int i = 0; i < 3; ++i)
                    results[t] = scrypt("passphrase", salt, 1 << 12, 8, 1, 32);
                for (int i = 0; i < 200; ++i) {
                    const std::size_t size = i % 50 == 0 ? kRegion : std::size_t(16 + i * t);
                    void* p = Memory::allocate(size, __FILE__, __LINE__);
                    p = Memory::reallocate(p, size + 100, __FILE__, __LINE__);
                    if (!p)
                        ++churnFailures[t];
                    Memory::release(p, __FILE__, __LINE__);
                }
            });
        for (std::thread& t : threads)
            t.join();
        for (int t = 0; t < 4; ++t) {
            QCOMPARE(results[t].toHex(), expected.toHex());
            QCOMPARE(churnFailures[t], 0);
        }
        Memory::releaseKeptRegion();
        QCOMPARE(Memory::stats().mappedBytes, mappedBefore); // every region went back
    }
};

QTEST_GUILESS_MAIN(TestScrypt)
#include "tst_scrypt.moc"
