// SPDX-License-Identifier: GPL-3.0-or-later
// Key derivation as a hostile message meets it, driven through the main window: the work
// factor a received file may ask for, the memory check before every derivation, and the
// wait for the worker thread with its progress window.
#include "keys/keyfilefixture.h"
#include "keys/keylisttext.h"
#include "mainwindow/clickablelabel.h"
#include "message/keyderivation.h"
#include "selftest/frmtest.h"
#include "support/ansi.h"
#include "support/backgroundwait.h"
#include "support/systemmemory.h"

#include <QClipboard>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTimer>

using namespace Seams;
using namespace KeyfileFixture;

namespace {

const QString kEntry =
    QString::fromUtf8("ann@example.org «01.02.2024» correct horse battery staple");
const QString kMasterKey = QStringLiteral("Master key of the test, long enough");
const QString kText = QStringLiteral("The text that was sent");
constexpr qint64 kPlenty = qint64(64) << 30;

QString messageKey() {
    return KeyRules::ExtendedReducedKey(EncDecMsg::CurrentKey(kEntry));
}

// The cipher bytes with the work factor in their header replaced: the header MAC no longer
// matches, which only a derivation would find out.
QByteArray withWorkFactor(QByteArray bytes, const QByteArray& factor) {
    const qsizetype stanza = bytes.indexOf("-> scrypt ");
    const qsizetype lineEnd = bytes.indexOf('\n', stanza);
    const qsizetype space = bytes.lastIndexOf(' ', lineEnd);
    bytes.replace(space + 1, lineEnd - space - 1, factor);
    return bytes;
}

// Cipher bytes under key at the work factor named in the header: up to 20 a real file
// (cheap while the tests discount every derivation), above that a changed header.
QByteArray cipherAt(const QByteArray& plain, const QString& key, const QByteArray& factor) {
    const int n = factor.toInt();
    const bool real = QByteArray::number(n) == factor && n >= 1 && n <= Cipher::kMaxWorkFactor;
    Cipher::setWorkFactor(real ? n : 10);
    QByteArray cipher;
    const qint32 r = EncDecMsg::CipherBuffer(plain, cipher, key, true);
    Cipher::setWorkFactor(10);
    if (r <= 0)
        qFatal("cannot encrypt the test file");
    return real ? cipher : withWorkFactor(cipher, factor);
}

QString armour(const QByteArray& cipher) {
    QByteArray out(Cipher::kBufferSize, '\0');
    const int r = Cipher::cob(cipher.constData(), int(cipher.size()), out.data(), int(out.size()));
    return Ansi::fromAnsi(out.left(r));
}

QString messageAt(const QByteArray& factor) {
    return armour(cipherAt(EncDecMsg::BuildPackage(kText.toLatin1(), {}), messageKey(), factor));
}

QByteArray keyfileAt(const QByteArray& factor) {
    const QByteArray text = KeyListText::FormatKeyListText({{kEntry, 2460000}});
    return cipherAt(text, KeyRules::ExtendedReducedKey(kMasterKey), factor);
}

// What the user sees of the main window; a refused or cancelled command leaves it alone.
struct Seen {
    QString text;
    QStringList files;
    QStringList keys;
    int selected = -1;
    bool operator==(const Seen&) const = default;
};
Seen seen(const frmMain& w) {
    Seen s{w.txbText->toPlainText(), {}, entriesOf(w.cboKeys), w.cboKeys->currentIndex()};
    for (int i = 0; i < frmMain::kSlots; ++i)
        s.files << w.txbFile[i]->text() + QLatin1Char('|') + w.lblFilesize[i]->text();
    return s;
}

} // namespace

class TestKeyDerivation : public QObject {
    Q_OBJECT

    std::unique_ptr<DataFolder> data;

    // Decrypt mode, the message key selected, an earlier message in the window.
    std::unique_ptr<Main> readyToDecrypt() {
        auto w = start();
        CB_Man::InsertSorted(w->cboKeys, kEntry, 2451545);
        w->cboKeys->setCurrentIndex(0);
        w->optDecrypt->setChecked(true);
        w->showDecryptedText(QStringLiteral("earlier message"));
        w->showReceivedFile(0, QStringLiteral("earlier.txt"), 12);
        return w;
    }

    static void addWorkFactorRows() {
        QTest::addColumn<QByteArray>("factor");
        QTest::addColumn<int>("answer"); // 0: no question expected
        QTest::addColumn<bool>("derived");
        QTest::newRow("10, below the written one") << QByteArray("10") << 0 << true;
        QTest::newRow("18") << QByteArray("18") << 0 << true;
        QTest::newRow("19, No") << QByteArray("19") << int(Answer::No) << false;
        QTest::newRow("19, Yes") << QByteArray("19") << int(Answer::Yes) << true;
        QTest::newRow("20, No") << QByteArray("20") << int(Answer::No) << false;
        QTest::newRow("20, Yes") << QByteArray("20") << int(Answer::Yes) << true;
        QTest::newRow("21") << QByteArray("21") << 0 << false;
        QTest::newRow("22") << QByteArray("22") << 0 << false;
        QTest::newRow("30") << QByteArray("30") << 0 << false;
        QTest::newRow("a hundred digits") << QByteArray("9").repeated(100) << 0 << false;
    }

