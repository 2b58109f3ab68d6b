// SPDX-License-Identifier: GPL-3.0-or-later
// One key derivation at a time, program-wide: a keyfile store or get, a click and the key
// derived ahead all pass one gate, a new derivation waits for one that was cancelled but
// is still finishing, and no copy of a derived wrap key is left outside its locked buffer.
#include "backends/cipher/cipher.h"
#include "message/encdecmsg.h"
#include "message/keyderivation.h"
#include "message/readykey.h"
#include "support/backgroundwait.h"
#include "support/scripted.h"
#include "support/systemmemory.h"
#include "testsupport/testsupport.h"
#include "text/programtext.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <cstring>

using namespace EncDecMsg;

namespace {

const QString kKey =
    QStringLiteral("CORRECTHORSEBATTERYSTAPLECORRECTHORSEBATTERYSTAPLECORRECTHORSEBA");
constexpr int kWorkFactor = 10;

QByteArray keyBytes() {
    return kKey.toLatin1();
}

#if !defined(__SANITIZE_ADDRESS__)
// Where a copy of needle (32 bytes) lies in this process's writable memory, leaving out
// [skip, skip + 32). The needle's first byte is compared alone, so the search itself puts
// no copy of the key on the stack.
QStringList copiesOf(const unsigned char* needle, const unsigned char* skip) {
    QStringList found;
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return {QStringLiteral("maps unreadable")};
    const QList<QByteArray> lines = maps.readAll().split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() < 5 || !f[1].startsWith("rw"))
            continue;
        const QByteArray name = f.size() > 5 ? f[5] : QByteArray();
        if (name.startsWith("[v")) // vvar, vsyscall: not ordinary memory
            continue;
        const QList<QByteArray> range = f[0].split('-');
        const auto* begin =
            reinterpret_cast<const unsigned char*>(range[0].toULongLong(nullptr, 16));
        const auto* end = reinterpret_cast<const unsigned char*>(range[1].toULongLong(nullptr, 16));
        for (const unsigned char* p = begin; p + 32 <= end; ++p) {
            if (*p != needle[0] || p == skip)
                continue;
            if (std::memcmp(p, needle, 32) == 0)
                found << QStringLiteral("%1 in %2")
                             .arg(quintptr(p), 0, 16)
                             .arg(QString::fromLatin1(name.isEmpty() ? "anonymous" : name));
        }
    }
    return found;
}
#endif

} // namespace

