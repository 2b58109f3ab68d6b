// SPDX-License-Identifier: GPL-3.0-or-later
// The last try at a received mail: the armour characters between the markers. First the
// reading itself on small texts, then whole mails, mangled as mail programs and web
// mailers mangle them, through the real decryption.
#include "backends/cipher/cipher.h"
#include "keys/keyrules.h"
#include "message/betweenmarkers.h"
#include "message/cleaning.h"
#include "message/encdecmsg.h"
#include "support/ansi.h"
#include "support/scripted.h"
#include "testsupport/testsupport.h"
#include "text/programtext.h"

#include <QRegularExpression>
#include <QtTest>

#include <functional>
#include <optional>

using MailCleaning::ArmourBetweenMarkers;

namespace {

const QString kBegin = QStringLiteral("TessamailMessageBegin");
const QString kEnd = QStringLiteral("TessamailMessageEnd");
const QString kKey = QStringLiteral("correct horse battery staple");

QByteArray armourOf(const QByteArray& bytes) {
    QByteArray armour(Cipher::kBufferSize, '\0');
    const int n =
        Cipher::cob(bytes.constData(), int(bytes.size()), armour.data(), int(armour.size()));
    return n > 0 ? armour.left(n) : QByteArray();
}

int dcobResult(const QByteArray& block) {
    QByteArray out(Cipher::kBufferSize, '\0');
    return Cipher::dcob(block.constData(), int(block.size()), out.data(), int(out.size()));
}

// Bytes whose armour ends its base64 with one "=" of padding and whose checksum line starts
// with "=3D", so that a plain block holds the quoted-printable escape of "=".
QByteArray bytesWithChecksum3D() {
    for (quint32 seed = 1;; ++seed) {
        const QByteArray bytes = TestSupport::randomBytes(302, seed);
        if (armourOf(bytes).contains("\r\n=3D"))
            return bytes;
    }
}

// Quoted-printable as a mail's source view shows it: "=" and what is not ASCII escaped (the
// latter as UTF-8), lines longer than width broken by soft line breaks.
QString quotedPrintable(const QString& text, int width) {
    QStringList out;
    for (const QString& line : text.split(u'\n')) {
        QString encoded;
        int column = 0;
        for (char c : line.toUtf8()) {
            const QString piece =
                c == '=' || c & 0x80
                    ? QStringLiteral("=%1").arg(uint(quint8(c)), 2, 16, QChar(u'0')).toUpper()
                    : QString(QChar(c));
            if (column + piece.size() > width - 1) {
                encoded += QStringLiteral("=\n");
                column = 0;
            }
            encoded += piece;
            column += int(piece.size());
        }
        out << encoded;
    }
    return out.join(u'\n');
}

QString eachLine(const QString& text, const std::function<QString(const QString&)>& f) {
    QStringList lines = text.split(u'\n');
    for (QString& line : lines)
        line = f(line);
    return lines.join(u'\n');
}

// invisible inserted after every `every` characters of each line, cycling through it.
QString sprinkled(const QString& text, const QString& invisible, int every) {
    int next = 0;
    return eachLine(text, [&](const QString& line) {
        QString out;
        for (qsizetype i = 0; i < line.size(); ++i) {
            out += line[i];
            if ((i + 1) % every == 0)
                out += invisible[next++ % invisible.size()];
        }
        return out;
    });
}

// Each second line joined to the one above it by a space.
QString joinedPairs(const QString& text) {
    const QStringList lines = text.split(u'\n');
    QStringList out;
    for (qsizetype i = 0; i < lines.size(); i += 2)
        out << (i + 1 < lines.size() ? lines[i] + u' ' + lines[i + 1] : lines[i]);
    return out.join(u'\n');
}

QString quoted(const QString& text, const QString& mark) {
    return eachLine(text, [&mark](const QString& line) {
        return line.isEmpty() ? mark.trimmed() : mark + line;
    });
}

// One step of what a mail program or a web mailer does, over a mail with LF line breaks.
QString applied(const QString& step, const QString& mail) {
    if (step.startsWith(u"quote "))
        return quoted(mail, step.sliced(6) + u' ');
    if (step.startsWith(u"zero-width every "))
        return sprinkled(mail, QStringLiteral("\u200b"), step.sliced(17).toInt());
    if (step == u"soft hyphens every 20")
        return sprinkled(mail, QStringLiteral("\u00ad"), 20);
    if (step == u"direction marks every 16")
        return sprinkled(mail, QStringLiteral("\u200e\u200f"), 16);
    if (step == u"mixed invisible every 7")
        return sprinkled(mail, QStringLiteral("\u2060\ufeff\u200c\u200d\u00ad\u202a\u202c"), 7);
    if (step == u"line separators")
        return QString(mail).replace(u'\n', QChar(0x2028));
    if (step == u"paragraph separators")
        return QString(mail)
            .replace(QStringLiteral("\n\n"), QChar(0x2029))
            .replace(u'\n', QChar(0x2028));
    if (step == u"join pairs")
        return joinedPairs(mail);
    if (step == u"quoted-printable")
        return quotedPrintable(mail, 76);
    if (step == u"quoted-printable, 40 wide")
        return quotedPrintable(mail, 40);
    // What the second search already undoes.
    if (step == u"blank line after every line")
        return eachLine(mail, [](const QString& line) { return line + u'\n'; });
    if (step == u"indent tab")
        return eachLine(mail, [](const QString& line) { return u'\t' + line; });
    if (step == u"trailing spaces")
        return eachLine(mail, [](const QString& line) { return line + QStringLiteral("   "); });
    if (step == u"byte-order mark")
        return QChar(0xfeff) + mail;
    if (step == u"CR CR LF")
        return QString(mail).replace(u'\n', QStringLiteral("\r\r\n"));
    qFatal("unknown step %s", qPrintable(step));
}

// The main window as the message path sees it.
struct Window : EncDecMsg::MessageWindow {
    std::optional<QString> shownText;
    QString text() const override { return {}; }
    QString slotPath(int) const override { return {}; }
    QString selectedKeyEntry() const override { return {}; }
    void showDecryptedText(const QString& t) override { shownText = t; }
    void showReceivedFile(int, const QString&, qint32) override {}
    void selectDecryptMode() override {}
};

// True when the first two tries get no cipher bytes out of received.
bool earlierTriesFail(const QString& received) {
    for (const QString& text : {received, MailCleaning::CleanReceivedText(received)}) {
        QByteArray bytes = Ansi::toAnsi(text);
        const QByteArray block = EncDecMsg::FindArmouredBlock(bytes);
        if (!block.isEmpty() && dcobResult(block) > 0)
            return false;
    }
    return true;
}

} // namespace

