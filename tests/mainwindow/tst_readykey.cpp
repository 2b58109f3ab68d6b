// SPDX-License-Identifier: GPL-3.0-or-later
// The wrap key derived ahead of the Encrypt and Decrypt clicks: every file still gets a salt
// of its own, a received salt never serves a new file, a click with the key ready derives
// nothing, a change of key, key list or mode drops it, a costly work factor is never derived
// unasked, and no more than one derivation runs at a time.
#include "keys/keyfilefixture.h"
#include "message/keyderivation.h"
#include "message/readykey.h"
#include "support/ansi.h"

#include <sodium.h>

#include <QClipboard>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSet>

using namespace KeyfileFixture;
using namespace Seams;

namespace {

const QString kFirst =
    QString::fromUtf8("ann@example.org \u00AB\u00BB correct horse battery staple");
const QString kSecond =
    QString::fromUtf8("bob@example.org \u00AB\u00BB another key of enough length");

QString keyOf(const QString& entry) {
    return KeyRules::ExtendedReducedKey(EncDecMsg::CurrentKey(entry));
}

struct Encrypted {
    QByteArray salt;
    QByteArray cipher;
    long scryptRuns = 0; // while the click ran
};

// Clicks Encrypt and reads the file back from the clipboard.
Encrypted clickEncrypt(Main& w) {
    ScriptedMessageBoxes boxes;
    const long before = Cipher::scryptRuns();
    w.cmdEncryptMessage_Click();
    Encrypted out;
    out.scryptRuns = Cipher::scryptRuns() - before;
    const QByteArray armour = Ansi::toAnsi(QGuiApplication::clipboard()->text());
    QByteArray cipher(Cipher::kBufferSize, '\0');
    const int n =
        Cipher::dcob(armour.constData(), int(armour.size()), cipher.data(), int(cipher.size()));
    if (n <= 0)
        return out;
    out.cipher = cipher.left(n);
    Cipher::ScryptParameters parameters;
    if (Cipher::readScryptParameters(out.cipher.constData(), n, parameters) == 0)
        out.salt = QByteArray(reinterpret_cast<const char*>(parameters.salt.data()),
                              int(parameters.salt.size()));
    return out;
}

QString decrypted(const QByteArray& cipher, const QString& entry) {
    QByteArray package;
    if (EncDecMsg::CipherBuffer(cipher, package, keyOf(entry), false) <= 0)
        return QString();
    return Ansi::fromAnsi(EncDecMsg::SplitDecryptedPackage(package).text.value_or(QByteArray()));
}

// A received mail: greeting, the block made under entry at the test's work factor (or with
// its header claiming workFactor), signature.
QString mailFor(const QString& entry, const QString& text, int workFactor = 0) {
    EncDecMsg::State state;
    state.blnTest = true;
    state.strPlainPackage = EncDecMsg::BuildPackage(Ansi::toAnsi(text), {});
    if (EncDecMsg::EncryptPackage(state, keyOf(entry)) <= 0)
        return QString();
    QByteArray armour = state.strCipherText;
    if (workFactor) {
        QByteArray cipher(Cipher::kBufferSize, '\0');
        const int n =
            Cipher::dcob(armour.constData(), int(armour.size()), cipher.data(), int(cipher.size()));
        cipher.truncate(qMax(0, n));
        const qsizetype line = cipher.indexOf("-> scrypt ");
        const qsizetype end = cipher.indexOf('\n', line);
        const qsizetype space = cipher.lastIndexOf(' ', end);
        cipher.replace(space + 1, end - space - 1, QByteArray::number(workFactor));
        armour = QByteArray(Cipher::kBufferSize, '\0');
        armour.truncate(qMax(0, Cipher::cob(cipher.constData(), int(cipher.size()), armour.data(),
                                            int(armour.size()))));
    }
    return QStringLiteral("Hello Ann,\r\n\r\nhere it is:\r\n\r\n") + Ansi::fromAnsi(armour) +
           QStringLiteral("\r\n\r\n-- \r\nBob");
}

// Clicks Decrypt, answering every box with its default; the scrypt runs of the click.
long clickDecrypt(Main& w, ScriptedMessageBoxes& boxes) {
    const long before = Cipher::scryptRuns();
    w.cmdDecryptMessage_Click();
    Q_UNUSED(boxes);
    return Cipher::scryptRuns() - before;
}

bool waitReady(Main& w) {
    return QTest::qWaitFor([&] { return w.readyKey()->held() && !w.readyKey()->running(); }, 30000);
}

// A derivation has reached the held gate.
bool waitHeld(int count = 1) {
    return QTest::qWaitFor([=] { return KeyDerivation::waitingAtGate() == count; }, 30000);
}

// The clipboard is read once it has stayed unchanged for a moment.
bool waitReadyAfterCopy(Main& w) {
    QTest::qWait(2 * frmMain::kClipboardSettleMs);
    return waitReady(w);
}

} // namespace