class TestDerivationGate : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        TestSupport::loadProgramTexts();
        QVERIFY(Cipher::alb() != 0);
        Cipher::setWorkFactor(kWorkFactor);
    }
    void cleanup() {
        KeyDerivation::releaseGate();
        BackgroundWait::setProgressDelay(BackgroundWait::kProgressDelay);
        SystemMemory::setAvailableForTests(std::nullopt);
        QTRY_VERIFY(!KeyDerivation::finishingAbandoned());
    }

    // A keyfile store or get (which derives without the ready key) started while a key is
    // derived ahead in the background waits for it: never two at once.
    void keyfileWaitsForTheBackgroundDerivation_data() {
        QTest::addColumn<bool>("encrypt");
        QTest::newRow("store") << true;
        QTest::newRow("get") << false;
    }
    void keyfileWaitsForTheBackgroundDerivation() {
        QFETCH(bool, encrypt);
        QByteArray file;
        QVERIFY(CipherBuffer("keys\t2451545\t", file, kKey, true) > 0);

        KeyDerivation::holdGate();
        KeyDerivation::resetPeakRunning();
        const long runs = Cipher::scryptRuns();
        Seams::ScriptedModals modals; // the progress window stays until the work is done
        KeyDerivation::ReadyKey ready;
        ready.prepare(keyBytes(), kWorkFactor);
        QVERIFY(ready.running());
        QTRY_COMPARE(KeyDerivation::waitingAtGate(), 1);

        QByteArray out;
        const QByteArray in = encrypt ? QByteArray("keys\t2451545\t") : file;
        // Opened once the store waits: a derivation of its own beside the held one would run.
        QTimer::singleShot(0, [] { KeyDerivation::releaseGate(); });
        QVERIFY(CipherBuffer(in, out, kKey, encrypt) > 0);
        QTRY_VERIFY(!ready.running());
        QCOMPARE(KeyDerivation::peakRunning(), 1);
        QCOMPARE(Cipher::scryptRuns() - runs, 2);
    }

    // Cancel gives control back at once; a click right after waits for the cancelled work,
    // and its progress window says so.
    void reclickAfterCancelWaitsForTheCancelledWork() {
        KeyDerivation::holdGate();
        BackgroundWait::setProgressDelay(0);
        KeyDerivation::resetPeakRunning();
        const long runs = Cipher::scryptRuns();
        Seams::ScriptedModals modals;
        QStringList lines;
        bool cancel = true;
        modals.onProgress = [&](QDialog* d) {
            lines << d->findChild<QLabel*>(QStringLiteral("lblProgress"))->text();
            if (cancel)
                d->findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
            else
                KeyDerivation::releaseGate();
        };
        QByteArray out;
        QCOMPARE(CipherBuffer("text", out, kKey, true), kCancelled);
        // Cancel did not wait for the derivation: it is still held at the gate.
        QTRY_COMPARE(KeyDerivation::waitingAtGate(), 1);
        QVERIFY(KeyDerivation::finishingAbandoned());

        cancel = false;
        QVERIFY(CipherBuffer("text", out, kKey, true) > 0);
        QCOMPARE(lines, QStringList({GetText(583), GetText(532)}));
        QCOMPARE(KeyDerivation::peakRunning(), 1);
        QCOMPARE(Cipher::scryptRuns() - runs, 2);
        QVERIFY(!KeyDerivation::finishingAbandoned());
    }

    // Many requests in a row (clicks, a key asked ahead again and again): still one at a
    // time, and a request nobody holds any more before its turn costs nothing.
    void manyRequestsRunOneAtATime() {
        KeyDerivation::holdGate();
        KeyDerivation::resetPeakRunning();
        const long runs = Cipher::scryptRuns();
        std::array<unsigned char, Cipher::kSaltSize> salt{};
        QList<std::shared_ptr<KeyDerivation::Job>> kept;
        for (int i = 0; i < 6; ++i) {
            salt[0] = static_cast<unsigned char>(i);
            auto job = KeyDerivation::start(keyBytes(), salt, kWorkFactor);
            if (i % 2 == 0)
                kept << job; // the others are dropped before their turn
        }
        QTRY_COMPARE(KeyDerivation::waitingAtGate(), 1);
        KeyDerivation::releaseGate();
        for (const auto& job : kept)
            job->future().waitForFinished();
        QCOMPARE(KeyDerivation::peakRunning(), 1);
        QCOMPARE(Cipher::scryptRuns() - runs, 3);
    }

    // The memory check counts the region of the derivation under way as free: it is given
    // back before the next one starts.
    void memoryCheckCountsWhatIsStillHeld() {
        const KeyDerivation::Memory alone = KeyDerivation::checkMemory(kWorkFactor);
        SystemMemory::setAvailableForTests(alone.needed - 1);
        QVERIFY(!KeyDerivation::checkMemory(kWorkFactor).enough());
        KeyDerivation::holdGate();
        KeyDerivation::resetPeakRunning();
        std::array<unsigned char, Cipher::kSaltSize> salt{};
        auto job = KeyDerivation::start(keyBytes(), salt, kWorkFactor);
        QTRY_COMPARE(KeyDerivation::waitingAtGate(), 1); // under way, held
        QVERIFY(KeyDerivation::checkMemory(kWorkFactor).enough());
        KeyDerivation::releaseGate();
        job->future().waitForFinished();
        QVERIFY(!KeyDerivation::checkMemory(kWorkFactor).enough());
    }

    // After an encryption and a decryption with the key derived ahead, the wrap key is
    // nowhere in the process's memory but in the locked buffer that holds it.
    void noCopyOfTheWrapKeyOutsideItsBuffer() {
#if defined(__SANITIZE_ADDRESS__)
        // The sanitizer's shadow spans terabytes of readable memory, and its heap checks stop
        // a read of freed or padding bytes: a scan of the whole process means nothing there.
        QSKIP("not under AddressSanitizer");
#else
        KeyDerivation::ReadyKey ready;
        ready.prepare(keyBytes(), kWorkFactor);
        QTRY_VERIFY(!ready.running());
        QByteArray file;
        QVERIFY(CipherBuffer("a message", file, kKey, true, nullptr, &ready) > 0);
        QVERIFY(!ready.held()); // the encryption took it

        Cipher::ScryptParameters p;
        QCOMPARE(Cipher::readScryptParameters(file.constData(), int(file.size()), p), 0);
        ready.prepareFor(keyBytes(), p.salt, p.log2N);
        QTRY_VERIFY(!ready.running());
        QByteArray plain;
        QVERIFY(CipherBuffer(file, plain, kKey, false, nullptr, &ready) > 0);
        QCOMPARE(plain, QByteArray("a message"));
        QVERIFY(!ready.held());

        // The same wrap key once more, derived the way the program derives it, in its
        // locked buffer: the one place it may be found.
        auto needle = KeyDerivation::start(keyBytes(), p.salt, p.log2N);
        needle->future().waitForFinished();
        QCOMPARE(needle->result(), 0);
        const unsigned char* key = needle->key().data();
        const QStringList copies = copiesOf(key, key);
        QVERIFY2(copies.isEmpty(), qPrintable(copies.join(QStringLiteral("; "))));
#endif
    }
};

QTEST_MAIN(TestDerivationGate)
#include "tst_derivationgate.moc"
