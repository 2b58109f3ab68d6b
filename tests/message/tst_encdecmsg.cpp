// SPDX-License-Identifier: GPL-3.0-or-later
// The whole message path through the real cipher: packing, encryption, armour, the block
// search in a pasted mail, decryption and the split, and what the user is told when any
// of it fails.
#include "backends/cipher/cipher.h"
#include "keys/keyrules.h"
#include "message/encdecmsg.h"
#include "support/ansi.h"
#include "support/scripted.h"
#include "testsupport/mangledmail.h"
#include "testsupport/message.h"
#include "testsupport/testsupport.h"
#include "text/programtext.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace EncDecMsg;
using Seams::Answer;
using Seams::Buttons;
using Seams::Icon;
using Seams::MessageBoxRequest;
using Seams::ScriptedMessageBoxes;

namespace {

using TestSupport::armourOf;
using TestSupport::kTestEntry;
const QString kOtherEntry = QString::fromUtf8("bob «» a different key entirely");

struct ReceivedFile {
    int slot;
    QString name;
    qint32 size;
};

// The main window as the message path sees it: plain values in, calls recorded.
struct FakeWindow : MessageWindow {
    QString txbText;
    QString paths[kNumSlots];
    QString entry = kTestEntry;

    std::optional<QString> shownText;
    QList<ReceivedFile> files;
    int decryptModeSelected = 0;

    QString text() const override { return txbText; }
    QString slotPath(int slot) const override { return paths[slot]; }
    QString selectedKeyEntry() const override { return entry; }
    void showDecryptedText(const QString& t) override { shownText = t; }
    void showReceivedFile(int slot, const QString& name, qint32 size) override {
        files.append({slot, name, size});
    }
    void selectDecryptMode() override { ++decryptModeSelected; }
    bool untouched() const { return !shownText && files.isEmpty(); }
};

QByteArray allByteValues() {
    QByteArray b(256, '\0');
    for (int i = 0; i < 256; ++i)
        b[i] = char(i);
    return b;
}

QByteArray pkg(const char* s) {
    return QString::fromUtf8(s).replace(u'→', u'\t').toLatin1();
}

QByteArray dearmour(const QByteArray& armour) {
    QByteArray bytes(Cipher::kBufferSize, '\0');
    const int n =
        Cipher::dcob(armour.constData(), int(armour.size()), bytes.data(), int(bytes.size()));
    return n > 0 ? bytes.left(n) : QByteArray();
}

// Armour with a correct transport checksum around whatever bytes are given.
QByteArray rearmour(const QByteArray& bytes) {
    QByteArray armour(Cipher::kBufferSize, '\0');
    const int n =
        Cipher::cob(bytes.constData(), int(bytes.size()), armour.data(), int(armour.size()));
    return n > 0 ? armour.left(n) : QByteArray();
}

// The ways a received block can go wrong on its way.
QByteArray mangled(const QString& how, const QByteArray& armour) {
    if (how == "changed character") {
        QByteArray a = armour;
        const qsizetype at = a.indexOf("\r\n") + 20; // inside the first line of base64
        a[at] = a[at] == 'A' ? 'B' : 'A';
        return a;
    }
    if (how == "cut short")
        return armour.left(armour.size() * 2 / 3);
    if (how == "payload altered") {
        QByteArray bytes = dearmour(armour);
        bytes[bytes.size() - 1] = char(bytes[bytes.size() - 1] ^ 0x01);
        return rearmour(bytes);
    }
    if (how == "work factor 23") {
        QByteArray bytes = dearmour(armour);
        const qsizetype stanza = bytes.indexOf("-> scrypt ");
        const qsizetype lineEnd = bytes.indexOf('\n', stanza);
        const qsizetype space = bytes.lastIndexOf(' ', lineEnd);
        if (stanza < 0 || lineEnd < 0 || space < stanza)
            return {};
        bytes.replace(space + 1, lineEnd - space - 1, "23");
        return rearmour(bytes);
    }
    return armour;
}

void checkOneBox(const ScriptedMessageBoxes& boxes, const QString& prompt, Icon icon,
                 const QString& title, Buttons buttons = Buttons::OK) {
    QCOMPARE(boxes.shown.size(), 1);
    const MessageBoxRequest& box = boxes.shown.first();
    QCOMPARE(box.prompt, prompt);
    QCOMPARE(box.icon, icon);
    QCOMPARE(box.title, title);
    QCOMPARE(box.buttons, buttons);
}

QString limitSentence() {
    return "\r\n\r\n" + GetText(57) + " 102,400 bytes (100 KB).";
}

} // namespace

