// SPDX-License-Identifier: GPL-3.0-or-later
// Received mails that real programs made (tests/data/mails, see make_mails.py there): message
// sources written by a MIME library, HTML as composers write it, and layouts rendered by
// text browsers, each carrying the same block. Each must decrypt to the message; the same
// mails with a character of the block changed must not.
#include "backends/cipher/cipher.h"
#include "message/columns.h"
#include "message/encdecmsg.h"
#include "message/htmltext.h"
#include "message/mailsource.h"
#include "support/ansi.h"
#include "support/scripted.h"
#include "testsupport/testsupport.h"
#include "text/programtext.h"

#include <QtTest>

#include <optional>

namespace {

QString fixture(const QString& name) {
    return QString::fromUtf8(TestSupport::readAll(TestSupport::testDataPath("mails/" + name)));
}

struct Window : EncDecMsg::MessageWindow {
    std::optional<QString> shownText;
    QString text() const override { return {}; }
    QString slotPath(int) const override { return {}; }
    QString selectedKeyEntry() const override { return {}; }
    void showDecryptedText(const QString& t) override { shownText = t; }
    void showReceivedFile(int, const QString&, qint32) override {}
    void selectDecryptMode() override {}
};

struct Outcome {
    bool decrypted = false;
    QString shown;
    QString report;
};

Outcome decrypt(const QString& received) {
    EncDecMsg::State state;
    state.blnTest = true; // decrypts under strRandomKey, without asking the window
    state.strRandomKey = fixture("key.txt");
    state.strReceivedText = received;
    state.strCipherText = Ansi::toAnsi(received);
    Window window;
    Seams::ScriptedMessageBoxes boxes;
    Outcome outcome;
    outcome.decrypted = EncDecMsg::DecryptMessage(state, window);
    outcome.shown = window.shownText.value_or(QString());
    outcome.report = boxes.lastPrompt();
    return outcome;
}

// True when one of the searches that came before the readings of these mails already
// finds the block.
bool earlierSearchesRead(const QString& received) {
    QByteArray bytes = Ansi::toAnsi(received);
    for (const QByteArray& block : {EncDecMsg::FindArmouredBlock(bytes)}) {
        QByteArray out(Cipher::kBufferSize, '\0');
        if (Cipher::dcob(block.constData(), int(block.size()), out.data(), int(out.size())) > 0)
            return true;
    }
    return false;
}

} // namespace

class TestRealMails : public QObject {
    Q_OBJECT

    QString m_message;
    QStringList m_blockLines;

private slots:
    void initTestCase() {
        TestSupport::loadProgramTexts();
        QVERIFY(Cipher::alb());
        m_message = fixture("message.txt");
        m_blockLines = fixture("block.txt").split(QStringLiteral("\r\n"));
        QVERIFY(!m_message.isEmpty() && m_blockLines.size() > 4);
    }
    void cleanupTestCase() { Cipher::dalb(); }

    void decrypts_data() {
        QTest::addColumn<QString>("file");
        // Message sources (Python's email package).
        QTest::newRow("HTML only, quoted-printable") << "html_only_qp.eml";
        QTest::newRow("HTML only, quoted-printable, Begin marker split by a soft line break")
            << "html_only_qp_split_marker.eml";
        QTest::newRow("multipart/alternative: base64 text, quoted-printable HTML")
            << "alternative.eml";
        QTest::newRow("text part in base64") << "base64_text.eml";
        QTest::newRow("text part in UTF-16, base64") << "utf16_base64.eml";
        QTest::newRow("forwarded as an attached message") << "forwarded.eml";
        // HTML as a composer writes it, copied from a code view.
        QTest::newRow("HTML, a <div> per line, \"=\" as an entity") << "div_per_line.html";
        // Layouts rendered to text.
        QTest::newRow("beside a details column (w3m)") << "beside_details_w3m.txt";
        QTest::newRow("beside a logo column on its left (w3m)") << "beside_logo_w3m.txt";
        QTest::newRow("beside a column centred on it (html2text)")
            << "beside_details_html2text.txt";
        QTest::newRow("beside a column after a single space (paste)") << "single_space_paste.txt";
    }
    void decrypts() {
        QFETCH(QString, file);
        const QString received = fixture(file);
        QVERIFY(!received.isEmpty());
        QVERIFY(!earlierSearchesRead(received));
        const Outcome outcome = decrypt(received);
        QVERIFY2(outcome.decrypted, qPrintable(outcome.report));
        QCOMPARE(outcome.shown, m_message);
    }

