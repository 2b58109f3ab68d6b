// The wrap key derived ahead of the Encrypt click: every file still gets a salt of its own,
// a click with the key ready derives nothing, a change of key, key list or mode drops it,
// and no more than one derivation runs in the background.
#include "keys/keyfilefixture.h"
#include "message/keyderivation.h"
#include "message/readykey.h"
#include "support/ansi.h"

#include <QClipboard>
#include <QPlainTextEdit>
#include <QRadioButton>
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

bool waitReady(Main& w) {
    return QTest::qWaitFor([&] { return w.readyKey()->held() && !w.readyKey()->running(); }, 5000);
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
        KeyDerivation::setTestDelay(0);
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
        KeyDerivation::setTestDelay(300);
        auto w = startWithKeys();
        QVERIFY(QTest::qWaitFor([&] { return w->readyKey()->running(); }, 5000));
        const Encrypted e = clickEncrypt(*w);
        QCOMPARE(e.scryptRuns, 1L);
        QCOMPARE(decrypted(e.cipher, kFirst), QStringLiteral("Meet at noon"));
    }

    // Switching keys while a derivation runs starts nothing beside it: only the last
    // request starts, once the one under way has ended.
    void oneDerivationAtATime() {
        KeyDerivation::setTestDelay(1000);
        auto w = startWithKeys();
        QVERIFY(QTest::qWaitFor([&] { return w->readyKey()->running(); }, 5000));
        const long before = Cipher::scryptRuns();
        for (int i = 0; i < 20; ++i) {
            w->cboKeys->setCurrentIndex(w->cboKeys->findText(i % 2 ? kFirst : kSecond));
            QTest::qWait(5);
            QVERIFY(w->readyKey()->running());
        }
        QVERIFY(waitReady(*w));
        QTest::qWait(200); // room for a derivation that should not have started
        QCOMPARE(Cipher::scryptRuns() - before, 2L);
        QCOMPARE(w->selectedKeyEntry(), kFirst);
        KeyDerivation::setTestDelay(0);
        const Encrypted e = clickEncrypt(*w);
        QCOMPARE(e.scryptRuns, 0L);
        QCOMPARE(decrypted(e.cipher, kFirst), QStringLiteral("Meet at noon"));
    }
};

QTEST_MAIN(TestReadyKey)
#include "tst_readykey.moc"
