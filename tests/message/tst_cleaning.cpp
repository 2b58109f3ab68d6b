// SPDX-License-Identifier: GPL-3.0-or-later
// Cleaning of a received mail: a real armoured block inside a mail, mangled the ways mail
// programs mangle text, must de-armour to the same bytes once cleaned, and come out as
// unbroken lines of armour that the block search can find.
#include "backends/cipher/cipher.h"
#include "message/cleaning.h"
#include "support/ansi.h"
#include "testsupport/mangledmail.h"
#include "testsupport/testsupport.h"

#include <QtTest>

using MailCleaning::CleanReceivedText;

namespace {

const QString kBegin = QStringLiteral("TessamailMessageBegin");
const QString kEnd = QStringLiteral("TessamailMessageEnd");
const QString kCrLf = QStringLiteral("\r\n");

struct Decoded {
    int code;
    QByteArray bytes;
};

Decoded dearmour(const QString& text) {
    const QByteArray in = Ansi::toAnsi(text);
    QByteArray out(Cipher::kBufferSize, '\0');
    const int r = Cipher::dcob(in.constData(), int(in.size()), out.data(), int(out.size()));
    return {r, r > 0 ? out.left(r) : QByteArray()};
}

// Empty when the lines from the Begin line to the End line are what the block search needs:
// armour characters only, joined by single CR LF, no empty line.
QString blockLinesError(const QString& text) {
    const qsizetype begin = text.indexOf(kBegin);
    const qsizetype end = text.indexOf(kEnd, begin + 1);
    if (begin < 0 || end < 0)
        return QStringLiteral("markers missing");
    const qsizetype first = text.lastIndexOf(u'\n', begin) + 1;
    const qsizetype last = text.indexOf(u'\r', end);
    const QStringList lines =
        text.mid(first, last < 0 ? -1 : last - first).split(kCrLf, Qt::KeepEmptyParts);
    for (const QString& line : lines) {
        if (line.isEmpty())
            return QStringLiteral("empty line in the block");
        for (QChar c : line)
            if (c.unicode() > 255 || Cipher::cci(c.unicode()) < 0)
                return QStringLiteral("U+%1 in the block").arg(c.unicode(), 4, 16, QChar(u'0'));
    }
    return QString();
}

// Line breaks as the block search sees them: CR LF stays, any other CR or LF becomes CR LF.
QString crLfForm(QString text) {
    text.replace(kCrLf, QStringLiteral("\n")).replace(u'\r', u'\n');
    return text.replace(QStringLiteral("\n"), kCrLf);
}

} // namespace

class TestCleaning : public QObject {
    Q_OBJECT

    QByteArray m_bytes;  // what the block carries
    QStringList m_block; // its armour, line by line
    TestSupport::MangledMail::Mail m_mail; // greeting, block, signature, line by line

private slots:
    void initTestCase() {
        QVERIFY(Cipher::alb());
        m_bytes = TestSupport::randomBytes(2500, 7);
        QByteArray armour(Cipher::kBufferSize, '\0');
        const int r = Cipher::cob(m_bytes.constData(), int(m_bytes.size()), armour.data(),
                                  int(armour.size()));
        QVERIFY(r > 0);
        m_block = Ansi::fromAnsi(armour.left(r)).split(kCrLf);
        QVERIFY(m_block.size() > 50);
        m_mail.before = QStringList{QStringLiteral("Hallo Bob,"), QString(),
                                    QStringLiteral("here is the contract, as promised."), QString()};
        m_mail.block = m_block;
        m_mail.after = QStringList{QString(),
                                   QStringLiteral("Best regards,"),
                                   QString(),
                                   QStringLiteral("-- "),
                                   QStringLiteral("Alice Example"),
                                   QStringLiteral("Example GmbH, Berlin"),
                                   QString()};
    }
    void cleanupTestCase() { Cipher::dalb(); }

    // The shared table of mangled mails (testsupport/mangledmail.h).
    void mangledMailDecodes_data() {
        QTest::addColumn<QString>("received");
        for (const auto& c : TestSupport::MangledMail::cases(m_mail))
            QTest::newRow(qPrintable(c.name)) << c.received;
    }
    void mangledMailDecodes() {
        QFETCH(QString, received);
        // Every row but the first really breaks the block's lines.
        if (QByteArray(QTest::currentDataTag()) != "unmangled")
            QVERIFY(!blockLinesError(crLfForm(received)).isEmpty());

        const QString cleaned = CleanReceivedText(received);
        const QString error = blockLinesError(cleaned);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const Decoded decoded = dearmour(cleaned);
        QCOMPARE(decoded.code, int(m_bytes.size()));
        QCOMPARE(decoded.bytes, m_bytes);
    }