class TestBetweenMarkers : public QObject {
    Q_OBJECT

    QByteArray m_block;   // a plain block of 302 random bytes
    QByteArray m_block3D; // one whose checksum line starts with "=3D"
    QString m_text;       // what the message of m_mail says
    QString m_mail;       // greeting, its armour, signature; LF line breaks

private slots:
    void initTestCase() {
        TestSupport::loadProgramTexts();
        QVERIFY(Cipher::alb());
        Cipher::setWorkFactor(10);
        m_block = armourOf(QByteArray(302, 'x'));
        m_block3D = armourOf(bytesWithChecksum3D());

        // Two "=" of padding, so a quoted-printable copy ends a line in "=3D=3D".
        EncDecMsg::State state;
        state.blnTest = true;
        for (int extra = 0; extra < 3; ++extra) {
            m_text = QStringLiteral("Die Zahlen für das dritte Quartal") + QString(extra, u'!');
            state.strPlainPackage = EncDecMsg::BuildPackage(Ansi::toAnsi(m_text), {});
            QVERIFY(EncDecMsg::EncryptPackage(state, KeyRules::ExtendedReducedKey(kKey)) > 0);
            if (state.strCipherText.contains("==\r\n="))
                break;
        }
        QVERIFY(state.strCipherText.contains("==\r\n="));
        m_mail = QStringLiteral("Hallo Bob,\n\nhier die Zahlen, wie am Telefon besprochen. "
                                "Schlüssel wie üblich.\n\n") +
                 QString::fromLatin1(state.strCipherText)
                     .replace(QStringLiteral("\r\n"), QStringLiteral("\n")) +
                 QStringLiteral("\n\nViele Grüße\nAlice\n\n-- \nAlice Example, Example GmbH\n"
                                "Tel. +49 30 1234567 = Büro\n");
    }
    void cleanupTestCase() { Cipher::dalb(); }

