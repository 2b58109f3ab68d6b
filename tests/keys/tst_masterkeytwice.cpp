// SPDX-License-Identifier: GPL-3.0-or-later
// A keyfile is never written under a master key typed only once unless that key opened it
// before: a new keyfile, another path or a changed master key asks for the key a second time,
// and a mismatch stores nothing.
#include "keys/keyfilefixture.h"
#include "keys/keyfrom.h"

#include <QLabel>

using namespace Seams;
using namespace KeyfileFixture;
using TestSupport::TestMain;

namespace {

const QString kMasterKey = QStringLiteral("my secret master key 2024");
const QString kEntry = QString::fromUtf8("ann \u00AB\u00BB a key of sixteen or more");

// What the second master-key dialog offered, and how it was answered.
struct Again {
    bool shown = false;
    QString offered;
    QString prompt;
    QString label;
};

// Answers a repeated master key with typed (accepting), or declines it when typed is empty.
void answerAgain(ScriptedModals& modals, const QString& typed, std::shared_ptr<Again> again) {
    modals.script([=](QDialog* d) {
        auto* dialog = qobject_cast<frmKeyboardWithDisplay*>(d);
        QVERIFY(dialog);
        QVERIFY(dialog->blnEncryptingKeyList);
        QVERIFY(dialog->blnConfirmingMasterKey);
        again->shown = true;
        again->offered = dialog->txbKey->text();
        QTest::keyClicks(dialog->txbKey, typed);
        again->prompt = dialog->lblEntertheKey->text();
        again->label = dialog->lblTarget->text();
        (typed.isEmpty() ? dialog->cmdCancel : dialog->cmdYes)->click();
    });
}

void yesToEveryQuestion(ScriptedMessageBoxes& boxes) {
    for (int i = 0; i < 4; ++i)
        boxes.answer(Answer::Yes);
}

} // namespace

class TestMasterKeyTwice : public QObject {
    Q_OBJECT
    std::unique_ptr<DataFolder> data;

private slots:
    void initTestCase() { DataFolder::initTestCase(true); }
    void init() { data = std::make_unique<DataFolder>(); }
    void cleanup() { data.reset(); }

    void newKeyfile_data() {
        QTest::addColumn<QString>("second"); // empty: the second dialog is cancelled
        QTest::addColumn<bool>("stored");
        QTest::newRow("typed the same") << kMasterKey << true;
        // Spaces and case do not count: the keyfile opens under either.
        QTest::newRow("same key, other spacing") << kMasterKey.toUpper().remove(' ') << true;
        QTest::newRow("one character off") << kMasterKey.left(kMasterKey.size() - 1) + "5" << false;
        QTest::newRow("second dialog cancelled") << QString() << false;
    }
    void newKeyfile() {
        QFETCH(QString, second);
        QFETCH(bool, stored);
        auto w = start();
        addEntries(w.get(), {kEntry});
        ScriptedModals modals;
        ScriptedMessageBoxes boxes;
        yesToEveryQuestion(boxes);
        typeMasterKey(modals, kMasterKey, {}, false, true, false);
        auto again = std::make_shared<Again>();
        answerAgain(modals, second, again);

        w->StoreKeyList();

        QVERIFY(again->shown);
        QCOMPARE(again->offered, QString()); // nothing filled in the second time
        QVERIFY(again->prompt.startsWith(GetText(527)));
        QCOMPARE(again->label, GetText(528));
        QCOMPARE(QFileInfo::exists(data->keyfile()), stored);
        QCOMPARE(w->blnKeyListNotStored, !stored);
        if (stored) {
            QVERIFY(!decryptKeyfile(data->keyfile(), kMasterKey).isEmpty());
        } else if (!second.isEmpty()) {
            QCOMPARE(boxes.shown.size(), 1);
            QCOMPARE(boxes.shown[0].prompt, GetText(529));
            QCOMPARE(boxes.shown[0].icon, Icon::Exclamation);
            // Neither typing is offered next time.
            QCOMPARE(frmKeyFrom::instance().strMasterKeyAsInput, QString());
        } else {
            QCOMPARE(boxes.shown.size(), 0);
        }
    }

    // Once a keyfile was opened (read or stored) under a master key, storing there under the
    // same key asks once; another key or another path asks twice.
    void whenToAskAgain_data() {
        QTest::addColumn<bool>("openedByGet");
        QTest::addColumn<QString>("storeKey");
        QTest::addColumn<bool>("otherPath");
        QTest::addColumn<bool>("asksAgain");
        const QString changed = QStringLiteral("a changed master key, long");
        QTest::newRow("stored before, same key") << false << kMasterKey << false << false;
        QTest::newRow("read before, same key") << true << kMasterKey << false << false;
        QTest::newRow("read before, changed key") << true << changed << false << true;
        QTest::newRow("stored before, another path") << false << kMasterKey << true << true;
    }
    void whenToAskAgain() {
        QFETCH(bool, openedByGet);
        QFETCH(QString, storeKey);
        QFETCH(bool, otherPath);
        QFETCH(bool, asksAgain);
        auto w = start();
        addEntries(w.get(), {kEntry});
        {
            ScriptedModals modals;
            ScriptedMessageBoxes boxes;
            yesToEveryQuestion(boxes);
            typeMasterKey(modals, kMasterKey); // typed twice: a new keyfile
            w->StoreKeyList();
            QCOMPARE(modals.answeredByNext, 1);
        }
        if (openedByGet) {
            // A new start, as the user's next day begins; the keyfile is read by hand below.
            w.reset();
            w = TestSupport::startMain([](TestMain& m) { m.countKeyfileCommands = true; });
            w->countKeyfileCommands = false;
            w->blnKeyfilePathShown = true;
            ScriptedModals modals;
            ScriptedMessageBoxes boxes;
            typeMasterKey(modals, kMasterKey);
            w->GetKeyList();
            QCOMPARE(w->cboKeys->count(), 1);
            w->blnKeyListNotStored = true;
        }
        if (otherPath)
            w->strStoredKeysFile = data->path(QStringLiteral("elsewhere.dat"));

        ScriptedModals modals;
        ScriptedMessageBoxes boxes;
        yesToEveryQuestion(boxes);
        typeMasterKey(modals, storeKey);
        w->StoreKeyList();
        QCOMPARE(modals.shown.size(), 1);
        QCOMPARE(modals.answeredByNext, asksAgain ? 1 : 0);
        QVERIFY(!decryptKeyfile(w->strStoredKeysFile, storeKey).isEmpty());
    }
};

QTEST_MAIN(TestMasterKeyTwice)
#include "tst_masterkeytwice.moc"