class TestReadyKey : public QObject {
    Q_OBJECT

    std::unique_ptr<DataFolder> data;

    std::unique_ptr<Main> startWithKeys() {
        auto w = start();
        addEntries(w.get(), {kFirst, kSecond});
        w->cboKeys->setCurrentIndex(w->cboKeys->findText(kFirst));
        w->txbText->setPlainText(QStringLiteral("Meet at noon"));
        return w;
    }

private slots:
    void initTestCase() {
        DataFolder::initTestCase();
        QVERIFY(Cipher::alb() != 0);
        Cipher::setWorkFactor(10);
    }
    void init() { data = std::make_unique<DataFolder>(); }
    void cleanup() {
        KeyDerivation::releaseGate();
        data.reset();
    }

    void everyFileHasItsOwnSalt_data() {
        QTest::addColumn<bool>("ready");
        QTest::newRow("wrap key ready at each click") << true;
        QTest::newRow("none ready") << false;
    }
    void everyFileHasItsOwnSalt() {
        QFETCH(bool, ready);
        auto w = startWithKeys();
        QSet<QByteArray> salts;
        for (int i = 0; i < 100; ++i) {
            // Dropped once done, so that nothing still runs beside the click.
            QVERIFY(waitReady(*w));
            if (!ready)
                w->readyKey()->discard();
            const Encrypted e = clickEncrypt(*w);
            QCOMPARE(e.salt.size(), Cipher::kSaltSize);
            QCOMPARE(e.scryptRuns, ready ? 0L : 1L);
            salts.insert(e.salt);
            if (i == 0 || i == 99)
                QCOMPARE(decrypted(e.cipher, kFirst), QStringLiteral("Meet at noon"));
        }
        QCOMPARE(salts.size(), 100);
    }

    void changeDropsReadyKey_data() {
        QTest::addColumn<int>("change");
        QTest::addColumn<QString>("entryAfter");
        QTest::newRow("another key selected") << 0 << kSecond;
        QTest::newRow("key added to the list") << 1 << kFirst;
        QTest::newRow("other key removed from the list") << 2 << kFirst;
        QTest::newRow("decrypt mode and back") << 3 << kFirst;
    }
    void changeDropsReadyKey() {
        QFETCH(int, change);
        QFETCH(QString, entryAfter);
        auto w = startWithKeys();
        QVERIFY(waitReady(*w));
        switch (change) {
        case 0:
            w->cboKeys->setCurrentIndex(w->cboKeys->findText(kSecond));
            break;
        case 1:
            CB_Man::InsertSorted(w->cboKeys,
                                 QStringLiteral("cy \u00AB\u00BB a third key, long too"), 2460000);
            break;
        case 2:
            w->cboKeys->removeItem(w->cboKeys->findText(kSecond));
            break;
        case 3:
            w->optDecrypt->setChecked(true);
            w->optEncrypt->setChecked(true);
            break;
        }
        QCOMPARE(w->selectedKeyEntry(), entryAfter);
        QVERIFY(!w->readyKey()->held());
        const Encrypted e = clickEncrypt(*w);
        QCOMPARE(e.scryptRuns, 1L);
        QCOMPARE(decrypted(e.cipher, entryAfter), QStringLiteral("Meet at noon"));
    }

    void quitDropsReadyKey() {
        auto w = startWithKeys();
        QVERIFY(waitReady(*w));
        w->blnKeyListNotStored = false;
        w->close();
        QVERIFY(w->hasEnded());
        QVERIFY(!w->readyKey()->held());
    }

    // The click before the derivation is done waits for it instead of starting its own.
    void clickWaitsForDerivationUnderWay() {
        KeyDerivation::holdGate();
        auto w = startWithKeys();
        QVERIFY(waitHeld());
        QVERIFY(w->readyKey()->running());
        // Opened only once the click waits: a derivation of the click's own would run too.
        QTimer::singleShot(0, [] { KeyDerivation::releaseGate(); });
        const Encrypted e = clickEncrypt(*w);
        QCOMPARE(e.scryptRuns, 1L);
        QCOMPARE(decrypted(e.cipher, kFirst), QStringLiteral("Meet at noon"));
    }

