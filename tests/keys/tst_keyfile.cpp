// SPDX-License-Identifier: GPL-3.0-or-later
// Storing the key list in the keyfile and getting it back, through the main window's
// commands as a user runs them: the confirmations, the master-key dialog, the reports and
// every failure, with the real cipher underneath.
#include "keys/keyfilefixture.h"
#include "keys/keyfrom.h"
#include "keys/keylisttext.h"
#include "message/encdecmsg.h"
#include "support/fileproc.h"

using namespace Seams;
using namespace KeyfileFixture;
using TestSupport::FileSizeLimit;

namespace {

const QString kMasterKey = QStringLiteral("my secret master key 2024");

// count entries whose records (entry, TAB, 7-digit date, TAB) add up to exactly textSize
// bytes.
QStringList entriesOfSize(int count, qsizetype textSize) {
    const qsizetype entryBytes = textSize - qsizetype(count) * 9;
    const qsizetype each = entryBytes / count;
    const qsizetype longer = entryBytes % count;
    QStringList entries;
    for (int i = 0; i < count; ++i) {
        QString e = QStringLiteral("friend%1@example.org \u00AB2024-01-01\u00BB ")
                        .arg(i, 4, 10, QChar('0'));
        e += QString(each + (i < longer ? 1 : 0) - e.size(), QChar('k'));
        entries << e;
    }
    return entries;
}

QStringList numberedEntries(int count, int keyLength) {
    QStringList entries;
    for (int i = 0; i < count; ++i)
        entries << QStringLiteral("person%1@example.org \u00AB2024-0%2-1%3\u00BB ")
                           .arg(i)
                           .arg(1 + i % 9)
                           .arg(i % 10) +
                       QString(keyLength, QChar('a' + i % 26));
    return entries;
}

QByteArray keyListText(const QStringList& entries, const QList<qint32>& dates) {
    QByteArray text;
    for (int i = 0; i < entries.size(); ++i)
        text += entries[i].toLatin1() + '\t' + QByteArray::number(dates[i]) + '\t';
    return text;
}

} // namespace

class TestKeyfile : public QObject {
    Q_OBJECT

    std::unique_ptr<DataFolder> data;

    // Stores the list of w under kMasterKey, answering every question with Yes.
    void store(frmMain* w, ScriptedModals& modals) {
        ScriptedMessageBoxes boxes;
        typeMasterKey(modals, kMasterKey);
        w->cmdEncryptStoredKeys->click();
        QVERIFY(QFileInfo::exists(data->keyfile()));
        QVERIFY(!w->blnKeyListNotStored);
    }

private slots:
    void initTestCase() { DataFolder::initTestCase(); }
    void init() { data = std::make_unique<DataFolder>(); }
    void cleanup() { data.reset(); }

    // ---- the main paths -----------------------------------------------------------------