    void reads_data() {
        QTest::addColumn<QString>("received");
        QTest::addColumn<QByteArray>("block"); // empty: none
        const QString b = QString::fromLatin1(m_block);
        const QString b3D = QString::fromLatin1(m_block3D);
        const auto lines = [](const QString& block) { return block.split(QStringLiteral("\r\n")); };

        QTest::newRow("the block as written") << b << m_block;
        QTest::newRow("markers glued to words, all on one line")
            << QStringLiteral("Key:") + QString(b).remove(QStringLiteral("\r\n")) +
                   QStringLiteral("Alice")
            << m_block;
        QTest::newRow("first Begin, first End after it")
            << kEnd + u'\n' + b + QStringLiteral("\n\n") + b3D << m_block;
        QTest::newRow("format characters inside the markers")
            << QString(b)
                   .replace(kBegin, QStringLiteral("Tessa\u00admail\u200bMessage\u2060Begin"))
                   .replace(kEnd, QStringLiteral("\ufeffTessamail\U000e0001MessageEnd"))
            << m_block;
        QTest::newRow("lone surrogates stay, but are no armour")
            << QString(b).replace(QStringLiteral("\r\n"), QString(QChar(0xd800)) + u'\n')
            << m_block;
        QTest::newRow("letters of a quote prefix are not armour")
            << quoted(lines(b).join(u'\n'), QStringLiteral("AE> ")) << m_block;
        QTest::newRow("quote prefix behind spaces and after deeper quoting")
            << QStringLiteral("> AE> ") + lines(b).join(QStringLiteral("\n  > AE> ")) << m_block;

        // "=" is padding, the checksum's first character and the quoted-printable escape.
        QTest::newRow("plain, checksum starting with 3D") << b3D << m_block3D;
        QTest::newRow("plain, checksum starting with 3D, quoted")
            << quoted(lines(b3D).join(u'\n'), QStringLiteral("|")) << m_block3D;
        QTest::newRow("quoted-printable, checksum starting with 3D")
            << quotedPrintable(lines(b3D).join(u'\n'), 76) << m_block3D;
        QTest::newRow("quoted-printable, soft breaks with trailing spaces, lower case")
            << QString(b)
                   .replace(u'=', QStringLiteral("=3d"))
                   .replace(QStringLiteral("\r\n"), QStringLiteral("= \t\r\n"))
            << m_block;
        QTest::newRow("quoted-printable bytes that are not armour")
            << QString(b)
                   .replace(u'=', QStringLiteral("=3D"))
                   .replace(u'\n', QStringLiteral("\n=C2=A0"))
            << m_block;

        QTest::newRow("empty") << QString() << QByteArray();
        QTest::newRow("no Begin") << QString(b).remove(kBegin) << QByteArray();
        QTest::newRow("no End after Begin")
            << QString(b).remove(kEnd) + u'\n' + kEnd.left(9) << QByteArray();
        QTest::newRow("Begin split by a line break")
            << QString(b).replace(kBegin, QStringLiteral("Tessamail\nMessageBegin"))
            << QByteArray();
        QTest::newRow("words between the markers")
            << QString(b).replace(QStringLiteral("\r\n="), QStringLiteral("\r\nSee you soon\r\n="))
            << QByteArray();
        QTest::newRow("no checksum")
            << QString(b).remove(QRegularExpression(QStringLiteral("=\\S{8}\r\n"))) << QByteArray();
        QTest::newRow("padding inside the base64")
            << QString(b).replace(64 + 30, 1, u'=') << QByteArray();
    }
    void reads() {
        QFETCH(QString, received);
        QFETCH(QByteArray, block);
        QCOMPARE(ArmourBetweenMarkers(received), block);
    }

    // Inputs that would take a quadratic reading minutes; they only have to complete.
    void pathologicalInput_data() {
        QTest::addColumn<QString>("received");
        const QString line = QStringLiteral("AE> ") + QString(2000, u'Q');
        QTest::newRow("300 KB of escapes between the markers")
            << kBegin + QStringLiteral("=3D").repeated(100000) + kEnd;
        QTest::newRow("100,000 Begin markers") << (kBegin + u'\n').repeated(100000);
        QTest::newRow("a long quote prefix, then 100,000 lines of its start")
            << QString(100000, u'a') + QStringLiteral(">") + kBegin +
                   QStringLiteral("\naaaa").repeated(100000) + kEnd;
        QTest::newRow("300 KB of format characters")
            << kBegin + QStringLiteral("\u200b\U000e0001").repeated(100000) + kEnd;
        QTest::newRow("300 KB of soft line breaks")
            << kBegin + QStringLiteral("= \n").repeated(100000);
    }
    void pathologicalInput() {
        QFETCH(QString, received);
        QCOMPARE(ArmourBetweenMarkers(received), QByteArray());
    }