    void cleansLines_data() {
        QTest::addColumn<QString>("received");
        QTest::addColumn<QString>("cleaned");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("text inside a line untouched") << QStringLiteral("a > b  \u200bc\u00a0> d")
                                                      << QStringLiteral("a > b  \u200bc\u00a0> d");
        QTest::newRow("quote prefixes of any depth")
            << QStringLiteral("> a\n>> b\n> > c\n >\t> d\n>\n> > ")
            << QStringLiteral("a\r\nb\r\nc\r\nd\r\n\r\n");
        QTest::newRow("spaces and zero-width at both ends")
            << QStringLiteral("\ufeff\u200b \t\u00a0a\u202f\u2007\u200c\u200d\u2060 ")
            << QStringLiteral("a");
        QTest::newRow("every line-break style") << QStringLiteral("a\rb\nc\r\nd\r\r\ne\n")
                                                << QStringLiteral("a\r\nb\r\nc\r\nd\r\ne\r\n");
        QTest::newRow("empty lines outside a block stay")
            << QStringLiteral("a\n\n\rb\r\n\r\n") << QStringLiteral("a\r\n\r\n\r\nb\r\n\r\n");
        QTest::newRow("empty lines inside a block go")
            << QStringLiteral(
                   "x\n\n> TessamailMessageBegin\n>\nAB\n  \n\nCD\nTessamailMessageEnd\n\ny")
            << QStringLiteral("x\r\n\r\nTessamailMessageBegin\r\nAB\r\nCD\r\n"
                              "TessamailMessageEnd\r\n\r\ny");
        QTest::newRow("markers glued to text")
            << QStringLiteral("Key: TessamailMessageBegin\n\nAB\n\nTessamailMessageEnd Alice")
            << QStringLiteral("Key: TessamailMessageBegin\r\nAB\r\nTessamailMessageEnd Alice");
        QTest::newRow("two blocks, the gap between them stays")
            << QStringLiteral("TessamailMessageBegin\n\nA\nTessamailMessageEnd\n\n"
                              "TessamailMessageBegin\n\nB\nTessamailMessageEnd")
            << QStringLiteral("TessamailMessageBegin\r\nA\r\nTessamailMessageEnd\r\n\r\n"
                              "TessamailMessageBegin\r\nB\r\nTessamailMessageEnd");
        QTest::newRow("both markers on one line, then empty lines")
            << QStringLiteral(
                   "TessamailMessageBeginABTessamailMessageEnd\n\nx\n\nTessamailMessageEnd")
            << QStringLiteral("TessamailMessageBeginABTessamailMessageEnd\r\n\r\nx\r\n\r\n"
                              "TessamailMessageEnd");
        QTest::newRow("Begin without End drops nothing")
            << QStringLiteral("TessamailMessageBegin\n\nAB\n\nx")
            << QStringLiteral("TessamailMessageBegin\r\n\r\nAB\r\n\r\nx");
        QTest::newRow("End before Begin drops nothing")
            << QStringLiteral("TessamailMessageEnd\n\nTessamailMessageBegin")
            << QStringLiteral("TessamailMessageEnd\r\n\r\nTessamailMessageBegin");
    }
    void cleansLines() {
        QFETCH(QString, received);
        QFETCH(QString, cleaned);
        QCOMPARE(CleanReceivedText(received), cleaned);
    }

    // Cleaning removes characters and never joins lines, so no marker appears.
    void inventsNoBlock_data() {
        QTest::addColumn<QString>("received");
        QString armourLike;
        for (int i = 0; i < 40; ++i)
            armourLike += QStringLiteral("> QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVo0NTY3ODkrLw==\n");
        QTest::newRow("plain mail")
            << QStringLiteral("Hallo Bob,\n\n> see you soon.\n\n-- \nAlice\n");
        QTest::newRow("quoted armour characters without markers") << armourLike;
        QTest::newRow("marker split over two lines")
            << QStringLiteral("> TessamailMessage\n> Begin\nAB\n> TessamailMessage\n> End\n");
        QTest::newRow("zero-width character inside the markers")
            << QStringLiteral("Tessamail\u200bMessageBegin\nAB\nTessamail\u200bMessageEnd");
    }
    void inventsNoBlock() {
        QFETCH(QString, received);
        const QString cleaned = CleanReceivedText(received);
        QVERIFY(!cleaned.contains(kBegin));
        QCOMPARE(dearmour(cleaned).code, Cipher::kArmourIncomplete);
    }

    // Cleaning lets a lone surrogate through as it is, and still splits the lines around it.
    void invalidUtf16() {
        const QString received =
            QStringLiteral("> a") + QChar(0xd800) + QStringLiteral("\n> b") + QChar(0xdc00);
        QCOMPARE(CleanReceivedText(received),
                 QStringLiteral("a") + QChar(0xd800) + QStringLiteral("\r\nb") + QChar(0xdc00));
    }

    // Inputs that a quadratic cleaning would not get through; they only have to complete.
    void pathologicalInput_data() {
        QTest::addColumn<QString>("received");
        QTest::addColumn<QString>("cleaned");
        QTest::newRow("300 KB of quote marks and spaces")
            << QStringLiteral("> ").repeated(150000) << QString();
        QTest::newRow("100,000 lines without a block")
            << QStringLiteral("> some text\n").repeated(100000)
            << QStringLiteral("some text\r\n").repeated(100000);
        QTest::newRow("100,000 empty lines inside a block")
            << kBegin + QStringLiteral("\n").repeated(100000) + kEnd + QStringLiteral("\n")
            << kBegin + kCrLf + kEnd + kCrLf;
        QTest::newRow("100,000 Begin lines without End")
            << QStringLiteral("TessamailMessageBegin\n\n").repeated(50000)
            << QStringLiteral("TessamailMessageBegin\r\n\r\n").repeated(50000);
        QTest::newRow("100,000 markers on one line")
            << QStringLiteral("TessamailMessageBeginTessamailMessageEnd").repeated(50000)
            << QStringLiteral("TessamailMessageBeginTessamailMessageEnd").repeated(50000);
    }
    void pathologicalInput() {
        QFETCH(QString, received);
        QFETCH(QString, cleaned);
        QCOMPARE(CleanReceivedText(received), cleaned);
    }
};

QTEST_MAIN(TestCleaning)
#include "tst_cleaning.moc"