    // Switching keys while a derivation runs starts nothing beside it: only the last
    // request starts, once the one under way has ended.
    void oneDerivationAtATime() {
        // Derivations run one at a time, program-wide: one left by an earlier test goes first.
        QVERIFY(QTest::qWaitFor([] { return KeyDerivation::idle(); }, 30000));
        KeyDerivation::holdGate();
        auto w = startWithKeys();
        QVERIFY(waitHeld());
        const long before = Cipher::scryptRuns();
        for (int i = 0; i < 20; ++i) {
            w->cboKeys->setCurrentIndex(w->cboKeys->findText(i % 2 ? kFirst : kSecond));
            QCoreApplication::processEvents();
            QVERIFY(w->readyKey()->running());
        }
        // Room for a derivation that should not have started to reach the gate.
        QVERIFY(!QTest::qWaitFor([] { return KeyDerivation::waitingAtGate() > 1; }, 200));
        KeyDerivation::releaseGate();
        QVERIFY(waitReady(*w));
        QTest::qWait(200); // room for a derivation that should not have started
        QCOMPARE(Cipher::scryptRuns() - before, 2L);
        QCOMPARE(w->selectedKeyEntry(), kFirst);
        const Encrypted e = clickEncrypt(*w);
        QCOMPARE(e.scryptRuns, 0L);
        QCOMPARE(decrypted(e.cipher, kFirst), QStringLiteral("Meet at noon"));
    }

    // A derivation under a received salt is handed only to the decryption of that very
    // block: a new file under it would repeat the sender's key and nonce.
    void receivedSaltServesOnlyItsBlock() {
        KeyDerivation::ReadyKey ready;
        const QByteArray passphrase = Ansi::toAnsi(keyOf(kFirst));
        KeyDerivation::Salt salt;
        Cipher::newSalt(salt);
        KeyDerivation::Salt otherSalt = salt;
        otherSalt[0] ^= 1;
        ready.prepareFor(passphrase, salt, 10);
        QVERIFY(QTest::qWaitFor([&] { return !ready.running(); }, 5000));
        QVERIFY(!ready.take(passphrase, 10));
        QVERIFY(!ready.takeFor(passphrase, otherSalt, 10));
        QVERIFY(!ready.takeFor(passphrase, salt, 11));
        QVERIFY(!ready.takeFor(Ansi::toAnsi(keyOf(kSecond)), salt, 10));
        const auto job = ready.takeFor(passphrase, salt, 10);
        QVERIFY(job);
        QCOMPARE(job->result(), 0);
        Cipher::WrapKey expected;
        QCOMPARE(Cipher::deriveWrapKey(passphrase.constData(), int(passphrase.size()), salt, 10,
                                       expected),
                 0);
        QVERIFY(sodium_memcmp(job->key().data(), expected.data(), 32) == 0); // a ChaCha20 key
        QVERIFY(!ready.takeFor(passphrase, salt, 10));
        QVERIFY(!ready.held());
    }

    // However the user gets there, the block on the clipboard is derived for before the click,
    // and the click derives nothing.
    void decryptClickUsesReadyKey_data() {
        QTest::addColumn<int>("order");
        QTest::newRow("mail copied in decrypt mode") << 0;
        QTest::newRow("mail copied, then decrypt mode chosen") << 1;
        QTest::newRow("mail copied, then its key selected") << 2;
        QTest::newRow("another mail copied over a ready one") << 3;
    }
    void decryptClickUsesReadyKey() {
        QFETCH(int, order);
        auto w = startWithKeys();
        const QString mail = mailFor(kFirst, QStringLiteral("See you at the station"));
        QVERIFY(!mail.isEmpty());
        QClipboard* clipboard = QGuiApplication::clipboard();
        switch (order) {
        case 0:
            w->optDecrypt->setChecked(true);
            clipboard->setText(mail);
            break;
        case 1:
            clipboard->setText(mail);
            w->optDecrypt->setChecked(true);
            break;
        case 2:
            w->cboKeys->setCurrentIndex(w->cboKeys->findText(kSecond));
            w->optDecrypt->setChecked(true);
            clipboard->setText(mail);
            QVERIFY(waitReadyAfterCopy(*w)); // made for the wrong key: of no use to the click
            w->cboKeys->setCurrentIndex(w->cboKeys->findText(kFirst));
            break;
        case 3:
            w->optDecrypt->setChecked(true);
            clipboard->setText(mailFor(kFirst, QStringLiteral("an older mail")));
            QVERIFY(waitReadyAfterCopy(*w));
            clipboard->setText(mail);
            break;
        }
        QVERIFY(waitReadyAfterCopy(*w));
        ScriptedMessageBoxes boxes;
        QCOMPARE(clickDecrypt(*w, boxes), 0L);
        QCOMPARE(w->txbText->toPlainText(), QStringLiteral("See you at the station"));
        QVERIFY(!w->readyKey()->held());
    }