    // Steps are applied left to right, separated by "+". Every row needs the last try.
    void mangledMailDecrypts_data() {
        QTest::addColumn<QString>("steps");
        for (const char* steps :
             {"quote |", "quote :", "quote »", "quote AE>", "quote > |", "zero-width every 1",
              "zero-width every 5", "zero-width every 32", "zero-width every 63",
              "soft hyphens every 20", "direction marks every 16", "mixed invisible every 7",
              "line separators", "paragraph separators", "join pairs", "quoted-printable",
              "quoted-printable, 40 wide",
              // two of these
              "join pairs+quoted-printable", "quoted-printable, 40 wide+quote |",
              "zero-width every 5+quote :", "quote AE>+line separators",
              // with what the second search undoes
              "zero-width every 5+quote >", "quote >+zero-width every 10",
              "quoted-printable, 40 wide+blank line after every line", "indent tab+line separators",
              "quote |+CR CR LF", "trailing spaces+soft hyphens every 20",
              "byte-order mark+quote AE>", "join pairs+quote >+quote >",
              "quoted-printable+indent tab"})
            QTest::newRow(steps) << QString::fromUtf8(steps);
    }
    void mangledMailDecrypts() {
        QFETCH(QString, steps);
        QString received = m_mail;
        for (const QString& step : steps.split(u'+'))
            received = applied(step, received);
        if (!received.contains(u'\r'))
            received.replace(u'\n', QStringLiteral("\r\n"));
        QVERIFY(earlierTriesFail(received));

        EncDecMsg::State state;
        state.blnTest = true; // decrypts under strRandomKey, without asking the window
        state.strRandomKey = kKey;
        state.strReceivedText = received;
        state.strCipherText = Ansi::toAnsi(received);
        Window window;
        Seams::ScriptedMessageBoxes boxes;
        QVERIFY2(EncDecMsg::DecryptMessage(state, window), qPrintable(state.strTestErrMsg));
        QVERIFY(boxes.shown.isEmpty());
        QCOMPARE(window.shownText.value(), m_text);
    }

    // When the last try cannot help, the user hears what the first try found.
    void failureKeepsFirstMessage_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("damage");
        QTest::addColumn<int>("text");
        QTest::newRow("changed character") << ""
                                           << "changed character" << 153;
        QTest::newRow("changed character, quoted") << "quote |"
                                                   << "changed character" << 152;
        QTest::newRow("changed character, zero-width") << "zero-width every 5"
                                                       << "changed character" << 152;
        QTest::newRow("changed character, quoted-printable") << "quoted-printable"
                                                             << "changed character" << 153;
        QTest::newRow("no End marker, quoted") << "quote :"
                                               << "no End" << 152;
        QTest::newRow("no markers, quoted") << "quote |"
                                            << "no markers" << 152;
        QTest::newRow("a line missing, quoted-printable") << "quoted-printable, 40 wide"
                                                          << "a line missing" << 153;
    }
    void failureKeepsFirstMessage() {
        QFETCH(QString, steps);
        QFETCH(QString, damage);
        QFETCH(int, text);
        QString received = m_mail;
        const qsizetype begin = received.indexOf(kBegin);
        if (damage == u"changed character") {
            const qsizetype at = received.indexOf(u'\n', begin) + 20;
            received[at] = received[at] == u'A' ? u'B' : u'A';
        } else if (damage == u"no End") {
            received.remove(kEnd);
        } else if (damage == u"no markers") {
            received.remove(kBegin).remove(kEnd);
        } else if (damage == u"a line missing") {
            const qsizetype from = received.indexOf(u'\n', begin) + 1;
            received.remove(from, 65);
        }
        for (const QString& step : steps.split(u'+', Qt::SkipEmptyParts))
            received = applied(step, received);
        received.replace(u'\n', QStringLiteral("\r\n"));

        EncDecMsg::State state;
        state.blnTest = true;
        state.strRandomKey = kKey;
        state.strReceivedText = received;
        state.strCipherText = Ansi::toAnsi(received);
        Window window;
        Seams::ScriptedMessageBoxes boxes;
        QVERIFY(!EncDecMsg::DecryptMessage(state, window));
        QCOMPARE(boxes.lastPrompt(), GetText(text));
        QVERIFY(!window.shownText);
    }
};

QTEST_MAIN(TestBetweenMarkers)
#include "tst_betweenmarkers.moc"
