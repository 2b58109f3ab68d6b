// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's message commands as a user drives them: encrypt to the clipboard and
// decrypt from it, the attached-file slots, the text box commands and the enlarged text
// window, with every message box and file dialog answered by the test.
#include "backends/cipher/cipher.h"
#include "keys/cb_man.h"
#include "keys/keyrules.h"
#include "mainwindow/clickablelabel.h"
#include "mainwindow/frmlargetextbox.h"
#include "mainwindow/frmmain.h"
#include "mainwindow/statustexts.h"
#include "message/encdecmsg.h"
#include "support/ansi.h"
#include "support/folder.h"
#include "support/scripted.h"
#include "support/twips.h"
#include "testsupport/mainfixture.h"
#include "testsupport/message.h"
#include "testsupport/testsupport.h"
#include "text/programtext.h"

#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace Seams;

namespace {

const QString CRLF = QStringLiteral("\r\n");
using TestSupport::kTestEntry;

using TestSupport::readAll;
using TestSupport::TestMain;

QClipboard* clipboard() {
    return QGuiApplication::clipboard();
}

// The armour a sender holding kTestEntry would mail for package, as text.
QString armourOf(const QByteArray& package) {
    return QString::fromLatin1(TestSupport::armourOf(package));
}

QString limitSentence() {
    return CRLF + CRLF + GetText(57) + " 102,400 bytes (100 KB).";
}

void checkBox(const MessageBoxRequest& box, const QString& prompt, Icon icon,
              const QString& title) {
    QCOMPARE(box.prompt, prompt);
    QCOMPARE(box.icon, icon);
    QCOMPARE(box.title, title);
    QCOMPARE(box.buttons, Buttons::OK);
}

} // namespace

class TestMsgCommands : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSupport::DataFolder> data;

    QString fileIn(const QString& name) const { return data->path(name); }
    QString writeFile(const QString& name, const QByteArray& contents) {
        return TestSupport::writtenFile(fileIn(name), contents);
    }

    // A started window; with a key list of one selected entry unless told otherwise.
    std::unique_ptr<TestMain> start(bool withKey = true, bool selectKey = true) {
        auto w = TestSupport::startMain();
        if (withKey) {
            CB_Man::InsertSorted(w->cboKeys, kTestEntry, 2451545);
            w->cboKeys->setCurrentIndex(selectKey ? 0 : -1);
        }
        return w;
    }

    // Appends path to a slot through the file dialog, as the user would pick it.
    static void append(frmMain* w, ScriptedFileDialogs& dialogs, int slot, const QString& path) {
        dialogs.answer(path);
        QTest::mouseClick(w->cmdAppendSaveFile[slot], Qt::LeftButton);
    }

    static void decryptClipboard(frmMain* w, const QString& clipboardText) {
        clipboard()->setText(clipboardText);
        w->optDecrypt->setChecked(true);
        QTest::mouseClick(w->cmdDecryptMessage, Qt::LeftButton);
    }