    void storeAndGetBack_data() {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("storeReport");
        QTest::addColumn<QString>("getReport");
        QTest::addColumn<bool>("atSizeLimit");
        const QString tail = CRLF + CRLF + GetText(371);
        // The report follows the store, so it speaks in the past tense.
        const QString stored = QStringLiteral("keys have been stored in the keyfile.");
        QTest::newRow("one entry") << QStringList{"ann@example.org \u00AB2007-03-09\u00BB tall "
                                                  "trees whisper softly"}
                                   << QString("1 key has been stored in the keyfile.")
                                   << GetText(73) + tail << false;
        QTest::newRow("twelve entries") << numberedEntries(12, 20) << " 12 " + stored
                                        << " 12 " + GetText(74) + tail << false;
        QTest::newRow("1,000 entries of about 60 characters")
            << numberedEntries(1000, 24) << " 1000 " + stored << " 1000 " + GetText(74) + tail
            << false;
        QTest::newRow("as large as a keyfile holds")
            << entriesOfSize(2000, KeyListText::kMaxTextSize) << " 2000 " + stored
            << " 2000 " + GetText(74) + tail << true;
    }
    void storeAndGetBack() {
        QFETCH(QStringList, entries);
        QFETCH(QString, storeReport);
        QFETCH(QString, getReport);
        QFETCH(bool, atSizeLimit);
        auto w = start();
        addEntries(w.get(), entries);
        const QStringList listed = entriesOf(w->cboKeys);
        const QList<qint32> dates = datesOf(w->cboKeys);

        ScriptedMessageBoxes boxes;
        ScriptedModals modals;
        auto prompt = std::make_shared<MasterKeyPrompt>();
        typeMasterKey(modals, kMasterKey, prompt);
        w->cmdEncryptStoredKeys->click();

        QVERIFY(prompt->seen && prompt->encrypting);
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].prompt, storeReport);
        QCOMPARE(boxes.shown[0].icon, Icon::None);
        QCOMPARE(boxes.shown[0].title, QString("Encrypt keys and store"));
        QVERIFY(!w->blnKeyListNotStored);
        // The file is the cipher's output and nothing else: it decrypts whole to the records.
        const QByteArray text = decryptKeyfile(data->keyfile(), kMasterKey);
        QCOMPARE(text, keyListText(listed, dates));
        if (entries.size() == 1)
            QCOMPARE(text, entries[0].toLatin1() + "\t2454169\t");
        if (atSizeLimit)
            QCOMPARE(text.size(), KeyListText::kMaxTextSize);

        // Back into a list that has changed meanwhile, with the master key typed in other
        // spaces and letter case.
        w->cboKeys->clear();
        addEntries(w.get(), {"bob \u00AB\u00BB another key of sixteen"});
        w->cboKeys->setCurrentIndex(0);
        boxes.shown.clear();
        typeMasterKey(modals, "MySecret MasterKey2024  ", prompt);
        w->cmdDecryptStoredKeys->click();

        QCOMPARE(prompt->offered, kMasterKey); // the last master key, ready to confirm
        QVERIFY(!prompt->encrypting);
        QCOMPARE(boxes.shown.size(), 2);
        QCOMPARE(boxes.shown[0].prompt, GetText(70) + CRLF +
                                            QDir::toNativeSeparators(data->keyfile()) + CRLF +
                                            GetText(67));
        QCOMPARE(boxes.shown[1].prompt, getReport);
        QCOMPARE(boxes.shown[1].icon, Icon::None);
        QCOMPARE(boxes.shown[1].title, QString("Get keys and decrypt"));
        QCOMPARE(entriesOf(w->cboKeys), listed);
        QCOMPARE(datesOf(w->cboKeys), dates);
        QCOMPARE(w->cboKeys->currentIndex(), -1);
        QVERIFY(w->cboKeys->isEnabled());
        QCOMPARE(CB_Man::deletedCount(), 0);
        QVERIFY(!w->blnKeyListNotStored);
        QCOMPARE(w->focusWidget(), w->cboKeys);
    }

    void tooLargeListIsRefusedBeforeAnything() {
        auto w = start(false);
        addEntries(w.get(), entriesOfSize(2000, KeyListText::kMaxTextSize + 1));
        ScriptedMessageBoxes boxes;
        ScriptedModals modals;
        w->cmdEncryptStoredKeys->click();
        QVERIFY(modals.shown.isEmpty()); // neither path nor master key asked for
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY(boxes.shown[0].prompt.startsWith(GetText(451) + CRLF + CRLF + GetText(452) + ' ' +
                                                 FileProc::SizeText(152577, false)));
        QVERIFY(boxes.shown[0].prompt.endsWith(CRLF + CRLF + GetText(454)));
        QCOMPARE(boxes.shown[0].icon, Icon::Exclamation);
        QCOMPARE(boxes.shown[0].title, GetText(13));
        QVERIFY(!QFileInfo::exists(data->keyfile()));
        QVERIFY(w->blnKeyListNotStored);
    }

    // ---- getting fails: the list stays as it was --------------------------------------

    void wrongMasterKeyChangesNothing() {
        auto w = start();
        ScriptedModals modals;
        addEntries(w.get(), numberedEntries(2, 20));
        store(w.get(), modals);
        addEntries(w.get(), {"carl \u00AB\u00BB yet another key here"});
        w->cboKeys->setCurrentIndex(1);
        const QStringList before = entriesOf(w->cboKeys);

        ScriptedMessageBoxes boxes;
        typeMasterKey(modals, "not my master key at all");
        w->cmdDecryptStoredKeys->click();
        QCOMPARE(boxes.shown.size(), 2); // replace the list?, then the failure
        QCOMPARE(boxes.shown[1].prompt, GetText(71) + "  " + GetText(77) + CRLF + GetText(72));
        QCOMPARE(boxes.shown[1].icon, Icon::Exclamation);
        QCOMPARE(boxes.shown[1].title, GetText(13));
        QCOMPARE(entriesOf(w->cboKeys), before);
        QCOMPARE(w->cboKeys->currentIndex(), 1);
        QVERIFY(w->blnKeyListNotStored);
        // Offered again next time, so a typing slip is quickly mended.
        QCOMPARE(frmKeyFrom::instance().strMasterKeyAsInput, QString("not my master key at all"));
    }

    void unreadableKeyfile_data() {
        QTest::addColumn<int>("damage");
        QTest::addColumn<QString>("message");
        const QString failed = GetText(71) + "  ";
        const QString unchanged = CRLF + GetText(72);
        QTest::newRow("not an age file") << 0 << failed + GetText(75) + unchanged;
        QTest::newRow("header MAC changed") << 1 << failed + GetText(75) + unchanged;
        QTest::newRow("payload changed") << 2 << failed + GetText(76) + unchanged;
        QTest::newRow("truncated") << 3 << failed + GetText(76) + unchanged;
        QTest::newRow("far too large") << 4 << failed + GetText(78) + unchanged;
        QTest::newRow("decrypts, but no key list") << 5 << GetText(450) + unchanged;
        QTest::newRow("decrypts to nothing") << 6 << GetText(450) + unchanged;
    }
    void unreadableKeyfile() {
        QFETCH(int, damage);
        auto w = start();
        ScriptedModals modals;
        addEntries(w.get(), numberedEntries(3, 20));
        store(w.get(), modals);
        w->cboKeys->setCurrentIndex(2);
        const QStringList before = entriesOf(w->cboKeys);

        QByteArray file = readAll(data->keyfile());
        const QString cipherKey = KeyRules::ExtendedReducedKey(kMasterKey);
        switch (damage) {
        case 0:
            file = "This is a letter, not a keyfile.\n";
            break;
        case 1:
            file[file.indexOf("\n---") + 6] ^= 1;
            break;
        case 2:
            file[file.size() - 20] ^= 1;
            break;
        case 3:
            file.chop(10);
            break;
        case 4:
            file = QByteArray(2 * Cipher::kBufferSize + 1, 'x');
            break;
        case 5:
            QVERIFY(EncDecMsg::CipherBuffer("a key entry without its date", file, cipherKey, true) >
                    0);
            break;
        case 6:
            QVERIFY(EncDecMsg::CipherBuffer(QByteArray(""), file, cipherKey, true) > 0);
            break;
        }
        QVERIFY(writeFile(data->keyfile(), file));

        ScriptedMessageBoxes boxes;
        typeMasterKey(modals, kMasterKey);
        w->cmdDecryptStoredKeys->click();
        QCOMPARE(boxes.shown.size(), 2);
        QTEST(boxes.shown[1].prompt, "message");
        QCOMPARE(boxes.shown[1].icon, Icon::Exclamation);
        QCOMPARE(boxes.shown[1].title, GetText(13));
        QCOMPARE(entriesOf(w->cboKeys), before);
        QCOMPARE(w->cboKeys->currentIndex(), 2);
        QVERIFY(!w->blnKeyListNotStored);
    }

    void getWithoutKeyfile() {
        auto w = start();
        ScriptedMessageBoxes boxes;
        ScriptedModals modals;
        w->cmdDecryptStoredKeys->click();
        QVERIFY(modals.shown.isEmpty());
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].prompt, GetText(353) + CRLF +
                                            QDir::toNativeSeparators(data->keyfile()) + CRLF +
                                            GetText(354));
        QCOMPARE(boxes.shown[0].icon, Icon::Information);
        QCOMPARE(boxes.shown[0].title, GetText(355));
        QCOMPARE(w->focusWidget(), w->cmdAddKey);
    }

    void getDeclinedOverCurrentList() {
        auto w = start();
        ScriptedModals modals;
        addEntries(w.get(), numberedEntries(2, 20));
        store(w.get(), modals);
        w->cboKeys->removeItem(0);
        ScriptedMessageBoxes boxes;
        boxes.answer(Answer::No);
        w->cmdDecryptStoredKeys->click();
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].buttons, Buttons::YesNo);
        QCOMPARE(modals.shown.size(), 1); // only the store's master key
        QCOMPARE(w->cboKeys->count(), 1);
    }

    // ---- storing: questions and failures ------------------------------------------------

    void emptyListIsNotStored() {
        auto w = start(false);
        ScriptedMessageBoxes boxes;
        ScriptedModals modals;
        w->cmdEncryptStoredKeys->click();
        QVERIFY(modals.shown.isEmpty());
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].prompt, GetText(63));
        QCOMPARE(boxes.shown[0].icon, Icon::Exclamation);
        QCOMPARE(boxes.shown[0].title, GetText(64));
        QCOMPARE(w->focusWidget(), w->cmdAddKey);
        QVERIFY(!QFileInfo::exists(data->keyfile()));
    }

    void overwriteQuestions_data() {
        QTest::addColumn<QList<Answer>>("answers");
        QTest::addColumn<bool>("stored");
        QTest::newRow("No to the first") << QList<Answer>{Answer::No} << false;
        QTest::newRow("No to the second") << QList<Answer>{Answer::Yes, Answer::No} << false;
        QTest::newRow("Yes to both") << QList<Answer>{Answer::Yes, Answer::Yes} << true;
    }
    void overwriteQuestions() {
        QFETCH(QList<Answer>, answers);
        QFETCH(bool, stored);
        auto w = start();
        ScriptedModals modals;
        addEntries(w.get(), numberedEntries(1, 20));
        store(w.get(), modals);
        const QByteArray old = readAll(data->keyfile());
        addEntries(w.get(), {"dora \u00AB\u00BB the fourth key is here"});

        ScriptedMessageBoxes boxes;
        for (Answer a : answers)
            boxes.answer(a);
        if (stored)
            typeMasterKey(modals, kMasterKey);
        w->cmdEncryptStoredKeys->click();

        const QString title = "Encrypt keys and store";
        QCOMPARE(boxes.shown[0].prompt, GetText(65) + CRLF +
                                            QDir::toNativeSeparators(data->keyfile()) + ' ' +
                                            GetText(66) + CRLF + CRLF + GetText(67));
        QCOMPARE(boxes.shown[0].buttons, Buttons::YesNo);
        QCOMPARE(boxes.shown[0].title, title);
        if (answers.size() > 1) {
            QCOMPARE(boxes.shown[1].prompt, GetText(352));
            QCOMPARE(boxes.shown[1].title, title);
        }
        QCOMPARE(modals.shown.size(), stored ? 2 : 1);
        QCOMPARE(readAll(data->keyfile()) != old, stored);
        QCOMPARE(w->blnKeyListNotStored, !stored);
    }

    // The keyfile is replaced whole or not at all; the list stays unsaved, so Quit still
    // offers to store it.
    void failedWriteKeepsTheOldKeyfile() {
        auto w = start();
        ScriptedModals modals;
        addEntries(w.get(), numberedEntries(1, 20));
        store(w.get(), modals);
        const QByteArray old = readAll(data->keyfile());
        addEntries(w.get(), numberedEntries(12, 30), 2460000);

        ScriptedMessageBoxes boxes;
        typeMasterKey(modals, kMasterKey);
        {
            FileSizeLimit limit(old.size() + 16);
            w->cmdEncryptStoredKeys->click();
        }
        QCOMPARE(boxes.shown.size(), 3); // two questions, then the failure; no count report
        const QString failure = boxes.shown[2].prompt;
        QVERIFY2(failure.startsWith(GetText(456) + CRLF +
                                    QDir::toNativeSeparators(data->keyfile()) + CRLF),
                 qPrintable(failure));
        QVERIFY(failure.endsWith(CRLF + CRLF + GetText(457)));
        QVERIFY(failure.size() > GetText(456).size() + GetText(457).size() +
                                     data->keyfile().size() + 8); // the system's reason
        QCOMPARE(boxes.shown[2].icon, Icon::Exclamation);
        QCOMPARE(boxes.shown[2].title, GetText(13));
        QCOMPARE(readAll(data->keyfile()), old);
        QVERIFY(w->blnKeyListNotStored);
        QCOMPARE(QDir(data->folder).entryList(QDir::Files),
                 QStringList({"tsm.dat", "tsm.lock", "tsm.usr"})); // no temporary file left behind
    }

    // ---- the master key in memory -------------------------------------------------------

    void masterKeyIsOfferedUnlessErased_data() {
        QTest::addColumn<bool>("erase");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("offeredNext");
        QTest::newRow("kept") << false << true << "second master key here";
        QTest::newRow("erased") << true << true << "";
        QTest::newRow("declined, kept") << false << false << kMasterKey;
        QTest::newRow("declined, erased") << true << false << "";
    }
    void masterKeyIsOfferedUnlessErased() {
        QFETCH(bool, erase);
        QFETCH(bool, accept);
        auto w = start();
        ScriptedModals modals;
        addEntries(w.get(), numberedEntries(1, 20));
        store(w.get(), modals);

        ScriptedMessageBoxes boxes;
        typeMasterKey(modals, "second master key here", {}, erase, accept);
        w->cmdEncryptStoredKeys->click();
        auto next = std::make_shared<MasterKeyPrompt>();
        typeMasterKey(modals, kMasterKey, next);
        w->cmdDecryptStoredKeys->click();
        QVERIFY(next->seen);
        QTEST(next->offered, "offeredNext");
        QCOMPARE(frmKeyFrom::instance().dialog().txbKey->text(), QString()); // box emptied
    }

    // ---- where the program runs the commands by itself ---------------------------------

    void keyfilePathDialogComesFirst() {
        auto w = start(false);
        addEntries(w.get(), numberedEntries(2, 20));
        ScriptedMessageBoxes boxes;
        ScriptedModals modals;
        modals.script([](QDialog*) {}); // looked at and closed
        typeMasterKey(modals, kMasterKey);
        w->cmdEncryptStoredKeys->click();
        QCOMPARE(modals.shown, QStringList({"frmSpecifyKeyfilePath", "frmKeyboardWithDisplay"}));
        QVERIFY(w->blnKeyfilePathShown);

        typeMasterKey(modals, kMasterKey);
        w->cmdDecryptStoredKeys->click();
        QCOMPARE(modals.shown.size(), 3); // shown once a run
    }

    void startupGetsTheKeyfile() {
        QStringList stored;
        {
            auto w = start();
            ScriptedModals modals;
            addEntries(w.get(), numberedEntries(5, 20));
            stored = entriesOf(w->cboKeys);
            store(w.get(), modals);
        }
        ScriptedMessageBoxes boxes;
        ScriptedModals modals;
        modals.script([](QDialog*) {});
        auto prompt = std::make_shared<MasterKeyPrompt>();
        typeMasterKey(modals, kMasterKey, prompt);
        Main w;
        QVERIFY(w.Form_Load());
        QCOMPARE(modals.shown, QStringList({"frmSpecifyKeyfilePath", "frmKeyboardWithDisplay"}));
        QCOMPARE(prompt->offered, QString()); // nothing remembered from the last run
        QCOMPARE(entriesOf(w.cboKeys), stored);
        QCOMPARE(boxes.lastPrompt(), " 5 " + GetText(74) + CRLF + CRLF + GetText(371));
        QVERIFY(!w.blnKeyListNotStored);
        QVERIFY(w.blnStartupCompleted);
    }

    void quitOffersToStore() {
        auto w = start();
        addEntries(w.get(), numberedEntries(2, 20));
        ScriptedMessageBoxes boxes;
        ScriptedModals modals;
        boxes.answer(Answer::Yes);
        typeMasterKey(modals, kMasterKey);
        w->cmdQuit->click();
        QVERIFY(!w->hasEnded()); // the user sees the report and quits again
        QCOMPARE(boxes.lastPrompt(), " 2 " + GetText(69));
        QCOMPARE(decryptKeyfile(data->keyfile(), kMasterKey).count('\t'), 4);

        boxes.shown.clear();
        w->cmdQuit->click();
        QVERIFY(boxes.shown.isEmpty());
        QVERIFY(w->hasEnded());
    }

    void addKeyOffersToGetFirst() {
        QStringList stored;
        auto w = start();
        ScriptedModals modals;
        addEntries(w.get(), numberedEntries(3, 20));
        stored = entriesOf(w->cboKeys);
        store(w.get(), modals);
        w->cboKeys->clear();

        ScriptedMessageBoxes boxes;
        boxes.answer(Answer::Yes);
        typeMasterKey(modals, kMasterKey);
        modals.script([](QDialog* d) {
            auto* dialog = qobject_cast<frmKeyboardWithDisplay*>(d);
            QVERIFY(dialog && !dialog->masterMode()); // now the new key
        });
        w->cmdAddKey->click();
        QCOMPARE(boxes.shown[0].prompt, GetText(343) + CRLF + GetText(344));
        QCOMPARE(modals.shown.size(), 3);
        QCOMPARE(entriesOf(w->cboKeys), stored);
    }
};

QTEST_MAIN(TestKeyfile)
#include "tst_keyfile.moc"
