// SPDX-License-Identifier: GPL-3.0-or-later
// The key details window: a key entry taken apart, and the command that opens it.
#include "keys/datepr2.h"
#include "keys/frmkeydetails.h"
#include "keys/keyfilefixture.h"

#include <QLabel>

using namespace Seams;
using namespace KeyfileFixture;

class TestKeyDetails : public QObject {
    Q_OBJECT

    std::unique_ptr<DataFolder> data;

private slots:
    void initTestCase() {
        DataFolder::initTestCase();
        DatePr2::setTodayOverride(QDate(2007, 3, 9));
    }
    void cleanupTestCase() { DatePr2::setTodayOverride(QDate()); }
    void init() { data = std::make_unique<DataFolder>(); }
    void cleanup() { data.reset(); }

    void takeApart_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<qint32>("dateAdded");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("added");
        const QString none = "[n/a]";
        QTest::newRow("all three parts")
            << "ann@example.org \u00ABfirst mail\u00BB Tall trees whisper softly" << 2454169
            << "ann@example.org"
            << "first mail"
            << "Tall trees whisper softly"
            << "22"
            << "2007-03-09";
        QTest::newRow("no target")
            << "\u00AB2024-01-01\u00BB abcdefghijklmnop" << 2451545 << none << "2024-01-01"
            << "abcdefghijklmnop"
            << "16"
            << "2000-01-01";
        QTest::newRow("no date") << "Bob Smith \u00AB\u00BB a b c d e f g h i j k l m n o p"
                                 << 2460000 << "Bob Smith" << none
                                 << "a b c d e f g h i j k l m n o p"
                                 << "16"
                                 << "2023-02-24";
        QTest::newRow("neither") << "\u00AB\u00BB sixteen letters!" << 2451911 << none << none
                                 << "sixteen letters!"
                                 << "15"
                                 << "2001-01-01";
        // Not written by the program; the key is what a message would be encrypted with.
        QTest::newRow("no guillemets")
            << "a key written plainly" << 2451576 << none << none << "a key written plainly"
            << "18"
            << "2000-02-01";
    }
    void takeApart() {
        QFETCH(QString, entry);
        QFETCH(qint32, dateAdded);
        QFETCH(QString, key);
        const KeyDetails::Parts parts = KeyDetails::TakeApart(entry, dateAdded, "[n/a]");
        QTEST(parts.target, "target");
        QTEST(parts.date, "date");
        QCOMPARE(parts.key, key);
        QCOMPARE(parts.key, EncDecMsg::CurrentKey(entry));
        QTEST(parts.count, "count");
        QTEST(parts.dateAdded, "added");
    }

    // The window shows the key just added with the checksum the key entry dialog showed.
    void showsTheSelectedEntry() {
        auto w = start();
        ScriptedMessageBoxes boxes;
        ScriptedModals modals;
        QString checksumWhenTyped;
        modals.script([&](QDialog* d) {
            auto* dialog = qobject_cast<frmKeyboardWithDisplay*>(d);
            QVERIFY(dialog);
            dialog->txbDate->clear();
            QTest::keyClicks(dialog->txbKey, "  Tall  trees   whisper softly ");
            checksumWhenTyped = dialog->lblChecksumIs->text();
            dialog->cmdYes->click();
        });
        w->cmdAddKey->click();
        QCOMPARE(w->cboKeys->currentIndex(), 0);

        QMap<QString, QString> shown;
        modals.script([&](QDialog* d) {
            auto* window = qobject_cast<frmKeyDetails*>(d);
            QVERIFY(window);
            QCOMPARE(window->windowTitle(), GetText(163));
            for (QLabel* label : window->findChildren<QLabel*>())
                shown[label->objectName()] = label->text();
            QCOMPARE(window->focusWidget(), window->cmdClose);
            window->cmdClose->click();
        });
        w->cmdKeyDetails->click();
        QCOMPARE(modals.shown.last(), QString("frmKeyDetails"));
        QCOMPARE(shown["lblTarget_1"], "[" + GetText(133) + "]");
        QCOMPARE(shown["lblDate_1"], "[" + GetText(133) + "]");
        QCOMPARE(shown["lblKey_0"], GetText(110) + ":");
        QCOMPARE(shown["lblKey_1"], QString("Tall trees whisper softly"));
        QCOMPARE(shown["lblNumChars_1"], QString("22"));
        QVERIFY(checksumWhenTyped.endsWith(shown["lblChecksum_1"]));
        QCOMPARE(shown["lblChecksum_1"].size(), 5); // with the leading space of a number
        QCOMPARE(shown["lblKeyAddedOn_1"], QString("2007-03-09"));
        QVERIFY(boxes.shown.isEmpty());
    }

    void nothingToShow_data() {
        QTest::addColumn<int>("entries");
        QTest::addColumn<QString>("focus");
        QTest::newRow("empty list") << 0 << "cmdAddKey";
        QTest::newRow("nothing selected") << 2 << "cboKeys";
    }
    void nothingToShow() {
        QFETCH(int, entries);
        auto w = start();
        addEntries(w.get(),
                   QStringList{"a \u00AB\u00BB key one", "b \u00AB\u00BB key two"}.mid(0, entries));
        w->cboKeys->setCurrentIndex(-1);
        ScriptedModals modals;
        w->cmdKeyDetails->click();
        QVERIFY(modals.shown.isEmpty());
        QVERIFY(w->focusWidget());
        QTEST(w->focusWidget()->objectName(), "focus");
    }
};

QTEST_MAIN(TestKeyDetails)
#include "tst_keydetails.moc"
