// SPDX-License-Identifier: GPL-3.0-or-later
// A block that arrived intact (its transport checksum is right) but whose age header is not
// one the program reads is reported as such, never as a wrong key: the user must not be sent
// looking for another key. A stanza that does not open under the selected key is the only
// "wrong key".
#include "backends/cipher/cipher.h"
#include "message/encdecmsg.h"
#include "support/scripted.h"
#include "testsupport/message.h"
#include "testsupport/testsupport.h"
#include "text/programtext.h"

#include <QtTest>

using namespace EncDecMsg;

namespace {

struct Window : MessageWindow {
    QString entry = TestSupport::kTestEntry;
    bool shown = false;
    QString text() const override { return {}; }
    QString slotPath(int) const override { return {}; }
    QString selectedKeyEntry() const override { return entry; }
    void showDecryptedText(const QString&) override { shown = true; }
    void showReceivedFile(int, const QString&, qint32) override { shown = true; }
    void selectDecryptMode() override {}
};

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

// The header lines of an age file: version, stanza line, stanza body, MAC line.
struct Lines {
    QByteArray version, stanza, body, mac, payload;
};
Lines split(const QByteArray& file) {
    const qsizetype a = file.indexOf('\n');
    const qsizetype b = file.indexOf('\n', a + 1);
    const qsizetype c = file.indexOf('\n', b + 1);
    const qsizetype d = file.indexOf('\n', c + 1);
    return {file.left(a), file.mid(a + 1, b - a - 1), file.mid(b + 1, c - b - 1),
            file.mid(c + 1, d - c - 1), file.mid(d + 1)};
}
QByteArray join(const Lines& l) {
    return l.version + '\n' + l.stanza + '\n' + l.body + '\n' + l.mac + '\n' + l.payload;
}

} // namespace

class TestMalformedHeader : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        TestSupport::loadProgramTexts();
        QVERIFY(Cipher::alb() != 0);
        Cipher::setWorkFactor(10);
    }

    void reportedAsUnreadableNotAsWrongKey_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("otherKey");
        QTest::addColumn<int>("text");
        QTest::newRow("work factor with a leading zero") << "018" << false << 530;
        QTest::newRow("work factor with a plus sign") << "+18" << false << 530;
        QTest::newRow("two scrypt stanzas") << "two stanzas" << false << 530;
        QTest::newRow("oversized stanza body") << "oversized" << false << 530;
        QTest::newRow("stanza body cut short") << "short body" << false << 530;
        QTest::newRow("salt not canonical base64") << "salt" << false << 530;
        QTest::newRow("another version line") << "version" << false << 530;
        QTest::newRow("header MAC changed") << "mac" << false << 530;
        QTest::newRow("malformed, under another key too") << "018" << true << 530;
        QTest::newRow("well-formed, another key") << "" << true << 158;
    }
    void reportedAsUnreadableNotAsWrongKey() {
        QFETCH(QString, how);
        QFETCH(bool, otherKey);
        QFETCH(int, text);
        const QByteArray armour = TestSupport::armourOf(BuildPackage("A message.", {}));
        Lines l = split(dearmour(armour));
        QVERIFY(l.version.startsWith("age-encryption.org/v1"));
        QVERIFY(l.stanza.startsWith("-> scrypt "));
        const qsizetype space = l.stanza.lastIndexOf(' ');
        const QByteArray logN = l.stanza.mid(space + 1);
        if (how == "018" || how == "+18")
            l.stanza = l.stanza.left(space + 1) + how.left(1).toLatin1() + logN;
        else if (how == "two stanzas")
            l.body += '\n' + l.stanza + '\n' + l.body;
        else if (how == "oversized")
            l.body = QByteArray(64, 'A') + '\n' + l.body;
        else if (how == "short body")
            l.body.chop(4);
        else if (how == "salt")
            l.stanza.replace(10, 1, "=");
        else if (how == "version")
            l.version = "age-encryption.org/v2";
        else if (how == "mac")
            l.mac[5] = l.mac[5] == 'A' ? 'B' : 'A';

        State s;
        s.strCipherText = rearmour(join(l));
        QVERIFY(!s.strCipherText.isEmpty());
        Window w;
        if (otherKey)
            w.entry = QString::fromUtf8("bob «» a different key entirely");
        Seams::ScriptedMessageBoxes boxes;
        QVERIFY(!DecryptMessage(s, w));
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].prompt, GetText(text));
        QCOMPARE(boxes.shown[0].icon, Seams::Icon::Exclamation);
        QCOMPARE(boxes.shown[0].title, GetText(13));
        QVERIFY(!w.shown);
    }
};

QTEST_MAIN(TestMalformedHeader)
#include "tst_malformedheader.moc"