    // The refusal of a work factor above the ceiling, as the text table words it.
    static QString refusal(const QString& factor) {
        return GetText(570) + CRLF + CRLF + GetText(571) + " " + factor + CRLF + GetText(572) +
               " 20";
    }

    static QString mib(qint64 bytes) {
        return QLocale().toString((bytes + (1 << 20) - 1) >> 20) + " MiB";
    }

    static void checkQuestion(const MessageBoxRequest& box, int prompt, int factor) {
        QVERIFY(box.prompt.startsWith(GetText(prompt)));
        QVERIFY(box.prompt.contains(QLocale().toString(qint64(Cipher::scryptMemory(factor) >> 20)) +
                                    " MiB"));
        QCOMPARE(box.buttons, Buttons::YesNo);
        QCOMPARE(box.defaultButton, 2); // No
        QCOMPARE(box.title, GetText(579));
    }

private slots:
    void initTestCase() {
        DataFolder::initTestCase();
        QVERIFY(Cipher::alb() != 0);
        Cipher::setWorkFactor(10);
    }

    void init() {
        data = std::make_unique<DataFolder>();
        // Files that name 18 to 20 cost what 10 to 12 would.
        Cipher::setDerivationDiscountForTests(8);
        SystemMemory::setAvailableForTests(kPlenty);
        QGuiApplication::clipboard()->clear();
    }

    void cleanup() {
        Cipher::setDerivationDiscountForTests(0);
        SystemMemory::setAvailableForTests(std::nullopt);
        KeyDerivation::releaseGate();
        BackgroundWait::setProgressDelay(BackgroundWait::kProgressDelay);
        data.reset();
    }

    // ---- the work factor a received file asks for ---------------------------------------

    void receivedMessageWorkFactor_data() {
        addWorkFactorRows();
        QTest::newRow("leading zero: a damaged header") << QByteArray("018") << 0 << false;
    }
    void receivedMessageWorkFactor() {
        QFETCH(QByteArray, factor);
        QFETCH(int, answer);
        QFETCH(bool, derived);
        auto w = readyToDecrypt();
        QGuiApplication::clipboard()->setText(messageAt(factor));
        const Seen before = seen(*w);
        ScriptedMessageBoxes boxes;
        if (answer)
            boxes.answer(Answer(answer));
        const long runs = Cipher::scryptRuns();

        QTest::mouseClick(w->cmdDecryptMessage, Qt::LeftButton);

        QCOMPARE(Cipher::scryptRuns() - runs, derived ? 1L : 0L);
        QList<MessageBoxRequest> shown = boxes.shown;
        if (answer) {
            QVERIFY(!shown.isEmpty());
            checkQuestion(shown.takeFirst(), 573, factor.toInt());
        }
        if (derived) {
            QCOMPARE(shown.size(), 1);
            QCOMPARE(shown[0].prompt, GetText(53));
            QCOMPARE(w->txbText->toPlainText(), kText);
            return;
        }
        QVERIFY(seen(*w) == before);
        const int n = factor.toInt();
        if (answer) {
            QVERIFY(shown.isEmpty()); // No is an answer, not a failure
            return;
        }
        QCOMPARE(shown.size(), 1);
        if (!factor.startsWith('0'))
            QCOMPARE(shown[0].prompt, refusal(factor.size() > 2 ? "99+" : QString::number(n)));
        else
            QCOMPARE(shown[0].prompt, GetText(530));
    }

