// SPDX-License-Identifier: GPL-3.0-or-later
// Every failure text of the message path and the keyfile commands that needs a failing
// cipher, driven through the real command as the user runs it: the box shown, and the
// window left as it was. Where a real input reaches the failure (an empty block, a character
// lost in the mail, an empty payload) the test uses it; otherwise the cipher backend's test
// injector (Cipher::injectFailure) makes the entry fail. Also: a successful decryption
// leaves the clipboard as it was, and the start-up asks for the master key in German when
// German is chosen.
#include "backends/cipher/cipher.h"
#include "keys/cb_man.h"
#include "keys/frmkeyboardwithdisplay.h"
#include "keys/keyrules.h"
#include "mainwindow/frmmain.h"
#include "message/encdecmsg.h"
#include "support/ansi.h"
#include "support/scripted.h"
#include "testsupport/mainfixture.h"
#include "testsupport/message.h"
#include "testsupport/testsupport.h"
#include "text/programtext.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <cstdio>
#include <memory>

using namespace Seams;
using Cipher::Entry;
using Cipher::InjectedFailure;
using TestSupport::TestMain;

namespace {

const QString CRLF = QStringLiteral("\r\n");
using TestSupport::kTestEntry;
const QString kMasterKey = QStringLiteral("my secret master key 2024");
const char kFatalChild[] = "--fatal-148-child";

QClipboard* clipboard() {
    return QGuiApplication::clipboard();
}

InjectedFailure result(int r) {
    return {InjectedFailure::Result, r};
}
const InjectedFailure kOutOfMemory{InjectedFailure::OutOfMemory, 0};
const InjectedFailure kRunTimeFailure{InjectedFailure::RunTimeFailure, 0};

// The armour a sender holding kTestEntry would mail for package, as text.
QString armourOf(const QByteArray& package) {
    return QString::fromLatin1(TestSupport::armourOf(package));
}

// A real age file whose payload is empty, under kTestEntry's key: db gives 0 for it.
QString armourOfEmptyPayload() {
    const QByteArray key =
        Ansi::toAnsi(KeyRules::ExtendedReducedKey(EncDecMsg::CurrentKey(kTestEntry)));
    Cipher::oi(key.constData(), 1, 0);
    QByteArray file(Cipher::kBufferSize, '\0');
    const int n = Cipher::eb("", 0, file.data(), int(file.size()));
    QByteArray armour(Cipher::kBufferSize, '\0');
    const int a = n > 0 ? Cipher::cob(file.constData(), n, armour.data(), int(armour.size())) : 0;
    if (a <= 0)
        qFatal("cannot make the empty-payload armour");
    return Ansi::fromAnsi(armour.left(a));
}

// The package of a message of text alone.
QByteArray packageOf(const QByteArray& text) {
    return QByteArray::number(text.size()) + '\t' + text + '\t';
}

QString mail(const QString& armour) {
    return "Hi Ann,\r\n\r\n" + armour + "\r\n\r\nBob\r\n";
}

// What the user sees of the window, and what the commands keep behind it.
struct WindowState {
    QString text;
    QStringList slotNames;
    QStringList sizes;
    QList<QByteArray> contents;
    QStringList keys;
    int selected = -1;
    bool decryptMode = false;
    bool notStored = false;
    QString clipboardText;
    QByteArray keyfile;