    // Nothing is derived ahead for what the click would not derive unasked, and a copied mail
    // leaves the wrap key made for the next encryption alone.
    void noDerivationAhead_data() {
        QTest::addColumn<bool>("decryptMode");
        QTest::addColumn<int>("workFactor");
        QTest::addColumn<bool>("block");
        QTest::newRow("work factor 19 on the clipboard") << true << 19 << true;
        QTest::newRow("work factor 20 on the clipboard") << true << 20 << true;
        QTest::newRow("work factor above the ceiling") << true << 40 << true;
        QTest::newRow("a mail without a block") << true << 0 << false;
        QTest::newRow("a mail too long to read ahead") << true << -1 << true;
        QTest::newRow("a mail copied in encrypt mode") << false << 0 << true;
    }
    void noDerivationAhead() {
        QFETCH(bool, decryptMode);
        QFETCH(int, workFactor);
        QFETCH(bool, block);
        auto w = startWithKeys();
        QVERIFY(waitReady(*w));
        w->optDecrypt->setChecked(decryptMode);
        QTest::qWait(50);
        QString mail = block ? mailFor(kFirst, QStringLiteral("costly"), qMax(0, workFactor))
                             : QStringLiteral("Dear Ann, ") + QString(400, u'x');
        if (workFactor < 0)
            mail.prepend(QString(frmMain::kMaxClipboardReadAhead, u'.'));
        const long before = Cipher::scryptRuns();
        QGuiApplication::clipboard()->setText(mail);
        QTest::qWait(4 * frmMain::kClipboardSettleMs);
        QVERIFY(!w->readyKey()->running());
        if (!decryptMode) {
            QVERIFY(w->readyKey()->held());
            QCOMPARE(clickEncrypt(*w).scryptRuns, 0L);
            return;
        }
        QVERIFY(!w->readyKey()->held());
        QCOMPARE(Cipher::scryptRuns() - before, 0L);
        ScriptedMessageBoxes boxes;
        if (workFactor < 0) {
            // The click itself still finds the block, and derives.
            QCOMPARE(clickDecrypt(*w, boxes), 1L);
            QCOMPARE(w->txbText->toPlainText(), QStringLiteral("costly"));
            return;
        }
        // The click asks first (No is its default) or refuses; it derives nothing either.
        QCOMPARE(clickDecrypt(*w, boxes), 0L);
        QVERIFY(!boxes.shown.isEmpty());
    }

    // Many clipboard changes a second, and clicks among them: never two derivations at once,
    // and the last mail's key is ready in the end.
    void hostileClipboardStream() {
        // Derivations that take a while, so that the stream lands on ones under way.
        Cipher::setWorkFactor(14);
        auto w = startWithKeys();
        w->optDecrypt->setChecked(true);
        QStringList mails;
        for (int i = 0; i < 4; ++i)
            mails << mailFor(kFirst, QStringLiteral("mail %1").arg(i));
        QTest::qWait(100);
        KeyDerivation::resetPeakRunning();
        ScriptedMessageBoxes boxes;
        for (int i = 0; i < 60; ++i) {
            QGuiApplication::clipboard()->setText(mails[i % mails.size()]);
            QTest::qWait(int(QRandomGenerator::global()->bounded(1, 90)));
            if (i % 20 == 10)
                w->cmdDecryptMessage_Click();
        }
        QGuiApplication::clipboard()->setText(mails[1]);
        QVERIFY(waitReadyAfterCopy(*w));
        Cipher::setWorkFactor(10);
        QCOMPARE(KeyDerivation::peakRunning(), 1);
        QCOMPARE(clickDecrypt(*w, boxes), 0L);
        QCOMPARE(w->txbText->toPlainText(), QStringLiteral("mail 1"));
    }
};

QTEST_MAIN(TestReadyKey)
#include "tst_readykey.moc"