class TestEncDecMsg : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QString writeFile(const QString& name, const QByteArray& contents) {
        return TestSupport::writtenFile(dir.filePath(name), contents);
    }

    // Fresh bytes for every call.
    QByteArray randomBytes(qsizetype n) {
        return TestSupport::randomBytes(n, QRandomGenerator::global()->generate());
    }

private slots:
    void initTestCase() {
        TestSupport::loadProgramTexts();
        QVERIFY(Cipher::alb() != 0);
        Cipher::setWorkFactor(10);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QVERIFY(dir.isValid());
    }

    // Sender and receiver each with their own window and state.
    void roundTrip_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<QByteArray>>("slotContents"); // null: empty slot
        const QByteArray none;
        QTest::newRow("text only")
            << QString::fromUtf8("Grüße, € and ÿ") << QList{none, none, none};
        QTest::newRow("empty text, one file") << QString() << QList{QByteArray("abc"), none, none};
        QTest::newRow("slots 0 and 2, slot 1 empty")
            << "Hi" << QList{QByteArray("first"), none, QByteArray("third\tfile")};
        QTest::newRow("three files")
            << "three" << QList{QByteArray("1"), QByteArray("22"), QByteArray("333")};
        QTest::newRow("TAB, CR and LF in the text") << "a\tb\r\nc\nd\re\t\t\r\n"
                                                    << QList{QByteArray("\t\r\n"), none, none};
        QTest::newRow("102,400-character text")
            << QString("Line of text\r\n").repeated(7315).left(102400) << QList{none, none, none};
        QTest::newRow("all 256 byte values in a file")
            << "bytes" << QList{allByteValues().repeated(40), none, none};
    }
    void roundTrip() {
        QFETCH(QString, text);
        QFETCH(QList<QByteArray>, slotContents);
        FakeWindow sender;
        sender.txbText = text;
        QList<QByteArray> sent;
        for (int i = 0; i < kNumSlots; ++i) {
            if (slotContents[i].isNull())
                continue;
            // Surrounding spaces in a slot are not part of the path.
            sender.paths[i] = "  " + writeFile(QString("file%1.bin").arg(i), slotContents[i]) + " ";
            sent.append(slotContents[i]);
        }
        State out;
        ScriptedMessageBoxes boxes;
        const qint32 r = PackAndEncryptMessage(out, sender);
        QVERIFY(r > 0);
        QCOMPARE(r, out.strCipherText.size());
        checkOneBox(boxes, GetText(146), Icon::None, GetText(147));

        FakeWindow receiver;
        receiver.entry = sender.entry;
        State in;
        in.strCipherText = out.strCipherText;
        QVERIFY(DecryptMessage(in, receiver));
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(receiver.shownText.value(), text);
        QCOMPARE(receiver.files.size(), sent.size());
        for (int i = 0; i < sent.size(); ++i) {
            // Files arrive in the sender's order, in the first slots.
            QCOMPARE(receiver.files[i].slot, i);
            QVERIFY(receiver.files[i].name.startsWith("file"));
            QCOMPARE(receiver.files[i].size, sent[i].size());
            QCOMPARE(in.strFileContents[i], sent[i]);
        }
        QCOMPARE(receiver.decryptModeSelected, 0);
    }

    void packageExamples() {
        FakeWindow w;
        w.txbText = "Hi";
        w.paths[0] = writeFile("x.txt", "abc");
        State s;
        ScriptedMessageBoxes boxes;
        QVERIFY(PackAndEncryptMessage(s, w) > 0);
        QCOMPARE(s.strPlainPackage, pkg("2→Hix.txt→3→abc→"));

        // A TAB in a file name would split the name; it travels as a space.
        w.paths[0] = writeFile("a\tb.txt", "abc");
        QVERIFY(PackAndEncryptMessage(s, w) > 0);
        QCOMPARE(s.strPlainPackage, pkg("2→Hia b.txt→3→abc→"));

        FakeWindow empty;
        empty.paths[1] = "   "; // a slot of spaces is an empty slot
        QCOMPARE(PackAndEncryptMessage(s, empty), 0);
        QCOMPARE(s.strPlainPackage, pkg("0→→"));
        QCOMPARE(boxes.lastPrompt(), GetText(340));
    }

    void sizeBorders_data() {
        QTest::addColumn<int>("textLength");
        QTest::addColumn<int>("fileSize");   // 0: no file
        QTest::addColumn<QString>("prompt"); // empty: accepted
        QTest::newRow("102,400-character text") << 102400 << 0 << QString();
        QTest::newRow("102,401-character text") << 102401 << 0 << GetText(342) + limitSentence();
        QTest::newRow("100,000 + 2,400") << 100000 << 2400 << QString();
        QTest::newRow("100,000 + 2,401")
            << 100000 << 2401 << GetText(341) + ": 102,401 bytes (101 KB)" + limitSentence();
    }
    void sizeBorders() {
        QFETCH(int, textLength);
        QFETCH(int, fileSize);
        QFETCH(QString, prompt);
        FakeWindow w;
        w.txbText = QString(textLength, 'x');
        if (fileSize)
            w.paths[0] = writeFile("sized.bin", randomBytes(fileSize));
        State s;
        ScriptedMessageBoxes boxes;
        const qint32 r = PackAndEncryptMessage(s, w);
        if (prompt.isEmpty()) {
            QVERIFY(r > 0);
            checkOneBox(boxes, GetText(146), Icon::None, GetText(147));
        } else {
            QCOMPARE(r, 0);
            QVERIFY(s.strCipherText.isEmpty());
            checkOneBox(boxes, prompt, Icon::Exclamation, GetText(58));
        }
    }

    void packerRefusals_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<QString>("title");
        const QString missing = dir.filePath("missing.txt");
        const QString empty = writeFile("empty.txt", {});
        const QString big = writeFile("big.bin", QByteArray(102401, 'b'));
        const QString small = writeFile("small.txt", "abc");
        QTest::newRow("nothing to encrypt")
            << QString() << QStringList{"", " ", ""} << GetText(340) << GetText(51);
        QTest::newRow("missing file") << "Hi" << QStringList{small, missing, ""}
                                      << missing + " " + GetText(177) << GetText(51);
        QTest::newRow("empty file")
            << "Hi" << QStringList{"", "", empty}
            << empty + " " + GetText(118) + "  " + GetText(178) << GetText(51);
        QTest::newRow("a missing file is reported before the size")
            << "Hi" << QStringList{big, missing, ""} << missing + " " + GetText(177) << GetText(51);
        // A file left out for its size must not make the message read as empty.
        QTest::newRow("empty text and a file over the limit")
            << QString() << QStringList{big, "", ""}
            << GetText(341) + ": 102,401 bytes (101 KB)" + limitSentence() << GetText(58);
    }
    void packerRefusals() {
        QFETCH(QString, text);
        QFETCH(QStringList, paths);
        QFETCH(QString, prompt);
        QFETCH(QString, title);
        FakeWindow w;
        w.txbText = text;
        for (int i = 0; i < kNumSlots; ++i)
            w.paths[i] = paths[i];
        State s;
        s.strCipherText = "earlier armour";
        ScriptedMessageBoxes boxes;
        QCOMPARE(PackAndEncryptMessage(s, w), 0);
        QCOMPARE(s.strCipherText, QByteArray("earlier armour"));
        checkOneBox(boxes, prompt, Icon::Exclamation, title);
    }

    // Text Windows-1252 cannot carry is only sent after the user agrees. Each character
    // counts once and arrives as one "?", also one of two UTF-16 units; the question names
    // the first five different ones with their codes.
    void unrepresentableCharacters_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("fileName"); // empty: no file
        QTest::addColumn<int>("count");        // 0: nothing to ask
        QTest::addColumn<QString>("named");
        QTest::addColumn<bool>("agree");
        QTest::addColumn<QString>("received");
        QTest::addColumn<QString>("receivedName");
        const QString text = QString::fromUtf8("Grüße ✓ 😀");
        const QString named = QString::fromUtf8("✓ (U+2713), 😀 (U+1F600)");
        QTest::newRow("refused") << text << QString() << 2 << named << false << QString()
                                 << QString();
        QTest::newRow("agreed") << text << QString() << 2 << named << true
                                << QString::fromUtf8("Grüße ? ?") << QString();
        QTest::newRow("in a file name") << "Hi" << QString::fromUtf8("✓ list.txt") << 1
                                        << QString::fromUtf8("✓ (U+2713)") << true << "Hi"
                                        << "? list.txt";
        QTest::newRow("first five different ones named")
            << QString::fromUtf8("αβαγ\u200bδεζ") << QString::fromUtf8("η.txt") << 9
            << QString::fromUtf8("α (U+03B1), β (U+03B2), γ (U+03B3), \u200b (U+200B), "
                                 "δ (U+03B4)")
            << true << "????????"
            << "?.txt";
        QTest::newRow("all representable")
            << QString::fromUtf8("Grüße € ÿ Œ") << QString::fromUtf8("café.txt") << 0 << QString()
            << true << QString::fromUtf8("Grüße € ÿ Œ") << QString::fromUtf8("café.txt");
    }
    void unrepresentableCharacters() {
        QFETCH(QString, text);
        QFETCH(QString, fileName);
        QFETCH(int, count);
        QFETCH(QString, named);
        QFETCH(bool, agree);
        QFETCH(QString, received);
        QFETCH(QString, receivedName);
        FakeWindow w;
        w.txbText = text;
        if (!fileName.isEmpty())
            w.paths[0] = writeFile(fileName, "data");
        State s;
        ScriptedMessageBoxes boxes;
        if (count)
            boxes.answer(agree ? Answer::Yes : Answer::No);
        const qint32 r = PackAndEncryptMessage(s, w);
        if (count) {
            const MessageBoxRequest& ask = boxes.shown.first();
            QCOMPARE(ask.prompt, GetText(400) + " " + QString::number(count) + "\r\n" +
                                     GetText(512) + " " + named + "\r\n\r\n" + GetText(401));
            QCOMPARE(ask.buttons, Buttons::YesNo);
            QCOMPARE(ask.icon, Icon::Exclamation);
            QCOMPARE(ask.title, GetText(402));
            QCOMPARE(ask.defaultButton, 2); // No
        }
        if (!agree) {
            QCOMPARE(r, 0);
            QCOMPARE(boxes.shown.size(), 1);
            QVERIFY(s.strCipherText.isEmpty());
            return;
        }
        QVERIFY(r > 0);
        QCOMPARE(boxes.shown.size(), count ? 2 : 1);
        FakeWindow receiver;
        State in;
        in.strCipherText = s.strCipherText;
        QVERIFY(DecryptMessage(in, receiver));
        QCOMPARE(*receiver.shownText, received);
        if (!fileName.isEmpty())
            QCOMPARE(receiver.files.value(0).name, receivedName);
    }

    // A total beyond 2 GB is reported as it is, not cut at 2,147,483,647 bytes. The file is
    // sparse: its size costs no disk space, and it is never read.
    void tooLargeReportBeyondTwoGigabytes() {
        FakeWindow w;
        w.txbText = "Hi";
        const QString big = writeFile("big.bin", "x");
        QFile file(big);
        QVERIFY(file.resize(qint64(3) << 30));
        w.paths[1] = big;
        State s;
        ScriptedMessageBoxes boxes;
        QCOMPARE(PackAndEncryptMessage(s, w), 0);
        checkOneBox(boxes, GetText(341) + ": 3,221,225,474 bytes (3,145,729 KB)" + limitSentence(),
                    Icon::Exclamation, GetText(58));
        QVERIFY(s.strCipherText.isEmpty());
    }

    // The armour survives the ways mail programs and users treat it.
    void blockInMail_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QByteArray>("lineBreak");
        const QByteArray greeting = "Dear Ann,\r\n\r\nas promised:\r\n\r\n";
        const QByteArray signature = "\r\n\r\n-- \r\nBob\r\n";
        QTest::newRow("greeting and signature") << greeting << signature << QByteArray("\r\n");
        QTest::newRow("LF only") << greeting << signature << QByteArray("\n");
        QTest::newRow("CR only") << greeting << signature << QByteArray("\r");
        QTest::newRow("white space around")
            << QByteArray(" \t\r\n ") << QByteArray("\t \r\n") << QByteArray("\r\n");
        QTest::newRow("rejected characters glued in front")
            << QByteArray("\xe9\xe0\xfc, \xe8! ") << QByteArray("\r\n\xe9 \xe0.")
            << QByteArray("\r\n");
        QTest::newRow("a name line glued above")
            << QByteArray("Hello,\r\n\r\nBobSmith\r\n") << signature << QByteArray("\r\n");
        QTest::newRow("a long word line, then an empty line") << QByteArray(299, 'w') + ".\r\n\r\n"
                                                              << signature << QByteArray("\r\n");
    }
    void blockInMail() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(QByteArray, lineBreak);
        const QByteArray text = "The message.";
        const QByteArray armour = armourOf(BuildPackage(text, {}));
        QByteArray mail = before + armour + after;
        mail.replace("\r\n", lineBreak);
        State s;
        s.strCipherText = mail;
        FakeWindow w;
        ScriptedMessageBoxes boxes;
        QVERIFY(DecryptMessage(s, w));
        QVERIFY(boxes.shown.isEmpty());
        QCOMPARE(w.shownText.value(), QString(text));
    }

    // What mail programs do to a block on its way (the table of testsupport/mangledmail.h,
    // which tst_cleaning runs through the cleaning alone); each still decrypts, through the
    // second search over a cleaned copy.
    void mangledMail_data() {
        QTest::addColumn<QString>("received");
        const QByteArray armour = armourOf(BuildPackage("The message.", {{"a.txt", "abc"}}));
        TestSupport::MangledMail::Mail mail;
        mail.before = QStringList{"Dear Ann,", "", "as promised:", ""};
        mail.block = QString::fromLatin1(armour).split("\r\n");
        mail.after = QStringList{"", "-- ", "Bob", ""};
        for (const auto& c : TestSupport::MangledMail::cases(mail))
            QTest::newRow(qPrintable(c.name)) << c.received;
    }
    void mangledMail() {
        QFETCH(QString, received);
        State s;
        s.strReceivedText = received;
        s.strCipherText = Ansi::toAnsi(received);
        FakeWindow w;
        ScriptedMessageBoxes boxes;
        QVERIFY2(DecryptMessage(s, w), qPrintable(boxes.lastPrompt()));
        QVERIFY(boxes.shown.isEmpty());
        QCOMPARE(w.shownText.value(), QString("The message."));
        QCOMPARE(s.strFileContents[0], QByteArray("abc"));
    }

    // The second search must not turn a real failure into another one: a mail without a
    // block still says there is none, and a changed character is still reported as such.
    void secondSearchKeepsFirstFailure() {
        const QByteArray armour = armourOf(BuildPackage("x", {}));
        QByteArray quoted = "> " + mangled("changed character", armour);
        quoted.replace("\r\n", "\r\n> ");
        for (const auto& [mail, expected] :
             {std::pair{QByteArray("> Hello,\r\n> nothing here.\r\n").repeated(40), GetText(152)},
              std::pair{quoted, GetText(152)},
              std::pair{mangled("changed character", armour), GetText(153)}}) {
            State s;
            s.strCipherText = mail;
            FakeWindow w;
            ScriptedMessageBoxes boxes;
            QVERIFY(!DecryptMessage(s, w));
            QCOMPARE(boxes.lastPrompt(), expected);
            QVERIFY(w.untouched());
        }
    }

    // Each failure is its own message, and none of them reaches the window.
    void decryptFailures_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("testText");
        const QString t13 = GetText(13);
        // Put together here from the table: the refusal, the message's work factor and the
        // ceiling.
        const QString refused =
            GetText(570) + "\r\n\r\n" + GetText(571) + " 23\r\n" + GetText(572) + " 20";
        QTest::newRow("wrong key") << "" << kOtherEntry << GetText(158) << t13 << GetText(159);
        QTest::newRow("character changed in transit")
            << "changed character" << kTestEntry << GetText(153) << t13 << GetText(153);
        QTest::newRow("armour cut short")
            << "cut short" << kTestEntry << GetText(76) << t13 << GetText(76);
        QTest::newRow("payload altered behind a valid checksum")
            << "payload altered" << kTestEntry << GetText(531) << t13 << GetText(531);
        QTest::newRow("work factor above the ceiling is refused unworked")
            << "work factor 23" << kTestEntry << refused << t13 << refused;
        QTest::newRow("no block") << "no block" << kTestEntry << GetText(152) << GetText(51)
                                  << GetText(152);
    }
    void decryptFailures() {
        QFETCH(QString, how);
        QFETCH(QString, entry);
        QFETCH(QString, prompt);
        QFETCH(QString, title);
        QFETCH(QString, testText);
        const QByteArray armour = armourOf(BuildPackage(randomBytes(3000), {{"f.bin", "x"}}));
        State s;
        s.strCipherText = how == "no block" ? QByteArray("Hello, nothing here.\r\n").repeated(30)
                                            : mangled(how, armour);
        QVERIFY(!s.strCipherText.isEmpty());
        s.strFileContents[0] = "kept";
        FakeWindow w;
        w.entry = entry;
        ScriptedMessageBoxes boxes;
        QVERIFY(!DecryptMessage(s, w));
        checkOneBox(boxes, prompt, Icon::Exclamation, title);
        QCOMPARE(s.strTestErrMsg, testText);
        QVERIFY(w.untouched());
        QCOMPARE(s.strFileContents[0], QByteArray("kept"));
    }

    // A package that does not split keeps what was read before the fault.
    void splitFailures_data() {
        QTest::addColumn<QByteArray>("package");
        QTest::addColumn<int>("code"); // 0: decrypts
        QTest::addColumn<bool>("textShown");
        QTest::addColumn<int>("files");
        QTest::newRow("no TAB") << QByteArray("no tab here") << -1 << false << 0;
        QTest::newRow("ends after the text") << pkg("2→Hi") << 1 << true << 0;
        QTest::newRow("second length without TAB") << pkg("2→Hia→1→xb→12") << 12 << true << 1;
        QTest::newRow("negative text length") << pkg("-5→Hi→") << -2 << false << 0;
        QTest::newRow("file longer than the package") << pkg("2→Hia→99→x→") << 3 << true << 0;
        QTest::newRow("three files without terminator")
            << pkg("2→Hia→1→xb→1→yc→1→z") << 0 << true << 3;
    }
    void splitFailures() {
        QFETCH(QByteArray, package);
        QFETCH(int, code);
        QFETCH(bool, textShown);
        QFETCH(int, files);
        State s;
        s.strCipherText = armourOf(package);
        FakeWindow w;
        ScriptedMessageBoxes boxes;
        QCOMPARE(DecryptMessage(s, w), code == 0);
        if (code == 0) {
            QVERIFY(boxes.shown.isEmpty());
        } else {
            const QString prompt = GetText(160) + " " + QString::number(code);
            checkOneBox(boxes, prompt, Icon::Exclamation, GetText(13));
            QCOMPARE(s.strTestErrMsg, prompt);
        }
        QCOMPARE(w.shownText.has_value(), textShown);
        if (textShown)
            QCOMPARE(*w.shownText, QString("Hi"));
        QCOMPARE(w.files.size(), files);
    }

    void armourLength() {
        // The smallest package the program makes.
        const QByteArray smallest = armourOf(pkg("1→x→"));
        QVERIFY2(smallest.size() >= 300, QByteArray::number(smallest.size()));
        for (const QByteArray& line : smallest.split('\n')) {
            const QByteArray l = line.endsWith('\r') ? line.chopped(1) : line;
            QVERIFY(!l.isEmpty());
            for (char c : l)
                QVERIFY(IsArmourCharacter(static_cast<unsigned char>(c)));
        }

        // The largest: three files filling the limit, with the longest names a file can have.
        FakeWindow w;
        const QString name(251, 'n');
        w.paths[0] = writeFile(name + ".one", randomBytes(34134));
        w.paths[1] = writeFile(name + ".two", randomBytes(34133));
        w.paths[2] = writeFile(name + ".thr", randomBytes(34133));
        State s;
        ScriptedMessageBoxes boxes;
        const qint32 r = PackAndEncryptMessage(s, w);
        QVERIFY2(r > 0, qPrintable(boxes.lastPrompt()));
        QVERIFY(r <= Cipher::kBufferSize);
        FakeWindow receiver;
        State in;
        in.strCipherText = s.strCipherText;
        QVERIFY(DecryptMessage(in, receiver));
        QCOMPARE(receiver.files.size(), 3);
    }

    // The self-test drives the same path with its own key and without success boxes.
    void selfTestFlags() {
        State s;
        s.blnTest = true;
        s.strRandomKey = QString::fromUtf8("Zufälliger Schlüssel mit Leerzeichen");
        s.strPlainPackage = pkg("4→test→");
        ScriptedMessageBoxes boxes;
        QVERIFY(EncryptPackage(s, KeyRules::ExtendedReducedKey(s.strRandomKey)) > 0);
        QVERIFY(boxes.shown.isEmpty());

        const QByteArray armour = s.strCipherText;
        const QString noise = RandomText(*QRandomGenerator::global());
        s.strCipherText = Ansi::toAnsi(noise) + armour + "\r\n" + Ansi::toAnsi(noise);
        FakeWindow w;
        w.entry.clear(); // the list plays no part
        QVERIFY(DecryptMessage(s, w));
        QVERIFY(boxes.shown.isEmpty());
        QCOMPARE(s.strTestText2, QString("test"));
        QCOMPARE(w.decryptModeSelected, 1);

        s.strRandomKey = "some other random key";
        s.strCipherText = armour;
        QVERIFY(!DecryptMessage(s, w));
        QCOMPARE(boxes.lastPrompt(), GetText(158));
        QCOMPARE(s.strTestErrMsg, GetText(159));
    }

    void randomTextIsNeverArmour() {
        QRandomGenerator rng(7);
        for (int round = 0; round < 50; ++round) {
            const QByteArray t = Ansi::toAnsi(RandomText(rng));
            QVERIFY(t.size() < Cipher::kRandomTextBufferSize);
            for (char c : t) {
                QVERIFY(c != '\r' && c != '\n');
                QVERIFY(!IsArmourCharacter(static_cast<unsigned char>(c)));
            }
        }
    }

    // The keyfile relies on this: bytes in, bytes out, and an empty output on failure.
    void cipherBuffer() {
        const QByteArray plain = allByteValues();
        const QString master = KeyRules::ExtendedReducedKey("master key of the list");
        QByteArray cipher;
        QVERIFY(CipherBuffer(plain, cipher, master, true) > 0);
        QByteArray back = "stale";
        QCOMPARE(CipherBuffer(cipher, back, master, false), plain.size());
        QCOMPARE(back, plain);
        back = "stale";
        const QString wrong = KeyRules::ExtendedReducedKey("not the master key");
        QCOMPARE(CipherBuffer(cipher, back, wrong, false), Cipher::kWrongKey);
        QVERIFY(back.isEmpty());
    }

    void keyEntryWithoutKeyIsRefused() {
        FakeWindow w;
        w.txbText = "Hi";
        w.entry = QString::fromUtf8("ann «01.01.2024»   ");
        State s;
        s.strCipherText = armourOf(pkg("2→Hi→"));
        ScriptedMessageBoxes boxes;
        QCOMPARE(PackAndEncryptMessage(s, w), 0);
        QVERIFY(!DecryptMessage(s, w));
        // An entry is selected, so "Please select a key" would be wrong: its key part is empty.
        QCOMPARE(boxes.shown.size(), 2);
        for (const MessageBoxRequest& box : boxes.shown) {
            QCOMPARE(box.prompt, GetText(510));
            QCOMPARE(box.icon, Icon::Information);
            QCOMPARE(box.title, GetText(511));
        }
        QVERIFY(w.untouched());
    }
};

QTEST_MAIN(TestEncDecMsg)
#include "tst_encdecmsg.moc"