    bool operator==(const WindowState&) const = default;
};

WindowState stateOf(const frmMain& w) {
    WindowState s;
    s.text = w.text();
    for (int i = 0; i < frmMain::kSlots; ++i) {
        s.slotNames << w.txbFile[i]->text();
        s.sizes << (w.lblFilesize[i]->isVisible() ? w.lblFilesize[i]->text() : QString());
        s.contents << w.msgState.strFileContents[i];
    }
    s.keys = TestSupport::entriesOf(w.cboKeys);
    s.selected = w.cboKeys->currentIndex();
    s.decryptMode = w.optDecrypt->isChecked();
    s.notStored = w.blnKeyListNotStored;
    s.clipboardText = clipboard()->text();
    s.keyfile = TestSupport::readAll(w.strStoredKeysFile);
    return s;
}

QString describe(const WindowState& s) {
    return QStringLiteral("text %1, slots %2, keys %3 (%4), %5, clipboard %6 chars, keyfile %7")
        .arg(s.text.left(20), s.slotNames.join('|'), s.keys.join('|'))
        .arg(s.selected)
        .arg(s.decryptMode ? "decrypt" : "encrypt")
        .arg(s.clipboardText.size())
        .arg(s.keyfile.size());
}

// Answers the next master-key dialog with kMasterKey, and a repeated one (a store to a new
// keyfile asks twice) with the same key.
void typeMasterKey(ScriptedModals& modals) {
    modals.script([&modals](QDialog* d) {
        auto* dialog = qobject_cast<frmKeyboardWithDisplay*>(d);
        QVERIFY(dialog);
        dialog->txbKey->selectAll();
        QTest::keyClicks(dialog->txbKey, kMasterKey);
        dialog->cmdYes->click();
        modals.answerNext = [](QDialog* next) {
            auto* again = qobject_cast<frmKeyboardWithDisplay*>(next);
            if (!again || !again->blnConfirmingMasterKey)
                return false;
            QTest::keyClicks(again->txbKey, kMasterKey);
            again->cmdYes->click();
            return true;
        };
    });
}

// A window in the state the row's command starts from: a key list of one selected entry,
// written text or an earlier decrypted message with a file, a keyfile.
std::unique_ptr<TestMain> startFor(const QString& command) {
    auto w = TestSupport::startMain();
    w->blnKeyfilePathShown = true;
    // The get asks before it replaces a list; it starts from an empty one here.
    if (command != "get") {
        CB_Man::InsertSorted(w->cboKeys, kTestEntry, 2451545);
        w->cboKeys->setCurrentIndex(0);
    }
    if (command == "decrypt") {
        w->optDecrypt->setChecked(true);
        w->showDecryptedText("earlier message");
        w->msgState.strFileContents[0] = "earlier file";
        w->showReceivedFile(0, "earlier.txt", 12);
    } else {
        w->txbText->setPlainText("The message to send.");
    }
    return w;
}

// The fatal row in a process of its own, since text 148 ends the program: the decrypt
// command with cci reporting a library that was never started. Prints each box and whether
// the window was still as before while it was shown.
int fatalChild() {
    TestSupport::DataFolder::initTestCase(true);
    TestSupport::DataFolder data;
    auto w = startFor("decrypt");
    clipboard()->setText(mail(armourOf(packageOf("Hi"))));
    const WindowState before = stateOf(*w);
    ScriptedMessageBoxes boxes;
    boxes.onShow = [&](const MessageBoxRequest& box) {
        std::printf("box|%s|%d|%s|%d|%s\n", qPrintable(box.prompt), int(box.icon),
                    qPrintable(box.title), int(box.buttons),
                    stateOf(*w) == before ? "unchanged" : "changed");
        std::fflush(stdout);
    };
    Cipher::injectFailure(Entry::cci, result(-2));
    w->cmdDecryptMessage->click();
    std::printf("returned\n");
    return 0;
}

} // namespace

Q_DECLARE_METATYPE(Cipher::InjectedFailure)

class TestFailureTexts : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSupport::DataFolder> data;

