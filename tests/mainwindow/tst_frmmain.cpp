// SPDX-License-Identifier: GPL-3.0-or-later
#include "keys/cb_man.h"
#include "keys/datepr2.h"
#include "keys/frmkeyboardwithdisplay.h"
#include "mainwindow/application.h"
#include "mainwindow/clickablelabel.h"
#include "mainwindow/frmmain.h"
#include "mainwindow/statustexts.h"
#include "support/folder.h"
#include "support/scripted.h"
#include "testsupport/mainfixture.h"
#include "testsupport/testsupport.h"
#include "text/programtext.h"

#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace Seams;

namespace {

const QString CRLF = QStringLiteral("\r\n");

using TestSupport::readAll;
using TestSupport::TestMain;

void writeFile(const QString& path, const QByteArray& bytes) {
    QVERIFY(TestSupport::writeFile(path, bytes));
}

// Presses Add key and types into the key entry dialog as a user would; Yes when accept,
// else Cancel or No.
void addKey(frmMain* w, ScriptedModals& modals, const QString& target, const QString& date,
            const QString& key, bool accept = true) {
    modals.script([=](QDialog* d) {
        auto* dialog = qobject_cast<frmKeyboardWithDisplay*>(d);
        QVERIFY(dialog);
        QVERIFY(!dialog->masterMode());
        QVERIFY(dialog->txbKey->text().isEmpty());
        QTest::keyClicks(dialog->txbTarget, target);
        dialog->txbDate->selectAll();
        if (date.isEmpty())
            QTest::keyClick(dialog->txbDate, Qt::Key_Delete);
        else
            QTest::keyClicks(dialog->txbDate, date);
        QTest::keyClicks(dialog->txbKey, key);
        if (!accept)
            QTest::mouseClick(dialog->cmdYes->isVisible() ? dialog->cmdNo : dialog->cmdCancel,
                              Qt::LeftButton);
        else
            QTest::mouseClick(dialog->cmdYes, Qt::LeftButton);
    });
    QTest::mouseClick(w->cmdAddKey, Qt::LeftButton);
}

} // namespace

class TestFrmMain : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSupport::DataFolder> data;
    QString dataFolder; // where tsm.usr and the default keyfile live
    QString oldKeyfile; // stands in for the old installation's keyfile

    QString parametersFile() const { return data->parametersFile(); }
    QString defaultKeyfile() const { return data->keyfile(); }

    // Started with store and get counted instead of run.
    std::unique_ptr<TestMain> start() {
        return TestSupport::startMain([this](TestMain& w) {
            w.countKeyfileCommands = true;
            w.strOldKeyfilePath = oldKeyfile;
        });
    }

    // A started window whose key list holds entries, as the keyfile would leave it.
    std::unique_ptr<TestMain> startWithKeys(const QStringList& keys) {
        auto w = start();
        for (int i = 0; i < keys.size(); ++i)
            CB_Man::InsertSorted(w->cboKeys, keys[i], 2451545 + i);
        w->MarkKeyListStored();
        return w;
    }