    // The same mails where the block can be changed in place (the layouts and the HTML; the
    // sources hold it encoded): one base64 character of the block changed.
    void changedCharacterDoesNotDecrypt_data() {
        QTest::addColumn<QString>("file");
        for (const char* file :
             {"div_per_line.html", "beside_details_w3m.txt", "beside_logo_w3m.txt",
              "beside_details_html2text.txt", "single_space_paste.txt", "html_only_qp.eml"})
            QTest::newRow(file) << file;
    }
    void changedCharacterDoesNotDecrypt() {
        QFETCH(QString, file);
        QString received = fixture(file);
        const QString line = m_blockLines[3]; // a whole base64 line of the block
        const qsizetype at = received.indexOf(line.left(16));
        QVERIFY(at >= 0);
        received[at + 10] = received[at + 10] == u'A' ? u'B' : u'A';
        const Outcome outcome = decrypt(received);
        QVERIFY(!outcome.decrypted);
        QVERIFY(outcome.shown.isEmpty());
        QVERIFY(outcome.report == GetText(152) || outcome.report == GetText(153) ||
                outcome.report == GetText(76));
    }

    // What the readers give on their own, for the cases the mails above do not show.
    void columnReadings() {
        const QString b = m_blockLines.join(u'\n');
        // No End marker below the Begin marker, or both on one line: no reading.
        QVERIFY(
            MailColumns::ColumnReadings(QString(b).remove(QStringLiteral("TessamailMessageEnd")))
                .isEmpty());
        QVERIFY(MailColumns::ColumnReadings(QStringLiteral("TessamailMessageBegin AB "
                                                           "TessamailMessageEnd"))
                    .isEmpty());
        // TABs between the columns, the block at the second tab stop: only a reading with
        // TABs expanded lines it up.
        const QStringList left = {QStringLiteral("Logo\t\t"), QStringLiteral("Postfach 12\t"),
                                  QStringLiteral("Berlin\t\t"), QStringLiteral("\t\t")};
        QStringList lines;
        for (qsizetype i = 0; i < m_blockLines.size(); ++i)
            lines << left[i % left.size()] + m_blockLines[i] + QStringLiteral("\tx=1");
        const QByteArray block = fixture("block.txt").toLatin1();
        QVERIFY(MailColumns::ColumnReadings(lines.join(u'\n')).contains(block));
    }

    void htmlAroundMarkers() {
        // Text that only mentions tags or has none between the markers is left alone.
        QVERIFY(MailHtml::HtmlAroundMarkersAsText(m_blockLines.join(u'\n')).isEmpty());
        QVERIFY(MailHtml::HtmlAroundMarkersAsText(QStringLiteral("<b>TessamailMessageBegin"))
                    .isEmpty());
        QCOMPARE(MailHtml::HtmlAroundMarkersAsText(
                     QStringLiteral("<p>Hi</p><div>TessamailMessageBegin</div><div>AB&#61;"
                                    "</div><div>TessamailMessageEnd</div>")),
                 QStringLiteral("TessamailMessageBegin\nAB=\nTessamailMessageEnd"));
        QVERIFY(MailHtml::LooksLikeHtml(u"a &amp; b"));
        QVERIFY(!MailHtml::LooksLikeHtml(u"a & b; 3 < 4 <"));
    }

    void messageStart_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("start");
        QTest::newRow("a source") << "From: a\r\nMIME-Version: 1.0\r\n\r\nbody" << 0;
        QTest::newRow("a source after a greeting, folded fields")
            << "Hi,\nhere it is:\n\nSubject: x\nContent-Type: text/plain;\n charset=utf-8\n\nb"
            << 17;
        QTest::newRow("mail lines that look like fields, no MIME field")
            << "Note: none\nTo: you\n\nFrom: me" << -1;
        QTest::newRow("a MIME field in a later run")
            << "Note: none\n\ncontent-transfer-encoding: base64\n"
            << 12;
        QTest::newRow("empty") << "" << -1;
    }
    void messageStart() {
        QFETCH(QString, text);
        QFETCH(int, start);
        QCOMPARE(MailSource::MessageStart(text), start);
    }

    void quotedPrintable_data() {
        QTest::addColumn<QByteArray>("encoded");
        QTest::addColumn<QByteArray>("decoded");
        QTest::newRow("escapes, either case")
            << QByteArray("a=3Db=3dc=C3=BC") << QByteArray("a=b=c\xc3\xbc");
        QTest::newRow("soft line breaks") << QByteArray("ab=\ncd=\r\nef") << QByteArray("abcdef");
        QTest::newRow("an \"=\" that escapes nothing stays")
            << QByteArray("a=zz=") << QByteArray("a=zz");
    }
    void quotedPrintable() {
        QFETCH(QByteArray, encoded);
        QFETCH(QByteArray, decoded);
        QCOMPARE(MailSource::DecodeQuotedPrintable(encoded), decoded);
    }
};

QTEST_MAIN(TestRealMails)
#include "tst_realmails.moc"