private slots:
    void initTestCase() { TestSupport::DataFolder::initTestCase(true); }
    void init() { data = std::make_unique<TestSupport::DataFolder>(); }
    void cleanup() {
        Cipher::clearInjectedFailures();
        data.reset();
    }

    // Each row: the command, what is on the clipboard for a decryption, the entry that
    // fails and how (none: the clipboard's real contents fail), and the box: prompt text
    // numbers joined as the program joins them, title.
    void failureText_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("clipboardText");
        QTest::addColumn<int>("entry");
        QTest::addColumn<InjectedFailure>("failure");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<QString>("title");
        const InjectedFailure none;
        const QString armour = armourOf(packageOf("The message to send."));
        const QString t13 = GetText(13);

        // Decrypt: dcob.
        QTest::newRow("dcob 0: nothing between the markers (154)")
            << "decrypt"
            << QString(300, 'A') + CRLF + "TessamailMessageBegin" + CRLF + "TessamailMessageEnd"
            << 0 << none << GetText(154) << t13;
        QString lostCharacter = armour;
        lostCharacter.remove(lostCharacter.indexOf(CRLF) + 30, 1); // inside the base64
        QTest::newRow("dcob below -2: a character lost on the way (155)")
            << "decrypt" << mail(lostCharacter) << 0 << none << GetText(155) << t13;
        // Decrypt: db and CipherBuffer.
        QTest::newRow("db 0: an empty payload (157)")
            << "decrypt" << mail(armourOfEmptyPayload()) << 0 << none << GetText(157) << t13;
        QTest::newRow("out of memory while decrypting (156)")
            << "decrypt" << mail(armour) << int(Entry::db) << kOutOfMemory << GetText(156)
            << t13;
        QTest::newRow("run-time failure while decrypting (155)")
            << "decrypt" << mail(armour) << int(Entry::db) << kRunTimeFailure << GetText(155)
            << t13;
        // Encrypt: CipherBuffer, eb and cob.
        QTest::newRow("out of memory while encrypting (356)")
            << "encrypt" << QString() << int(Entry::eb) << kOutOfMemory << GetText(356) << t13;
        QTest::newRow("run-time failure while encrypting (357)")
            << "encrypt" << QString() << int(Entry::eb) << kRunTimeFailure << GetText(357)
            << t13;
        QTest::newRow("eb failed (358)")
            << "encrypt" << QString() << int(Entry::eb) << result(Cipher::kRefused)
            << GetText(358) << t13;
        QTest::newRow("eb gave nothing (359)")
            << "encrypt" << QString() << int(Entry::eb) << result(0) << GetText(359) << t13;
        QTest::newRow("cob failed (358)")
            << "encrypt" << QString() << int(Entry::cob) << result(-1) << GetText(358) << t13;
        QTest::newRow("cob gave nothing (359)")
            << "encrypt" << QString() << int(Entry::cob) << result(0) << GetText(359) << t13;
        // Keyfile store and get.
        QTest::newRow("store: the list could not be encrypted (455)")
            << "store" << QString() << int(Entry::eb) << result(Cipher::kRefused)
            << GetText(455) << t13;
        QTest::newRow("store: encrypting gave nothing (80)")
            << "store" << QString() << int(Entry::eb) << result(0) << GetText(80) << t13;
        QTest::newRow("get: an unexpected failure (79)")
            << "get" << QString() << int(Entry::db) << kRunTimeFailure
            << GetText(71) + "  " + GetText(79) + CRLF + GetText(72) << t13;
    }
    void failureText() {
        QFETCH(QString, command);
        QFETCH(QString, clipboardText);
        QFETCH(int, entry);
        QFETCH(InjectedFailure, failure);
        QFETCH(QString, prompt);
        QFETCH(QString, title);
        auto w = startFor(command);
        if (command == "get") // any bytes: db is made to fail before it reads them
            QVERIFY(TestSupport::writeFile(w->strStoredKeysFile, "stored keys"));
        clipboard()->setText(clipboardText.isEmpty() ? QStringLiteral("on the clipboard")
                                                     : clipboardText);
        const WindowState before = stateOf(*w);
        Cipher::injectFailure(Entry(entry), failure);
        ScriptedMessageBoxes boxes;
        ScriptedModals modals;
        if (command == "store" || command == "get")
            typeMasterKey(modals);

        QPushButton* button = command == "decrypt" ? w->cmdDecryptMessage
                              : command == "encrypt" ? w->cmdEncryptMessage
                              : command == "store"   ? w->cmdEncryptStoredKeys
                                                     : w->cmdDecryptStoredKeys;
        QTest::mouseClick(button, Qt::LeftButton);

        QCOMPARE(boxes.shown.size(), 1);
        const MessageBoxRequest& box = boxes.shown.first();
        QCOMPARE(box.prompt, prompt);
        QCOMPARE(box.icon, Icon::Exclamation);
        QCOMPARE(box.title, title);
        QCOMPARE(box.buttons, Buttons::OK);
        const WindowState after = stateOf(*w);
        QVERIFY2(after == before, qPrintable(describe(before) + " / " + describe(after)));
    }

    // cci reporting a library that was never started is fatal: text 148 in a plain box, and
    // the program ends at once, with the window as it was.
    void fatalText148EndsTheProgram() {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kFatalChild)});
        QVERIFY(child.waitForFinished(120000));
        const QString out = QString::fromUtf8(child.readAllStandardOutput());
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), EXIT_FAILURE);
        QCOMPARE(out, QStringLiteral("box|%1|%2||%3|unchanged\n")
                          .arg(GetText(148))
                          .arg(int(Icon::None))
                          .arg(int(Buttons::OK)));
    }

    // A successful decryption reads the clipboard and leaves it as it was.
    void decryptionLeavesTheClipboardAsItWas() {
        auto w = startFor("decrypt");
        const QString received = mail(armourOf(packageOf("The message to send.")));
        clipboard()->setText(received);
        ScriptedMessageBoxes boxes;
        QTest::mouseClick(w->cmdDecryptMessage, Qt::LeftButton);
        QCOMPARE(boxes.lastPrompt(), GetText(53));
        QCOMPARE(w->text(), QString("The message to send."));
        QCOMPARE(clipboard()->text(), received);
    }

    // German chosen in the parameters file and a keyfile there: the start-up asks for the
    // master key in German.
    void startupAsksForTheMasterKeyInGerman() {
        QVERIFY(TestSupport::writeFile(data->keyfile(), "stored keys"));
        QVERIFY(TestSupport::writeFile(data->parametersFile(),
                                       "\"" + data->keyfile().toUtf8() + "\"\r\n\"1\"\r\n"));
        ScriptedMessageBoxes boxes;
        ScriptedModals modals;
        QString title, prompt, question;
        modals.script([](QDialog*) {}); // the keyfile path, shown once a run
        modals.script([&](QDialog* d) {
            auto* dialog = qobject_cast<frmKeyboardWithDisplay*>(d);
            QVERIFY(dialog);
            title = dialog->windowTitle();
            prompt = dialog->lblEntertheKey->text();
            question = dialog->lblUseThisKey->text();
            dialog->cmdCancel->click();
        });
        auto w = TestSupport::startMain();
        QCOMPARE(modals.shown, QStringList({"frmSpecifyKeyfilePath", "frmKeyboardWithDisplay"}));
        QCOMPARE(ProgramText::language(), int(ProgramText::German));
        QCOMPARE(title, QString::fromUtf8("Schlüssel laden und entschlüsseln"));
        QCOMPARE(prompt, QString::fromUtf8(
                           "Geben Sie den Hauptschlüssel ein (mindestens 16 Zeichen, "
                           "Leerzeichen zählen nicht):"));
        QCOMPARE(question, QString::fromUtf8("Diesen Hauptschlüssel verwenden?"));
        QVERIFY(boxes.shown.isEmpty());
        QCOMPARE(w->cboKeys->count(), 0);
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    if (app.arguments().contains(QString::fromLatin1(kFatalChild)))
        return fatalChild();
    TestFailureTexts test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_failuretexts.moc"