private slots:
    void initTestCase() { TestSupport::DataFolder::initTestCase(); }

    void init() {
        data = std::make_unique<TestSupport::DataFolder>();
        dataFolder = data->folder;
        oldKeyfile = data->path("old/tsm.dat");
    }

    void cleanup() { data.reset(); }

    // ---- start-up ---------------------------------------------------------------------

    void firstRunWritesDefaults() {
        QVERIFY(QDir(dataFolder).removeRecursively());
        ScriptedMessageBoxes boxes;
        auto w = start();
        QVERIFY(QFileInfo(dataFolder).isDir());
        QCOMPARE(w->strStoredKeysFile, defaultKeyfile());
        QCOMPARE(readAll(parametersFile()), "\"" + defaultKeyfile().toUtf8() + "\"\r\n\"0\"\r\n");
        QCOMPARE(ProgramText::language(), 0);
        QVERIFY(boxes.shown.isEmpty());
        QCOMPARE(w->gets, 0); // no keyfile, nothing to load
        QVERIFY(w->isVisible());
        QVERIFY(w->blnStartupCompleted);
        QCOMPARE(w->windowTitle(), GetText(94) + ' ' + versionText());
        QVERIFY(w->optEncrypt->isChecked());
        QCOMPARE(w->cboKeys->count(), 0);
        QCOMPARE(w->lblNumKeysSpecified->text(), GetText(31));
        QCOMPARE(w->cboLanguage->count(), 2);
        QCOMPARE(w->cboLanguage->currentIndex(), 0);
    }

    void parametersFileIsRead_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("pathFromFile");
        QTest::addColumn<int>("language");
        QTest::newRow("German") << QByteArray("\"/keys/tsm.dat\"\r\n\"1\"\r\n") << true << 1;
        QTest::newRow("English") << QByteArray("\"/keys/tsm.dat\"\r\n\"0\"\r\n") << true << 0;
        QTest::newRow("unknown language")
            << QByteArray("\"/keys/tsm.dat\"\r\n\"7\"\r\n") << true << 0;
        QTest::newRow("only one line") << QByteArray("\"/keys/tsm.dat\"\r\n") << false << 0;
        QTest::newRow("empty") << QByteArray() << false << 0;
    }
    void parametersFileIsRead() {
        QFETCH(QByteArray, contents);
        QFETCH(bool, pathFromFile);
        writeFile(parametersFile(), contents);
        ScriptedMessageBoxes boxes;
        auto w = start();
        QCOMPARE(w->strStoredKeysFile, pathFromFile ? QString("/keys/tsm.dat") : defaultKeyfile());
        QTEST(ProgramText::language(), "language");
        QCOMPARE(w->cboLanguage->currentIndex(), ProgramText::language());
        QVERIFY(boxes.shown.isEmpty());
        // Reading never rewrites the file: that waits for the next write.
        QCOMPARE(readAll(parametersFile()), contents);
    }

    void keyfileAtStartIsLoaded() {
        writeFile(defaultKeyfile(), "cipher");
        writeFile(parametersFile(), "\"" + defaultKeyfile().toUtf8() + "\"\r\n\"0\"\r\n");
        auto w = start();
        QCOMPARE(w->gets, 1);
    }

    void oldKeyfileTakeover_data() {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<bool>("keepsOldPath");
        QTest::newRow("OK copies") << Answer::OK << false;
        QTest::newRow("Cancel keeps the old place") << Answer::Cancel << true;
    }
    void oldKeyfileTakeover() {
        QFETCH(Answer, answer);
        QFETCH(bool, keepsOldPath);
        writeFile(oldKeyfile, "old keys");
        ScriptedMessageBoxes boxes;
        boxes.answer(answer);
        auto w = start();

        QCOMPARE(boxes.shown.size(), 1);
        const MessageBoxRequest& box = boxes.shown[0];
        QCOMPARE(box.prompt, GetText(346) + CRLF + oldKeyfile + CRLF + CRLF + GetText(347) + CRLF +
                                 defaultKeyfile() + CRLF + CRLF + GetText(348) + CRLF +
                                 GetText(349));
        QCOMPARE(box.buttons, Buttons::OKCancel);
        QCOMPARE(box.title, GetText(350));

        const QString expected = keepsOldPath ? oldKeyfile : defaultKeyfile();
        QCOMPARE(w->strStoredKeysFile, expected);
        QCOMPARE(readAll(parametersFile()), "\"" + expected.toUtf8() + "\"\r\n\"0\"\r\n");
        QCOMPARE(QFileInfo::exists(defaultKeyfile()), !keepsOldPath);
        if (!keepsOldPath)
            QCOMPARE(readAll(defaultKeyfile()), QByteArray("old keys"));
        QVERIFY(QFileInfo::exists(oldKeyfile));
        QCOMPARE(w->gets, 1); // either way a keyfile is there to be read
    }

    // The copy fails: the keys must stay reachable, so the old path is kept.
    void failedTakeoverKeepsTheOldPath() {
        writeFile(oldKeyfile, "old keys");
        QVERIFY(QDir().mkpath(defaultKeyfile())); // a folder where the copy should go
        ScriptedMessageBoxes boxes;
        boxes.answer(Answer::OK);
        auto w = start();
        QCOMPARE(boxes.shown.size(), 2);
        QCOMPARE(boxes.shown[1].icon, Icon::Information);
        QCOMPARE(boxes.shown[1].title, GetText(13));
        QVERIFY(!boxes.shown[1].prompt.isEmpty());
        QCOMPARE(w->strStoredKeysFile, oldKeyfile);
        QCOMPARE(w->gets, 1);
    }

    // A keyfile at the new place is the current one: the old one is not offered over it.
    void takeoverNeverOverwritesAKeyfile() {
        writeFile(oldKeyfile, "old keys");
        writeFile(defaultKeyfile(), "current keys");
        ScriptedMessageBoxes boxes;
        auto w = start();
        QVERIFY(boxes.shown.isEmpty());
        QCOMPARE(w->strStoredKeysFile, defaultKeyfile());
        QCOMPARE(readAll(defaultKeyfile()), QByteArray("current keys"));
    }

    void cipherLibraryFailureIsFatal() {
        ScriptedMessageBoxes boxes;
        TestMain w;
        w.cipherStartResult = 0;
        QVERIFY(!w.Form_Load());
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].prompt, GetText(173));
        QCOMPARE(boxes.shown[0].title, GetText(174));
        QCOMPARE(boxes.shown[0].icon, Icon::Critical);
        QVERIFY(!w.isVisible());
    }

    // ---- quit -------------------------------------------------------------------------

    void quit_data() {
        QTest::addColumn<int>("keys");
        QTest::addColumn<bool>("notStored");
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<bool>("throughFrame");
        QTest::addColumn<bool>("asks");
        QTest::addColumn<bool>("ends");
        QTest::addColumn<int>("stores");
        for (bool frame : {false, true}) {
            const char* how = frame ? " (frame)" : " (button)";
            QTest::addRow("empty list%s", how)
                << 0 << true << Answer::OK << frame << false << true << 0;
            QTest::addRow("stored list%s", how)
                << 2 << false << Answer::OK << frame << false << true << 0;
            QTest::addRow("unsaved, Cancel%s", how)
                << 2 << true << Answer::Cancel << frame << true << false << 0;
            QTest::addRow("unsaved, Yes stores%s", how)
                << 2 << true << Answer::Yes << frame << true << false << 1;
            QTest::addRow("unsaved, No%s", how)
                << 2 << true << Answer::No << frame << true << true << 0;
        }
    }
    void quit() {
        QFETCH(int, keys);
        QFETCH(bool, notStored);
        QFETCH(Answer, answer);
        QFETCH(bool, throughFrame);
        QFETCH(bool, asks);
        QFETCH(bool, ends);
        auto w = startWithKeys(QStringList({"a «» key one", "b «» key two"}).mid(0, keys));
        w->blnKeyListNotStored = notStored;
        QFile::remove(parametersFile());
        QSignalSpy ended(w.get(), &frmMain::programEnded);

        ScriptedMessageBoxes boxes;
        boxes.answer(answer);
        if (throughFrame)
            w->close();
        else
            QTest::mouseClick(w->cmdQuit, Qt::LeftButton);

        QCOMPARE(boxes.shown.size(), asks ? 1 : 0);
        if (asks) {
            QCOMPARE(boxes.shown[0].prompt, GetText(89) + CRLF + GetText(90));
            QCOMPARE(boxes.shown[0].buttons, Buttons::YesNoCancel);
            QCOMPARE(boxes.shown[0].title, QString("Quit"));
        }
        QTEST(w->stores, "stores");
        QCOMPARE(ended.size(), ends ? 1 : 0);
        QCOMPARE(w->isVisible(), !ends);
        QCOMPARE(w->hasEnded(), ends);
        // The parameters file is written on the way out, and only then.
        QCOMPARE(QFileInfo::exists(parametersFile()), ends);
    }

    void failedParametersWriteIsReportedAndQuitGoesOn() {
        auto w = start();
        QVERIFY(QFile::remove(parametersFile()));
        QVERIFY(QDir().mkpath(parametersFile() + "/blocked")); // cannot be replaced
        ScriptedMessageBoxes boxes;
        w->cmdQuit_Click();
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY(
            boxes.shown[0].prompt.startsWith(GetText(351) + ' ' + parametersFile() + ':' + CRLF));
        QCOMPARE(boxes.shown[0].icon, Icon::Exclamation);
        QCOMPARE(boxes.shown[0].title, GetText(13));
        QVERIFY(w->hasEnded());
    }

    // ---- modes ------------------------------------------------------------------------

    void modeSwitchKeepsEachModesTextAndFiles() {
        auto w = start();
        const QString composed = "Dear Ann,\n\nsee the files.\n";
        QTest::keyClicks(w->txbText, "x"); // typed text is replaced below
        w->txbText->setPlainText(composed);
        w->txbFile[0]->setText("/home/ann/a.pdf");
        w->lblFilesize[0]->setText("12 KB");
        w->txbFile[2]->setText("/home/ann/c.zip");
        w->lblFilesize[2]->setText("3 KB");

        w->optDecrypt->setChecked(true);
        QVERIFY(!w->blnEncrypt);
        QVERIFY(w->txbText->toPlainText().isEmpty());
        QVERIFY(w->txbText->isReadOnly());
        QVERIFY(!w->cmdCopyFromClipboard->isEnabled());
        QVERIFY(!w->cmdLoadSaveTextbox[0]->isEnabled());
        QVERIFY(w->cmdLoadSaveTextbox[1]->isEnabled());
        QVERIFY(!w->cmdEncryptMessage->isEnabled());
        QVERIFY(w->cmdDecryptMessage->isEnabled());
        QVERIFY(w->optDecrypt->font().bold());
        QVERIFY(!w->optEncrypt->font().bold());
        for (int i = 0; i < frmMain::kSlots; ++i) {
            QVERIFY(w->txbFile[i]->text().isEmpty());
            QVERIFY(!w->cmdAppendSaveFile[i]->isEnabled());
            QVERIFY(w->lblSaved[i]->isHidden());
            QVERIFY(w->lblFilesize[i]->isHidden());
        }

        // What a decryption leaves behind.
        w->txbText->setPlainText("received text");
        w->txbFile[1]->setText("b.zip");
        w->lblFilesize[1]->setText("7 KB");

        w->optEncrypt->setChecked(true);
        QCOMPARE(w->txbText->toPlainText(), composed);
        QVERIFY(!w->txbText->isReadOnly());
        QCOMPARE(w->txbFile[0]->text(), QString("/home/ann/a.pdf"));
        QCOMPARE(w->lblFilesize[0]->text(), QString("12 KB"));
        QVERIFY(w->txbFile[1]->text().isEmpty());
        QCOMPARE(w->txbFile[2]->text(), QString("/home/ann/c.zip"));
        QCOMPARE(w->lblFilesize[2]->text(), QString("3 KB"));
        QCOMPARE(frmMain::plainCaption(w->cmdAppendSaveFile[1]->text()),
                 frmMain::plainCaption(GetText(14)));
        for (int i : {0, 2}) {
            QVERIFY(!w->cmdClearFile[i]->isHidden());
            QVERIFY(!w->lblFilesize[i]->isHidden());
        }
        QVERIFY(w->cmdClearFile[1]->isHidden());
        QVERIFY(w->cmdAppendSaveFile[1]->isEnabled());
        QCOMPARE(w->focusWidget(), w->txbText); // ready to write on
        QVERIFY(w->txbText->textCursor().atEnd());
        QVERIFY(w->cmdEncryptMessage->isEnabled());
        QVERIFY(!w->cmdDecryptMessage->isEnabled());

        w->optDecrypt->setChecked(true);
        QCOMPARE(w->txbText->toPlainText(), QString("received text"));
        QCOMPARE(w->txbFile[1]->text(), QString("b.zip"));
        QCOMPARE(w->lblFilesize[1]->text(), QString("7 KB"));
        QVERIFY(!w->lblSaved[1]->isHidden());
        QVERIFY(w->cmdClearFile[1]->isHidden());
        QVERIFY(w->cmdAppendSaveFile[1]->isEnabled());
        QVERIFY(!w->cmdAppendSaveFile[0]->isEnabled());
        QCOMPARE(frmMain::plainCaption(w->cmdAppendSaveFile[1]->text()),
                 frmMain::plainCaption(GetText(15)));
        QCOMPARE(w->modeText(frmMain::kEncryptMode), composed);
        QCOMPARE(w->modeFileName(0, frmMain::kEncryptMode), QString("/home/ann/a.pdf"));
    }

    void labelsFollowTheTextAndClipboard() {
        QGuiApplication::clipboard()->clear();
        auto w = start();
        QCOMPARE(w->lblTextbox->text(), StatusTexts::FillCount(GetText(12), 0));
        QCOMPARE(w->lblClipboard->text(), GetText(213));
        w->txbText->setPlainText(QString(32000, 'x'));
        QGuiApplication::clipboard()->setText("c");
        w->Clock_Timer();
        QCOMPARE(w->lblTextbox->text(), StatusTexts::FillCount(GetText(12), 32000));
        QVERIFY(w->lblTextbox->text().contains("32,000"));
        QCOMPARE(w->lblClipboard->text(), GetText(213)); // the clipboard is read when asked
        QTest::mouseClick(w->lblClipboard, Qt::LeftButton);
        QCOMPARE(w->lblClipboard->text(), GetText(26));
        QVERIFY(w->Clock->isActive());

        // A running self-test switches modes itself; it must not read the clipboard then.
        QGuiApplication::clipboard()->clear();
        w->optDecrypt->setChecked(true);
        QCOMPARE(w->lblClipboard->text(), GetText(213));
        QGuiApplication::clipboard()->setText("c");
        w->msgState.blnTest = true;
        w->optEncrypt->setChecked(true);
        QCOMPARE(w->lblClipboard->text(), GetText(213));
        w->msgState.blnTest = false;
        w->optDecrypt->setChecked(true);
        QCOMPARE(w->lblClipboard->text(), GetText(26));
        QCOMPARE(w->Clock->interval(), 1000);
    }

    // ---- key list ---------------------------------------------------------------------

    void keyCountLabel_data() {
        QTest::addColumn<int>("keys");
        QTest::addColumn<QString>("expected");
        QTest::newRow("none") << 0 << GetText(31);
        QTest::newRow("one") << 1 << GetText(32);
        QTest::newRow("1,234") << 1234 << QString(GetText(33)).replace('2', "1,234");
    }
    void keyCountLabel() {
        QFETCH(int, keys);
        auto w = start();
        for (int i = 0; i < keys; ++i)
            CB_Man::InsertSorted(w->cboKeys, QString("k%1 «» key").arg(i), 0);
        w->Clock_Timer();
        QTEST(w->lblNumKeysSpecified->text(), "expected");
    }

    void addKeyComposesTheEntry_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("entry");
        QTest::newRow("all parts") << "ann@example.org"
                                   << "2024-05-01"
                                   << "  our   shared key for mail "
                                   << "ann@example.org «2024-05-01» our shared key for mail";
        QTest::newRow("no target") << ""
                                   << "2024-05-01"
                                   << "sixteen chars ok!"
                                   << "«2024-05-01» sixteen chars ok!";
        QTest::newRow("no date") << "Bob"
                                 << ""
                                 << "sixteen chars ok!"
                                 << "Bob «» sixteen chars ok!";
    }
    void addKeyComposesTheEntry() {
        QFETCH(QString, target);
        QFETCH(QString, date);
        QFETCH(QString, key);
        DatePr2::setTodayOverride(QDate(2007, 3, 9));
        auto w = startWithKeys({"zed «» zzzzzzzzzzzzzzzz"});
        ScriptedModals modals;
        addKey(w.get(), modals, target, date, key);
        DatePr2::setTodayOverride(QDate());
        QCOMPARE(modals.shown, QStringList({"frmKeyboardWithDisplay"}));
        QTEST(w->cboKeys->currentText(), "entry");
        QCOMPARE(w->cboKeys->count(), 2);
        QCOMPARE(w->cboKeys->currentIndex(), 0); // sorted before "zed"
        QCOMPARE(CB_Man::DateAdded(w->cboKeys, 0), 2454169);
        QVERIFY(w->blnKeyListNotStored);
        QCOMPARE(w->lblNumKeysSpecified->text(), StatusTexts::FillCount(GetText(33), 2));
        QCOMPARE(w->focusWidget(), w->cmdEncryptMessage);
    }

    void addingTheSameKeyAgainAddsNothingButCountsAsAChange() {
        auto w = start();
        ScriptedModals modals;
        addKey(w.get(), modals, "ann", "2024-05-01", "our shared key for mail");
        w->MarkKeyListStored();
        addKey(w.get(), modals, "ann", "2024-05-01", "our shared key for mail");
        QCOMPARE(w->cboKeys->count(), 1);
        QVERIFY(w->blnKeyListNotStored);
    }

    void decliningTheDialogAddsNothing_data() {
        QTest::addColumn<QString>("key");
        QTest::newRow("No on an admissible key") << "our shared key for mail";
        QTest::newRow("Cancel on a short key") << "short";
    }
    void decliningTheDialogAddsNothing() {
        QFETCH(QString, key);
        auto w = start();
        ScriptedModals modals;
        addKey(w.get(), modals, "ann", "2024-05-01", key, false);
        QCOMPARE(w->cboKeys->count(), 0);
        QVERIFY(!w->blnKeyListNotStored);
    }

    // With keys stored on disk but none loaded, the user is offered the stored ones first.
    void addingToAnEmptyListOffersTheKeyfile_data() {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<int>("gets");
        QTest::newRow("Yes gets the keys") << Answer::Yes << 1;
        QTest::newRow("No goes on") << Answer::No << 0;
    }
    void addingToAnEmptyListOffersTheKeyfile() {
        QFETCH(Answer, answer);
        auto w = start();
        writeFile(w->strStoredKeysFile, "cipher");
        ScriptedMessageBoxes boxes;
        boxes.answer(answer);
        ScriptedModals modals;
        addKey(w.get(), modals, "ann", "", "our shared key for mail");
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].prompt, GetText(343) + CRLF + GetText(344));
        QCOMPARE(boxes.shown[0].buttons, Buttons::YesNo);
        QCOMPARE(boxes.shown[0].title, GetText(345));
        QTEST(w->gets, "gets");
        QCOMPARE(w->cboKeys->count(), 1); // the dialog opened either way
        addKey(w.get(), modals, "bob", "", "our shared key for mail");
        QCOMPARE(boxes.shown.size(), 1); // not asked again with keys in the list
    }

    void addingWhileHiddenShowsTheKeys() {
        auto w = startWithKeys({"a «» 1111111111111111"});
        w->cmdKeylistHideShow_Click();
        ScriptedModals modals;
        addKey(w.get(), modals, "b", "", "our shared key for mail");
        QVERIFY(!w->keysHidden());
        QVERIFY(w->cboKeys->isEnabled());
        QCOMPARE(w->cboKeys->currentText(), QString("b «» our shared key for mail"));
    }

    void deleteAndUndoTrackWhetherTheListIsStored() {
        auto w = startWithKeys({"a «» 1", "b «» 2", "c «» 3"});
        w->cboKeys->setCurrentIndex(0);
        QTest::mouseClick(w->cmdDeleteKeyShown, Qt::LeftButton);
        QTest::mouseClick(w->cmdDeleteKeyShown, Qt::LeftButton);
        QCOMPARE(TestSupport::entriesOf(w->cboKeys), QStringList({"c «» 3"}));
        QVERIFY(w->blnKeyListNotStored);
        QTest::mouseClick(w->cmdUndoLastDeletion, Qt::LeftButton);
        QVERIFY(w->blnKeyListNotStored); // one deletion still outstanding
        QTest::mouseClick(w->cmdUndoLastDeletion, Qt::LeftButton);
        QCOMPARE(TestSupport::entriesOf(w->cboKeys), QStringList({"a «» 1", "b «» 2", "c «» 3"}));
        QVERIFY(!w->blnKeyListNotStored); // back to what the keyfile holds

        ScriptedMessageBoxes boxes;
        QTest::mouseClick(w->cmdUndoLastDeletion, Qt::LeftButton);
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].prompt, GetText(61));
        QCOMPARE(boxes.shown[0].icon, Icon::Information);
        QCOMPARE(boxes.shown[0].title, GetText(62));
    }

    // Undoing every deletion must not hide a change that is not a deletion.
    void undoKeepsOtherChangesUnstored_data() {
        QTest::addColumn<bool>("addKey");
        QTest::addColumn<bool>("changePath");
        QTest::newRow("key added meanwhile") << true << false;
        QTest::newRow("keyfile path changed meanwhile") << false << true;
    }
    void undoKeepsOtherChangesUnstored() {
        QFETCH(bool, addKey);
        QFETCH(bool, changePath);
        auto w = startWithKeys({"a «» 1", "b «» 2"});
        w->cboKeys->setCurrentIndex(1);
        w->cmdDeleteKeyShown_Click();
        if (addKey)
            CB_Man::AddListItemUnique(w->cboKeys, "n «» new", 5);
        if (changePath)
            w->strStoredKeysFile = data->path("elsewhere.dat");
        w->blnKeyListNotStored = true;
        w->cmdUndoLastDeletion_Click();
        QCOMPARE(CB_Man::deletedCount(), 0);
        QVERIFY(w->blnKeyListNotStored);
    }

    void hideAndShowKeepTheSelection() {
        auto w = startWithKeys({"a «» 1", "b «» 2", "c «» 3"});
        w->cboKeys->setCurrentIndex(1);
        QTest::mouseClick(w->cmdKeylistHideShow, Qt::LeftButton);
        QVERIFY(w->keysHidden());
        QCOMPARE(w->cboKeys->currentIndex(), -1);
        QVERIFY(w->cboKeys->currentText().isEmpty());
        QVERIFY(!w->cboKeys->isEnabled());
        QCOMPARE(frmMain::plainCaption(w->cmdKeylistHideShow->text()),
                 frmMain::plainCaption(GetText(35)));

        // Hidden keys cannot be deleted or brought back unseen.
        ScriptedMessageBoxes boxes;
        w->cmdDeleteKeyShown_Click();
        w->cmdUndoLastDeletion_Click();
        QCOMPARE(boxes.shown.size(), 2);
        QCOMPARE(boxes.shown[0].prompt, GetText(59));
        QCOMPARE(boxes.shown[0].title, QString("Delete key shown"));
        QCOMPARE(boxes.shown[1].prompt, GetText(60));
        QCOMPARE(boxes.shown[1].title, QString("Undo last deletion"));
        QCOMPARE(w->cboKeys->count(), 3);
        QVERIFY(!w->blnKeyListNotStored);

        QTest::mouseClick(w->cmdKeylistHideShow, Qt::LeftButton);
        QVERIFY(!w->keysHidden());
        QCOMPARE(w->cboKeys->currentIndex(), 1);
        QVERIFY(w->cboKeys->isEnabled());
        QCOMPARE(frmMain::plainCaption(w->cmdKeylistHideShow->text()),
                 frmMain::plainCaption(GetText(34)));
    }

    void choosingAKeyMovesTheFocusToTheModesCommand() {
        auto w = startWithKeys({"a «» 1", "b «» 2"});
        w->cboKeys->setFocus();
        w->cboKeys->setCurrentIndex(0);
        emit w->cboKeys->activated(0);
        QCOMPARE(w->focusWidget(), w->cmdEncryptMessage);
        w->optDecrypt->setChecked(true);
        emit w->cboKeys->activated(1);
        QCOMPARE(w->focusWidget(), w->cmdDecryptMessage);
    }

    // A selection the program makes raises the selection event too, as in the original:
    // the focus moves from the command just used to the mode's command.
    void selectionsByTheProgramMoveTheFocus_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("decrypt");
        for (const char* command : {"undo", "undo, entry added again", "delete", "show keys"})
            for (bool decrypt : {false, true})
                QTest::addRow("%s, %s mode", command, decrypt ? "decrypt" : "encrypt")
                    << QString(command) << decrypt;
    }
    void selectionsByTheProgramMoveTheFocus() {
        QFETCH(QString, command);
        QFETCH(bool, decrypt);
        auto w = startWithKeys({"a «» 1", "b «» 2", "c «» 3"});
        if (decrypt)
            w->optDecrypt->setChecked(true);
        w->cboKeys->setCurrentIndex(1);
        ScriptedMessageBoxes boxes;
        QPushButton* used = nullptr;
        if (command == "delete") {
            used = w->cmdDeleteKeyShown;
        } else if (command == "show keys") {
            w->cmdKeylistHideShow->click();
            QCOMPARE(w->cboKeys->currentIndex(), -1);
            used = w->cmdKeylistHideShow;
        } else {
            w->cmdDeleteKeyShown->click();
            if (command == "undo, entry added again")
                CB_Man::InsertSorted(w->cboKeys, "b «» 2", 2451546);
            used = w->cmdUndoLastDeletion;
        }
        used->setFocus();
        QCOMPARE(w->focusWidget(), used);
        used->click();
        QVERIFY(boxes.shown.isEmpty());
        QCOMPARE(w->cboKeys->currentText(), QString(command == "delete" ? "c «» 3" : "b «» 2"));
        QCOMPARE(w->focusWidget(), decrypt ? w->cmdDecryptMessage : w->cmdEncryptMessage);
    }

    void keyDetailsWithoutEntriesFocusesAddKey() {
        auto w = start();
        w->cmdKeyDetails_Click();
        QCOMPARE(w->focusWidget(), w->cmdAddKey);
    }

    // ---- the window -------------------------------------------------------------------

    void everyControlIsNamedAndReachable() {
        auto w = start();
        const QStringList names = {"optEncrypt",
                                   "optDecrypt",
                                   "cboKeys",
                                   "cmdAddKey",
                                   "cmdKeyDetails",
                                   "cmdDeleteKeyShown",
                                   "cmdUndoLastDeletion",
                                   "cmdKeylistHideShow",
                                   "lblNumKeysSpecified",
                                   "cmdDecryptStoredKeys",
                                   "cmdEncryptStoredKeys",
                                   "cmdSpecifyKeyfilePath",
                                   "cmdEncryptMessage",
                                   "cmdDecryptMessage",
                                   "lblTextbox",
                                   "lblClipboard",
                                   "txbText",
                                   "cmdClearTextbox",
                                   "cmdCopyFromClipboard",
                                   "cmdLoadSaveTextbox_0",
                                   "cmdLoadSaveTextbox_1",
                                   "cmdEnlargeTextbox",
                                   "cmdAppendSaveFile_2",
                                   "txbFile_2",
                                   "lblFilesize_2",
                                   "cmdClearFile_2",
                                   "lblSaved_2",
                                   "lblLanguage",
                                   "cboLanguage",
                                   "cmdHelp",
                                   "cmdWebPage",
                                   "cmdQuit"};
        for (const QString& name : names)
            QVERIFY2(w->findChild<QWidget*>(name), qPrintable(name));
        QVERIFY(w->findChild<QTimer*>("Clock"));

        // Controls without a caption of their own are named for screen readers.
        for (QWidget* c : {static_cast<QWidget*>(w->cboKeys), static_cast<QWidget*>(w->txbText),
                           static_cast<QWidget*>(w->txbFile[0])})
            QVERIFY2(!c->accessibleName().isEmpty(), qPrintable(c->objectName()));
        QVERIFY(w->txbFile[0]->accessibleName() != w->txbFile[1]->accessibleName());

        // Access keys are distinct.
        QSet<QChar> keys;
        for (QAbstractButton* b : w->findChildren<QAbstractButton*>()) {
            const QString t = b->text();
            const qsizetype amp = t.indexOf('&');
            if (amp < 0 || amp + 1 >= t.size())
                continue;
            QVERIFY2(!keys.contains(t[amp + 1].toUpper()), qPrintable(t));
            keys.insert(t[amp + 1].toUpper());
        }
        QVERIFY(keys.size() >= 10);
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