private slots:
    void initTestCase() { TestSupport::DataFolder::initTestCase(true); }
    void init() { data = std::make_unique<TestSupport::DataFolder>(); }

    void cleanup() { data.reset(); }

    // ---- encrypt and decrypt ------------------------------------------------------------

    void bothCommandsNeedASelectedKey_data() {
        QTest::addColumn<bool>("decrypt");
        QTest::addColumn<bool>("withKey");
        QTest::newRow("encrypt, empty key list") << false << false;
        QTest::newRow("decrypt, empty key list") << true << false;
        QTest::newRow("encrypt, nothing selected") << false << true;
        QTest::newRow("decrypt, nothing selected") << true << true;
    }
    void bothCommandsNeedASelectedKey() {
        QFETCH(bool, decrypt);
        QFETCH(bool, withKey);
        auto w = start(withKey, false);
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        w->txbText->setPlainText("Some text");
        if (decrypt)
            w->optDecrypt->setChecked(true);
        clipboard()->setText(QString("x").repeated(400));
        ScriptedMessageBoxes boxes;

        QTest::mouseClick(decrypt ? w->cmdDecryptMessage : w->cmdEncryptMessage, Qt::LeftButton);

        QCOMPARE(boxes.shown.size(), 1);
        if (withKey) {
            checkBox(boxes.shown[0], GetText(371), Icon::Information, GetText(370));
            QVERIFY(w->cboKeys->hasFocus());
        } else {
            checkBox(boxes.shown[0], GetText(82), Icon::Exclamation, GetText(64));
            QVERIFY(w->cmdAddKey->hasFocus());
        }
        QCOMPARE(clipboard()->text(), QString("x").repeated(400));
    }

    void decryptRefusesAClipboardWithoutAMessage_data() {
        QTest::addColumn<int>("kind"); // 0 empty, 1 image only, else text
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("prompt");
        QTest::addColumn<int>("title");
        QTest::newRow("empty clipboard") << 0 << QString() << 213 << 51;
        QTest::newRow("image only") << 1 << QString() << 213 << 51;
        QTest::newRow("299 characters") << 2 << QString(".").repeated(299) << 88 << 51;
        QTest::newRow("300 characters, no block")
            << 2 << QString("Hello, world! ").repeated(30).left(300) << 152 << 51;
    }
    void decryptRefusesAClipboardWithoutAMessage() {
        QFETCH(int, kind);
        QFETCH(QString, text);
        QFETCH(int, prompt);
        QFETCH(int, title);
        auto w = start();
        w->optDecrypt->setChecked(true);
        w->showDecryptedText("earlier message");
        if (kind == 1) {
            QImage image(4, 4, QImage::Format_RGB32);
            image.fill(Qt::red);
            clipboard()->setImage(image);
        } else if (kind == 2) {
            clipboard()->setText(text);
        }
        ScriptedMessageBoxes boxes;

        QTest::mouseClick(w->cmdDecryptMessage, Qt::LeftButton);

        QCOMPARE(boxes.shown.size(), 1);
        checkBox(boxes.shown[0], GetText(prompt), Icon::Exclamation, GetText(title));
        QCOMPARE(w->text(), QString("earlier message"));
    }

    // The label counts the text as the size limit does: a line break is CR LF, two
    // characters, and a character of two UTF-16 units (an emoji) is one. So a text the label
    // shows at the limit is sent, and one more character is refused.
    void textboxLabelCountsAsTheLimit_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("label");
        QTest::addColumn<bool>("sent");
        const QString lines = QStringList(34134, "x").join('\n'); // 34,134 + 2 × 34,133
        QTest::newRow("line breaks, at the limit")
            << lines << "Textbox has 102,400 characters." << true;
        QTest::newRow("line breaks, one over the limit")
            << lines + "x" << "Textbox has 102,401 characters." << false;
        QTest::newRow("one line break") << "a\nb" << "Textbox has 4 characters." << true;
        QTest::newRow("an emoji is one character")
            << QString::fromUtf8("😀") << "Textbox has 1 character." << true;
        QTest::newRow("emoji at the limit")
            << QString::fromUtf8("😀").repeated(102400) << "Textbox has 102,400 characters."
            << true;
    }
    void textboxLabelCountsAsTheLimit() {
        QFETCH(QString, text);
        QFETCH(QString, label);
        QFETCH(bool, sent);
        auto w = start();
        w->txbText->setPlainText(text);
        w->Clock_Timer();
        QCOMPARE(w->lblTextbox->text(), label);

        ScriptedMessageBoxes boxes;
        boxes.answer(Answer::Yes); // send the emoji as "?"
        QTest::mouseClick(w->cmdEncryptMessage, Qt::LeftButton);
        if (sent) {
            QVERIFY2(clipboard()->text().startsWith("TessamailMessageBegin"),
                     qPrintable(boxes.lastPrompt()));
        } else {
            QCOMPARE(boxes.shown.size(), 1);
            checkBox(boxes.shown[0], GetText(342) + limitSentence(), Icon::Exclamation,
                     GetText(58));
            QVERIFY(clipboard()->text().isEmpty());
        }
    }

    // The whole road of a message: composed, encrypted onto the clipboard, decrypted from
    // it and its files saved.
    void encryptedMessageDecryptsFromTheClipboard() {
        auto w = start();
        ScriptedMessageBoxes boxes;
        ScriptedFileDialogs dialogs;
        const QString text = QString::fromUtf8("Dear Ann,\n\tTAB\nGrüße – €100\n");
        w->txbText->setPlainText(text);
        QByteArray binary;
        for (int i = 0; i < 768; ++i)
            binary.append(char(i % 256));
        append(w.get(), dialogs, 0, writeFile("first.bin", binary));
        append(w.get(), dialogs, 2, writeFile("third.txt", "third\r\n"));
        QVERIFY(boxes.shown.isEmpty());

        QTest::mouseClick(w->cmdEncryptMessage, Qt::LeftButton);

        const QString armour = clipboard()->text();
        QVERIFY(armour.startsWith("TessamailMessageBegin\r\n"));
        QCOMPARE(boxes.shown.size(), 2);
        checkBox(boxes.shown[0], GetText(146), Icon::None, GetText(147));
        // The count is the armoured text's, which is what the user pastes.
        checkBox(boxes.shown[1],
                 GetText(83) + " (" + QLocale().toString(armour.size()) + " bytes) " + GetText(84) +
                     CRLF + GetText(85),
                 Icon::None, GetText(86));
        QCOMPARE(w->lblClipboard->text(), StatusTexts::ClipboardLabel(armour.size()));
        QCOMPARE(w->txbText->toPlainText(), text);
        QVERIFY(w->txbFile[0]->text().endsWith("first.bin"));

        // The receiver copies the whole mail, greeting and all.
        boxes.shown.clear();
        decryptClipboard(w.get(), "Hi Ann,\r\n\r\n" + armour + "\r\n\r\nBob\r\n");

        QCOMPARE(boxes.shown.size(), 1);
        checkBox(boxes.shown[0], GetText(53), Icon::None, GetText(52));
        QCOMPARE(w->text(), QString(text).replace("\n", "\r\n"));
        QVERIFY(w->txbText->isReadOnly());
        // In the sender's order, from the first slot on.
        QCOMPARE(w->txbFile[0]->text(), QString("first.bin"));
        QCOMPARE(w->txbFile[1]->text(), QString("third.txt"));
        QCOMPARE(w->txbFile[2]->text(), QString());
        QCOMPARE(w->lblFilesize[0]->text(), QString("1 KB"));
        QVERIFY(w->lblFilesize[1]->isVisible());
        QVERIFY(w->cmdAppendSaveFile[1]->isEnabled());
        QVERIFY(!w->cmdAppendSaveFile[2]->isEnabled());

        const QString saved0 = fileIn("out/first copy.bin");
        const QString saved1 = fileIn("third.txt.saved");
        QVERIFY(QDir().mkpath(fileIn("out")));
        append(w.get(), dialogs, 0, saved0);
        const FileDialogRequest request = dialogs.shown.last();
        QCOMPARE(request.kind, FileDialogRequest::Save);
        QCOMPARE(request.title, GetText(56));
        QCOMPARE(request.fileName, QString("first.bin"));
        QVERIFY(request.confirmOverwrite);
        append(w.get(), dialogs, 1, saved1);

        QCOMPARE(readAll(saved0), binary);
        QCOMPARE(readAll(saved1), QByteArray("third\r\n"));
        QCOMPARE(w->txbFile[0]->text(), QDir::toNativeSeparators(saved0));
        QVERIFY(w->lblSaved[0]->isVisible());
        QVERIFY(w->lblSaved[1]->isVisible());
        QCOMPARE(boxes.shown.size(), 1);
    }

    // Slots after the last file of a new message keep the earlier message's file.
    void aShorterMessageKeepsTheEarlierSlot() {
        auto w = start();
        ScriptedMessageBoxes boxes;
        ScriptedFileDialogs dialogs;
        decryptClipboard(w.get(), armourOf(EncDecMsg::BuildPackage(
                                      "one", {{"x.txt", "first x"}, {"y.txt", "first y"}})));
        append(w.get(), dialogs, 0, fileIn("x.txt"));
        QVERIFY(w->lblSaved[0]->isVisible());

        decryptClipboard(w.get(), armourOf(EncDecMsg::BuildPackage("two", {{"z.txt", "z"}})));

        QCOMPARE(w->text(), QString("two"));
        QCOMPARE(w->txbFile[0]->text(), QString("z.txt"));
        // The new file has not been saved, whatever became of the old one.
        QVERIFY(!w->lblSaved[0]->isVisible());
        QCOMPARE(w->txbFile[1]->text(), QString("y.txt"));
        append(w.get(), dialogs, 1, fileIn("y.txt"));
        QCOMPARE(readAll(fileIn("y.txt")), QByteArray("first y"));
        QCOMPARE(boxes.shown.size(), 2);
    }

    // The package is the sender's: what it calls a file must not steer the save dialog.
    void theSaveDialogSuggestsABareName() {
        auto w = start();
        ScriptedMessageBoxes boxes;
        ScriptedFileDialogs dialogs;
        decryptClipboard(w.get(), armourOf(EncDecMsg::BuildPackage(
                                      "", {{"../../.profile", "x"}, {"C:\\a\\b:c?.exe", "y"}})));
        QCOMPARE(w->txbFile[0]->text(), QString("../../.profile"));

        QTest::mouseClick(w->cmdAppendSaveFile[0], Qt::LeftButton);
        QTest::mouseClick(w->cmdAppendSaveFile[1], Qt::LeftButton);

        QCOMPARE(dialogs.shown.size(), 2);
        QCOMPARE(dialogs.shown[0].fileName, QString(".profile"));
        QCOMPARE(dialogs.shown[1].fileName, QString("bc.exe"));
        QVERIFY(!w->lblSaved[0]->isVisible()); // cancelled
        QCOMPARE(boxes.shown.size(), 1);
    }

    void saveRefusesWhatItCannotSave() {
        auto w = start();
        ScriptedMessageBoxes boxes;
        ScriptedFileDialogs dialogs;
        decryptClipboard(w.get(), armourOf(EncDecMsg::BuildPackage(
                                      "", {{"empty.txt", ""}, {"data.bin", "data"}})));
        boxes.shown.clear();

        QTest::mouseClick(w->cmdAppendSaveFile[0], Qt::LeftButton);
        checkBox(boxes.shown.last(), GetText(55), Icon::Exclamation, QString());

        // A slot with no file name: the mode switch keeps the button enabled only with one,
        // so the command is called directly.
        w->cmdAppendSaveFile_Click(2);
        checkBox(boxes.shown.last(), GetText(92), Icon::Exclamation, QString());
        QVERIFY(dialogs.shown.isEmpty());

        append(w.get(), dialogs, 1, fileIn("no such folder/data.bin"));
        QCOMPARE(boxes.shown.size(), 3);
        QCOMPARE(boxes.shown.last().title, GetText(13));
        QCOMPARE(boxes.shown.last().icon, Icon::Exclamation);
        QVERIFY(!boxes.shown.last().prompt.isEmpty());
        QCOMPARE(w->txbFile[1]->text(), QString("data.bin"));
        QVERIFY(!w->lblSaved[1]->isVisible());
    }

    // ---- attached files -----------------------------------------------------------------

    void appendChecksTheFile_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("sizeText"); // empty: refused
        QTest::newRow("exactly the limit") << 102400 << "100 KB";
        QTest::newRow("1,025 bytes") << 1025 << "2 KB";
        QTest::newRow("1,024 bytes") << 1024 << "1 KB";
        QTest::newRow("one byte over the limit") << 102401 << QString();
        QTest::newRow("empty") << 0 << QString();
    }
    void appendChecksTheFile() {
        QFETCH(int, size);
        QFETCH(QString, sizeText);
        auto w = start();
        ScriptedMessageBoxes boxes;
        ScriptedFileDialogs dialogs;
        const QString path = writeFile("file.bin", QByteArray(size, 'a'));

        append(w.get(), dialogs, 1, path);

        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(dialogs.shown[0].kind, FileDialogRequest::Open);
        QCOMPARE(dialogs.shown[0].title, GetText(47));
        QCOMPARE(dialogs.shown[0].filter, GetText(48) + " (*)");
        if (!sizeText.isEmpty()) {
            QVERIFY(boxes.shown.isEmpty());
            QCOMPARE(w->txbFile[1]->text(), path);
            QCOMPARE(w->lblFilesize[1]->text(), sizeText);
            QVERIFY(w->cmdClearFile[1]->isVisible());
            return;
        }
        QCOMPARE(boxes.shown.size(), 1);
        if (size == 0)
            checkBox(boxes.shown[0], path + CRLF + GetText(50), Icon::Exclamation, GetText(51));
        else
            checkBox(boxes.shown[0], path + " " + GetText(49) + ": 101 KB" + limitSentence(),
                     Icon::Exclamation, GetText(58));
        QCOMPARE(w->txbFile[1]->text(), QString());
        QVERIFY(!w->cmdClearFile[1]->isVisible());
    }

    void aPathGoesIntoOneSlotOnly() {
        auto w = start();
        ScriptedMessageBoxes boxes;
        ScriptedFileDialogs dialogs;
        const QString lower = writeFile("a.txt", "lower");
        const QString upper = writeFile("A.TXT", "upper");
        append(w.get(), dialogs, 0, lower);

        append(w.get(), dialogs, 1, lower);
        QCOMPARE(boxes.shown.size(), 1);
        checkBox(boxes.shown[0], lower + " " + GetText(54), Icon::Exclamation, GetText(51));
        QCOMPARE(w->txbFile[1]->text(), QString());

        append(w.get(), dialogs, 0, lower); // the same slot again
        append(w.get(), dialogs, 1, upper); // the comparison is exact
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(w->txbFile[0]->text(), lower);
        QCOMPARE(w->txbFile[1]->text(), upper);

        QTest::mouseClick(w->cmdClearFile[0], Qt::LeftButton);
        QCOMPARE(w->txbFile[0]->text(), QString());
        QCOMPARE(w->lblFilesize[0]->text(), QString());
        QVERIFY(w->lblFilesize[0]->isVisible());
        QVERIFY(!w->cmdClearFile[0]->isVisible());
        QCOMPARE(w->txbFile[1]->text(), upper);
    }

    // The limit applies to what is sent, not to what the file was when it was attached.
    void aFileChangedAfterAppendIsCheckedAgain_data() {
        QTest::addColumn<int>("newSize");
        QTest::addColumn<QString>("prompt");
        QTest::newRow("grown past the limit")
            << 102401 << GetText(341) + ": 102,401 bytes (101 KB)" + limitSentence();
        QTest::newRow("emptied") << 0 << "%1 " + GetText(118) + "  " + GetText(178);
    }
    void aFileChangedAfterAppendIsCheckedAgain() {
        QFETCH(int, newSize);
        QFETCH(QString, prompt);
        auto w = start();
        ScriptedMessageBoxes boxes;
        ScriptedFileDialogs dialogs;
        const QString path = writeFile("grows.bin", "small");
        append(w.get(), dialogs, 0, path);
        writeFile("grows.bin", QByteArray(newSize, 'b'));
        clipboard()->setText("before");

        QTest::mouseClick(w->cmdEncryptMessage, Qt::LeftButton);

        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].prompt, prompt.contains("%1") ? prompt.arg(path) : prompt);
        QCOMPARE(clipboard()->text(), QString("before"));
    }

    // ---- text box -----------------------------------------------------------------------

    void savedTextEndsInCrLfAndLoadsBack() {
        auto w = start(false);
        ScriptedMessageBoxes boxes;
        ScriptedFileDialogs dialogs;
        const QString path = fileIn("abc.txt");
        QTest::keyClicks(w->txbText, "abc");
        dialogs.answer(path);
        QTest::mouseClick(w->cmdLoadSaveTextbox[1], Qt::LeftButton);
        QCOMPARE(readAll(path), QByteArray("abc\r\n"));
        QCOMPARE(dialogs.shown[0].title, GetText(45));
        QVERIFY(dialogs.shown[0].confirmOverwrite);

        w->txbText->setPlainText(QString::fromUtf8("Zeile 1\nZeile 2 – ä"));
        dialogs.answer(path);
        QTest::mouseClick(w->cmdLoadSaveTextbox[1], Qt::LeftButton);
        QCOMPARE(readAll(path), QByteArray("Zeile 1\r\nZeile 2 \x96 \xe4\r\n"));

        dialogs.answer(path);
        QTest::mouseClick(w->cmdLoadSaveTextbox[0], Qt::LeftButton);
        QCOMPARE(w->text(), QString::fromUtf8("Zeile 1\r\nZeile 2 – ä\r\n"));
        QCOMPARE(dialogs.shown[2].kind, FileDialogRequest::Open);
        QCOMPARE(dialogs.shown[2].filter, GetText(43) + " (*.txt)");

        // The shared dialog keeps the filter and the folder of the last use.
        QTest::mouseClick(w->cmdLoadSaveTextbox[1], Qt::LeftButton);
        QCOMPARE(dialogs.shown[3].filter, GetText(43) + " (*.txt)");
        QCOMPARE(dialogs.shown[3].directory, QFileInfo(path).absolutePath());
        QCOMPARE(dialogs.shown[3].fileName, QString());
        QVERIFY(boxes.shown.isEmpty());
    }

    void saveAndEnlargeRefuseAnEmptyTextbox() {
        auto w = start(false);
        ScriptedMessageBoxes boxes;
        ScriptedFileDialogs dialogs;
        ScriptedModals modals;
        QTest::mouseClick(w->cmdLoadSaveTextbox[1], Qt::LeftButton);
        QTest::mouseClick(w->cmdEnlargeTextbox, Qt::LeftButton);
        QCOMPARE(boxes.shown.size(), 2);
        checkBox(boxes.shown[0], GetText(44), Icon::Exclamation, QString());
        checkBox(boxes.shown[1], GetText(44), Icon::Exclamation, QString());
        QVERIFY(dialogs.shown.isEmpty());
        QVERIFY(modals.shown.isEmpty());
    }

    // Windows-1252 has no "Ł" or "ź": the user decides before they turn into "?".
    void saveWarnsBeforeCharactersAreLost() {
        auto w = start(false);
        ScriptedMessageBoxes boxes;
        ScriptedFileDialogs dialogs;
        const QString path = fileIn("city.txt");
        w->txbText->setPlainText(QString::fromUtf8("Łódź"));

        QTest::mouseClick(w->cmdLoadSaveTextbox[1], Qt::LeftButton); // default answer: No
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].prompt, GetText(470) + " 2" + CRLF + CRLF + GetText(471));
        QCOMPARE(boxes.shown[0].buttons, Buttons::YesNo);
        QCOMPARE(boxes.shown[0].defaultButton, 2);
        QVERIFY(dialogs.shown.isEmpty());

        boxes.answer(Answer::Yes);
        dialogs.answer(path);
        QTest::mouseClick(w->cmdLoadSaveTextbox[1], Qt::LeftButton);
        QCOMPARE(readAll(path), QByteArray("?\xf3"
                                           "d?\r\n"));
    }

    void aFailedLoadKeepsTheText() {
        auto w = start(false);
        ScriptedMessageBoxes boxes;
        ScriptedFileDialogs dialogs;
        w->txbText->setPlainText("composed with care");
        dialogs.answer(fileIn("vanished.txt"));

        QTest::mouseClick(w->cmdLoadSaveTextbox[0], Qt::LeftButton);

        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].prompt, QString("File Not Found"));
        QCOMPARE(boxes.shown[0].icon, Icon::Critical);
        QCOMPARE(w->txbText->toPlainText(), QString("composed with care"));
    }

    void clearAndPasteCanBeUndone() {
        auto w = start(false);
        w->txbText->setPlainText("composed");
        QTest::mouseClick(w->cmdClearTextbox, Qt::LeftButton);
        QCOMPARE(w->txbText->toPlainText(), QString());
        QCOMPARE(w->lblTextbox->text(), StatusTexts::TextboxLabel(0));
        w->txbText->undo();
        QCOMPARE(w->txbText->toPlainText(), QString("composed"));

        clipboard()->setText("line 1\r\nline 2");
        QTest::mouseClick(w->cmdCopyFromClipboard, Qt::LeftButton);
        QCOMPARE(w->text(), QString("line 1\r\nline 2"));

        clipboard()->setImage(QImage(2, 2, QImage::Format_RGB32));
        QTest::mouseClick(w->cmdCopyFromClipboard, Qt::LeftButton);
        QCOMPARE(w->text(), QString());
        w->txbText->undo();
        QCOMPARE(w->text(), QString("line 1\r\nline 2"));
    }

    // ---- enlarged text window -----------------------------------------------------------

    void enlargedEditsComeBackInEncryptModeOnly_data() {
        QTest::addColumn<bool>("decrypt");
        QTest::addColumn<bool>("closeByFrame");
        QTest::newRow("encrypt mode, Close button") << false << false;
        QTest::newRow("encrypt mode, window frame") << false << true;
        QTest::newRow("decrypt mode") << true << false;
    }
    void enlargedEditsComeBackInEncryptModeOnly() {
        QFETCH(bool, decrypt);
        QFETCH(bool, closeByFrame);
        auto w = start(false);
        ScriptedModals modals;
        if (decrypt)
            w->optDecrypt->setChecked(true);
        w->txbText->setPlainText("line 1\nline 2");
        w->txbText->moveCursor(QTextCursor::End);
        modals.script([&](QDialog* d) {
            auto* large = qobject_cast<frmLargeTextbox*>(d);
            QVERIFY(large);
            QCOMPARE(large->text(), QString("line 1\r\nline 2"));
            QCOMPARE(large->txbText->isReadOnly(), decrypt);
            QCOMPARE(large->txbText->font().family(), w->txbText->font().family());
            QTest::keyClicks(large->txbText, "new ");
            // Keyboard users select for copying in either mode, and the button says so.
            QTest::keyClick(large->txbText, Qt::Key_End, Qt::ShiftModifier);
            QVERIFY(large->txbText->textCursor().hasSelection());
            QCOMPARE(large->cmdCopyToClipboard->text(), GetText(176));
            // Coming back to the window keeps what was typed.
            QEvent activation(QEvent::ActivationChange);
            QCoreApplication::sendEvent(large, &activation);
            if (closeByFrame)
                large->close();
            else
                QTest::mouseClick(large->cmdClose, Qt::LeftButton);
            QVERIFY(!large->isVisible());
        });

        QTest::mouseClick(w->cmdEnlargeTextbox, Qt::LeftButton);

        QCOMPARE(modals.shown, QStringList{"frmLargeTextbox"});
        QCOMPARE(w->text(), decrypt ? QString("line 1\r\nline 2") : "new line 1\r\nline 2");
        QCOMPARE(w->txbText->textCursor().position(), 0);
    }

    void enlargedCopyTakesTheSelectionOrAll_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<bool>("select");
        QTest::addColumn<int>("widthTwips");
        QTest::newRow("English, whole text") << ProgramText::English << false << 2500;
        QTest::newRow("English, selection") << ProgramText::English << true << 3750;
        QTest::newRow("German, whole text") << ProgramText::German << false << 3500;
        QTest::newRow("German, selection") << ProgramText::German << true << 5700;
    }
    void enlargedCopyTakesTheSelectionOrAll() {
        QFETCH(int, language);
        QFETCH(bool, select);
        QFETCH(int, widthTwips);
        auto w = start(false);
        ProgramText::setLanguage(language);
        ScriptedModals modals;
        w->txbText->setPlainText("first line\nsecond line");
        modals.script([&](QDialog* d) {
            auto* large = qobject_cast<frmLargeTextbox*>(d);
            QVERIFY(QTest::qWaitForWindowActive(large));
            QCOMPARE(large->cmdCopyToClipboard->text(), GetText(175));
            if (select) {
                QTextCursor c = large->txbText->textCursor();
                c.setPosition(11);
                c.setPosition(17, QTextCursor::KeepAnchor);
                large->txbText->setTextCursor(c);
            }
            QCOMPARE(large->cmdCopyToClipboard->text(), select ? GetText(176) : GetText(175));
            QVERIFY(large->cmdCopyToClipboard->width() >= twipsToPixels(widthTwips));
            QVERIFY(large->cmdCopyToClipboard->width() >=
                    large->cmdCopyToClipboard->sizeHint().width());

            QTest::mouseClick(large->cmdCopyToClipboard, Qt::LeftButton);

            QCOMPARE(clipboard()->text(), select ? "second" : "first line\nsecond line");
            QVERIFY(!large->txbText->textCursor().hasSelection());
            QCOMPARE(large->cmdCopyToClipboard->text(), GetText(175));
            QVERIFY(large->cmdClose->hasFocus());
        });
        QTest::mouseClick(w->cmdEnlargeTextbox, Qt::LeftButton);
        QCOMPARE(modals.shown.size(), 1);
    }

    void enlargedWindowSitsOverTheMainWindow() {
        auto w = start(false);
        ScriptedModals modals;
        w->txbText->setPlainText("text");
        w->move(0, 0);
        modals.script([&](QDialog* d) {
            const QSize minimum(twipsToPixels(frmLargeTextbox::kMinWidth),
                                twipsToPixels(frmLargeTextbox::kMinHeight));
            QCOMPARE(d->minimumSize(), minimum);
            QCOMPARE(d->width(), qMax(w->width(), minimum.width()));
            QCOMPARE(d->x(), w->frameGeometry().x());
            // As far below the main window's top as the screen allows.
            const QRect screen = d->screen()->availableGeometry();
            QVERIFY(d->frameGeometry().top() <=
                    w->frameGeometry().top() + twipsToPixels(frmLargeTextbox::kTopOffset));
            QVERIFY(d->frameGeometry().top() >= screen.top());
            QCOMPARE(d->height(), qMax(w->height() - twipsToPixels(frmLargeTextbox::kHeightLess),
                                       minimum.height()));
            d->resize(10, 10);
            QCOMPARE(d->size(), minimum);
        });
        QTest::mouseClick(w->cmdEnlargeTextbox, Qt::LeftButton);
        QCOMPARE(modals.shown.size(), 1);
    }
};

QTEST_MAIN(TestMsgCommands)
#include "tst_msgcommands.moc"