    void keyfileWorkFactor_data() { addWorkFactorRows(); }
    void keyfileWorkFactor() {
        QFETCH(QByteArray, factor);
        QFETCH(int, answer);
        QFETCH(bool, derived);
        auto w = start(); // without a keyfile yet: start-up would ask for the master key
        QVERIFY(writeFile(data->keyfile(), keyfileAt(factor)));
        ScriptedModals modals;
        typeMasterKey(modals, kMasterKey);
        ScriptedMessageBoxes boxes;
        if (answer)
            boxes.answer(Answer(answer));
        const long runs = Cipher::scryptRuns();

        QTest::mouseClick(w->cmdDecryptStoredKeys, Qt::LeftButton);

        QCOMPARE(Cipher::scryptRuns() - runs, derived ? 1L : 0L);
        QList<MessageBoxRequest> shown = boxes.shown;
        if (answer) {
            QVERIFY(!shown.isEmpty());
            checkQuestion(shown.takeFirst(), 574, factor.toInt());
        }
        if (derived) {
            QCOMPARE(entriesOf(w->cboKeys), QStringList{kEntry});
            QCOMPARE(shown.size(), 1);
            QVERIFY(shown[0].prompt.startsWith(GetText(73)));
            return;
        }
        QCOMPARE(w->cboKeys->count(), 0);
        if (answer) {
            QVERIFY(shown.isEmpty());
            return;
        }
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].prompt, GetText(71) + "  " + GetText(78) + CRLF + GetText(72));
    }

    // ---- memory -------------------------------------------------------------------------

    void memoryIsCheckedBeforeEveryDerivation_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("text");
        QTest::addColumn<qint64>("shortBy");
        for (const qint64 by : {qint64(1), qint64(0)}) {
            const char* enough = by ? "short by a byte" : "just enough";
            QTest::addRow("decrypt, %s", enough) << "decrypt" << 156 << by;
            QTest::addRow("encrypt, %s", enough) << "encrypt" << 356 << by;
            QTest::addRow("store keys, %s", enough) << "store" << 581 << by;
            QTest::addRow("get keys, %s", enough) << "get" << 582 << by;
        }
    }
    void memoryIsCheckedBeforeEveryDerivation() {
        QFETCH(QString, command);
        QFETCH(int, text);
        QFETCH(qint64, shortBy);
        // Every file here names work factor 10.
        const KeyDerivation::Memory need = KeyDerivation::checkMemory(10);
        QVERIFY(need.needed > 128 * 8 * 1024);
        const QString message = messageAt("10");
        auto w = readyToDecrypt();
        if (command == "get")
            QVERIFY(writeFile(data->keyfile(), keyfileAt("10")));
        if (command == "encrypt") {
            w->optEncrypt->setChecked(true);
            w->txbText->setPlainText(kText);
        }
        if (command == "get") {
            w->cboKeys->clear();
            w->showDecryptedText(QString());
        }
        // No key selected: no wrap key is derived ahead for the mail beside the store.
        if (command == "store")
            w->cboKeys->setCurrentIndex(-1);
        QGuiApplication::clipboard()->setText(message);
        const Seen before = seen(*w);
        const QString clipboardBefore = QGuiApplication::clipboard()->text();
        ScriptedModals modals;
        typeMasterKey(modals, kMasterKey);
        ScriptedMessageBoxes boxes;
        SystemMemory::setAvailableForTests(need.needed - shortBy);
        const long runs = Cipher::scryptRuns();

        QPushButton* button = command == "decrypt"   ? w->cmdDecryptMessage
                              : command == "encrypt" ? w->cmdEncryptMessage
                              : command == "store"   ? w->cmdEncryptStoredKeys
                                                     : w->cmdDecryptStoredKeys;
        QTest::mouseClick(button, Qt::LeftButton);

        QCOMPARE(Cipher::scryptRuns() - runs, shortBy ? 0L : 1L);
        if (!shortBy)
            return;
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].prompt, GetText(text) + CRLF + CRLF + GetText(575) + " " +
                                            mib(need.needed) + CRLF + GetText(580) + " " +
                                            mib(need.needed - shortBy));
        QCOMPARE(boxes.shown[0].icon, Icon::Exclamation);
        QVERIFY(seen(*w) == before);
        QCOMPARE(QGuiApplication::clipboard()->text(), clipboardBefore);
        QVERIFY(!QFile::exists(data->keyfile()) || command == "get");
    }

    // ---- the wait -----------------------------------------------------------------------

    // Cancel in the progress window: the window keeps painting and ticking meanwhile, holds
    // back input, and afterwards nothing has changed and nothing is reported, even once
    // the derivation has ended behind the scenes.
    void cancelLeavesEverythingAsItWas() {
        auto w = readyToDecrypt();
        QGuiApplication::clipboard()->setText(messageAt("10"));
        const Seen before = seen(*w);
        KeyDerivation::holdGate();
        BackgroundWait::setProgressDelay(100);
        ScriptedMessageBoxes boxes;
        ScriptedModals modals;
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(20);
        QString caption;
        bool ticking = false;
        modals.onProgress = [&](QDialog* d) {
            caption = d->windowTitle();
            QVERIFY(d->findChild<QProgressBar*>("prgBusy"));
            // Input to the main window is held back: the mode stays.
            QTest::mouseClick(w->optEncrypt, Qt::LeftButton);
            const int at = ticks;
            ticking = QTest::qWaitFor([&] { return ticks - at >= 5; }, 30000);
            auto* cancel = d->findChild<QPushButton*>("cmdCancel");
            QVERIFY(cancel);
            QCOMPARE(cancel->text(), QStringLiteral("Cancel"));
            QTest::mouseClick(cancel, Qt::LeftButton);
        };

        QTest::mouseClick(w->cmdDecryptMessage, Qt::LeftButton);

        // Cancel did not wait for the derivation: it still waits at the gate.
        QCOMPARE(KeyDerivation::waitingAtGate(), 1);
        QCOMPARE(modals.progressShown, 1);
        QCOMPARE(caption,
                 QStringLiteral("Copy message from clipboard and decrypt using current key"));
        QVERIFY(ticking);
        QVERIFY(w->optDecrypt->isChecked());
        QVERIFY(boxes.shown.isEmpty());
        QVERIFY(seen(*w) == before);
        const long runs = Cipher::scryptRuns();
        KeyDerivation::releaseGate();
        QVERIFY(QTest::qWaitFor([&] { return Cipher::scryptRuns() > runs; }, 30000));
        QTest::qWait(50);
        QVERIFY(seen(*w) == before);
        QVERIFY(boxes.shown.isEmpty());
    }

    // Waiting it out: the progress window goes away by itself and the command completes.
    void aLongWaitEndsByItself() {
        auto w = readyToDecrypt();
        w->optEncrypt->setChecked(true);
        w->txbText->setPlainText(kText);
        KeyDerivation::holdGate();
        BackgroundWait::setProgressDelay(100);
        ScriptedMessageBoxes boxes;
        ScriptedModals modals;
        modals.onProgress = [](QDialog*) { KeyDerivation::releaseGate(); };

        QTest::mouseClick(w->cmdEncryptMessage, Qt::LeftButton);

        QCOMPARE(modals.progressShown, 1);
        QCOMPARE(boxes.shown.size(), 2); // encrypted, then on the clipboard
        QVERIFY(QGuiApplication::clipboard()->text().startsWith("TessamailMessageBegin"));
    }

    // Closing the main window in the middle cancels the wait; the close then runs its usual
    // course, so the unsaved key list is offered for storing and nothing is lost.
    void closingDuringADerivation() {
        auto w = readyToDecrypt();
        w->blnKeyListNotStored = true;
        QGuiApplication::clipboard()->setText(messageAt("10"));
        const Seen before = seen(*w);
        KeyDerivation::holdGate();
        BackgroundWait::setProgressDelay(100);
        ScriptedMessageBoxes boxes;
        boxes.answer(Answer::Cancel); // to "store the key list first?"
        ScriptedModals modals;
        modals.onProgress = [&](QDialog*) { w->close(); };

        QTest::mouseClick(w->cmdDecryptMessage, Qt::LeftButton);
        QTRY_COMPARE(boxes.shown.size(), 1);

        QVERIFY(boxes.shown[0].prompt.startsWith(GetText(89)));
        QVERIFY(w->isVisible());
        QVERIFY(!w->hasEnded());
        QVERIFY(seen(*w) == before);

        // And once more, this time let it end.
        boxes.answer(Answer::No);
        modals.onProgress = [&](QDialog*) { w->close(); };
        QTest::mouseClick(w->cmdDecryptMessage, Qt::LeftButton);
        QTRY_VERIFY(w->hasEnded());
        QVERIFY(!w->isVisible());
    }

    // The self-test shows its own progress: no progress window, and its Stop is taken
    // while a key is being derived.
    void selfTestStopWorksDuringADerivation() {
        auto w = start();
        KeyDerivation::holdGate();
        frmTest::setPauses(0, 0);
        ScriptedMessageBoxes boxes;
        ScriptedModals modals;
        bool stoppedInTime = false;
        modals.script([&](QDialog* d) {
            auto* t = qobject_cast<frmTest*>(d);
            QVERIFY(t);
            t->chkRunWithoutPause->setChecked(true);
            // Polled rather than waited for: the rounds let events through while they work.
            auto* poll = new QTimer(t);
            connect(poll, &QTimer::timeout, t, [&, t, poll] {
                if (KeyDerivation::waitingAtGate() != 1)
                    return;
                poll->stop();
                poll->deleteLater();
                // A derivation is under way; the click must be taken now.
                stoppedInTime = t->running();
                QTest::mouseClick(t->cmdStartStop, Qt::LeftButton);
                stoppedInTime = stoppedInTime && t->blnStopTest;
                KeyDerivation::releaseGate();
            });
            poll->start(5);
            QTest::mouseClick(t->cmdStartStop, Qt::LeftButton);
            QVERIFY(!t->running());
            QCOMPARE(t->lngRoundNum, 1);
        });
        QTest::mouseClick(w->lblTextbox, Qt::LeftButton);
        frmTest::resetPauses();
        QVERIFY(stoppedInTime);
        QCOMPARE(modals.progressShown, 0);
    }
};

QTEST_MAIN(TestKeyDerivation)
#include "tst_keyderivation.moc"
