// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/cipher/cipher.h"
#include "keys/cb_man.h"
#include "mainwindow/clickablelabel.h"
#include "mainwindow/frmmain.h"
#include "message/encdecmsg.h"
#include "message/keyderivation.h"
#include "message/readykey.h"
#include "selftest/frmtest.h"
#include "selftest/strproc.h"
#include "support/accesskeys.h"
#include "support/ansi.h"
#include "support/folder.h"
#include "support/registry.h"
#include "support/scripted.h"
#include "testsupport/mainfixture.h"
#include "testsupport/testsupport.h"
#include "text/programtext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

using namespace Seams;

namespace {

using TestSupport::TestMain;

QString shown(const QString& caption) {
    return AccessKeys::plain(caption);
}

// What one round left behind, read while the test window is still open.
struct Round {
    int files = 0;
    QString result;
    QString appendedFiles;
    bool packageAsExpected = false;
    bool filesShownInSlots = false;
    bool textShown = false;
};

Round readRound(frmMain& w, frmTest& t) {
    const EncDecMsg::State& s = t.messageState();
    Round r;
    r.files = t.intNumTestFiles;
    r.result = t.lblDecryptionResult->text();
    r.appendedFiles = t.lblAppendedFiles->text();
    // The package is built as the encrypt command builds it: lengths and TABs around the
    // text and each file, and one closing TAB.
    QByteArray expected =
        QByteArray::number(t.strTestText.size()) + '\t' + Ansi::toAnsi(t.strTestText);
    r.filesShownInSlots = true;
    for (int i = 0; i < t.intNumTestFiles; ++i) {
        const QString name = w.txbFile[i]->text();
        expected += Ansi::toAnsi(name) + '\t' +
                    QByteArray::number(t.strTestFileContents[i].size()) + '\t' +
                    t.strTestFileContents[i];
        r.filesShownInSlots = r.filesShownInSlots && !name.isEmpty() &&
                              t.lblAppendedFile[i]->text().startsWith(name + " (") &&
                              s.strFileContents[i] == t.strTestFileContents[i];
    }
    expected += '\t';
    r.packageAsExpected = s.strPlainPackage == expected;
    r.textShown = w.txbText->document()->toRawText() == t.strTestText && w.optDecrypt->isChecked();
    return r;
}

} // namespace

class TestSelfTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSupport::DataFolder> data;

    std::unique_ptr<TestMain> start() { return TestSupport::startMain(); }

    // Opens the test window by clicking the text box size label and hands it to script.
    void openTest(frmMain& w, ScriptedModals& modals, std::function<void(frmTest&)> script) {
        modals.script([&w, script](QDialog* d) {
            auto* t = qobject_cast<frmTest*>(d);
            QVERIFY(t);
            QCOMPARE(t, &w.TestWindow());
            // Repeatable rounds: the window seeds from the clock when it opens.
            StrProc::Randomize(4711u);
            script(*t);
        });
        QTest::mouseClick(w.lblTextbox, Qt::LeftButton);
        QCOMPARE(modals.shown, QStringList{"frmTest"});
        QVERIFY(!w.TestWindow().isVisible());
    }

private slots:
    void initTestCase() {
        TestSupport::DataFolder::initTestCase();
        Cipher::setWorkFactor(10);
        frmTest::setPauses(0, 0);
    }
    void cleanupTestCase() { frmTest::resetPauses(); }

    void init() { data = std::make_unique<TestSupport::DataFolder>(); }
    void cleanup() {
        frmTest::setBeforeDecryptionHook({});
        data.reset();
    }

    // A wrap key still being derived ahead for the selected key ends before the first round,
    // so that the test's derivations never share the machine with it.
    void noDerivationBesideTheTest() {
        KeyDerivation::holdGate();
        ScriptedMessageBoxes boxes;
        ScriptedModals modals;
        auto w = start();
        const QString entry = QStringLiteral("ann@example.org \u00AB\u00BB a key of enough length");
        CB_Man::InsertSorted(w->cboKeys, entry, 2460000);
        w->cboKeys->setCurrentIndex(w->cboKeys->findText(entry));
        QVERIFY(QTest::qWaitFor([] { return KeyDerivation::waitingAtGate() == 1; }, 20000));
        QVERIFY(w->readyKey()->running());
        KeyDerivation::resetPeakRunning();
        // Polled while the round runs (it lets events through): a derivation of the round's
        // own would reach the gate beside the held one; after a while without one, both go.
        bool releasedWhileWaiting = false;
        openTest(*w, modals, [&](frmTest& t) {
            int polls = 0;
            auto* poll = new QTimer(&t);
            connect(poll, &QTimer::timeout, &t, [&, poll] {
                if (KeyDerivation::waitingAtGate() < 2 && ++polls < 40)
                    return;
                poll->stop();
                poll->deleteLater();
                releasedWhileWaiting = w->readyKey()->running();
                KeyDerivation::releaseGate();
            });
            poll->start(5);
            QTest::mouseClick(t.cmdStartStop, Qt::LeftButton);
            QCOMPARE(t.lngRoundNum, 1);
            QCOMPARE(t.lblDecryptionResult->text(), GetText(104));
        });
        KeyDerivation::releaseGate();
        QVERIFY(releasedWhileWaiting);
        QCOMPARE(KeyDerivation::peakRunning(), 1);
    }

    // Single rounds until one without files and one with three files have passed.
    void singleRoundsPassEndToEnd() {
        ScriptedMessageBoxes boxes;
        ScriptedModals modals;
        auto w = start();
        QList<Round> rounds;
        openTest(*w, modals, [&](frmTest& t) {
            QCOMPARE(shown(t.cmdStartStop->text()), shown(GetText(102)));
            QVERIFY(!t.fraDisplay->isVisible());
            QVERIFY(!t.lblRoundNum->isVisible());
            bool none = false, three = false;
            for (int i = 0; i < 60 && !(none && three); ++i) {
                QTest::mouseClick(t.cmdStartStop, Qt::LeftButton);
                const Round r = readRound(*w, t);
                rounds << r;
                none = none || r.files == 0;
                three = three || r.files == 3;
                QCOMPARE(t.lngRoundNum, i + 1);
                QCOMPARE(t.lblRoundNum->text(), GetText(105) + " #" + QString::number(i + 1));
            }
            QVERIFY(t.fraDisplay->isVisible());
            QVERIFY(t.cmdStartStop->isEnabled());
            QVERIFY(!t.messageState().blnTest);
            QVERIFY(!w->lblTextbox->isVisible());
            QVERIFY(w->cmdAppendSaveFile[0]->isVisible());
        });
        QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.lastPrompt()));
        bool none = false, three = false;
        for (const Round& r : rounds) {
            QCOMPARE(r.result, GetText(104));
            QVERIFY(r.packageAsExpected);
            QVERIFY(r.filesShownInSlots);
            QVERIFY(r.textShown);
            if (r.files == 0) {
                none = true;
                QCOMPARE(r.appendedFiles, GetText(114));
            }
            if (r.files == 3) {
                three = true;
                QCOMPARE(r.appendedFiles, "3 " + GetText(116) + ":");
            }
        }
        QVERIFY(none && three);
    }

    void spoiledRoundReportsItsFailure_data() {
        QTest::addColumn<std::function<void(frmTest&)>>("spoil");
        QTest::addColumn<int>("reported"); // the text in the message box
        QTest::addColumn<QString>("result");

        // One armour character changed in transit.
        QTest::addRow("armour changed") << std::function<void(frmTest&)>([](frmTest& t) {
            QByteArray& c = t.messageState().strCipherText;
            const qsizetype at = c.indexOf("TessamailMessageBegin") + 25;
            c[at] = c[at] == 'A' ? 'B' : 'A';
        }) << 153 << GetText(153);
        QTest::addRow("other key") << std::function<void(frmTest&)>([](frmTest& t) {
            t.messageState().strRandomKey = "Quite another key 123";
        }) << 158 << GetText(159);
        QTest::addRow("text differs")
            << std::function<void(frmTest&)>([](frmTest& t) { t.strTestText += "x"; }) << 107
            << GetText(107);
        QTest::addRow("file differs") << std::function<void(frmTest&)>([](frmTest& t) {
            t.intNumTestFiles = qMax(t.intNumTestFiles, 1);
            t.strTestFileContents[0] += 'x';
        }) << -1 << GetText(109) + " 0" + GetText(108);
    }
    void spoiledRoundReportsItsFailure() {
        QFETCH(std::function<void(frmTest&)>, spoil);
        QFETCH(int, reported);
        QFETCH(QString, result);
        ScriptedMessageBoxes boxes;
        ScriptedModals modals;
        auto w = start();
        frmTest::setBeforeDecryptionHook(spoil);
        openTest(*w, modals, [&](frmTest& t) {
            // Continuous: the failure must end the run by itself.
            t.chkRunWithoutPause->setChecked(true);
            QTest::mouseClick(t.cmdStartStop, Qt::LeftButton);
            QCOMPARE(t.lngRoundNum, 1);
            QCOMPARE(t.lblDecryptionResult->text(), result);
            QCOMPARE(shown(t.cmdStartStop->text()), shown(GetText(102)));
            QVERIFY(t.cmdStartStop->isEnabled());
            QVERIFY(!t.chkRunWithoutPause->isChecked());
            QVERIFY(!t.messageState().blnTest);
        });
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].prompt, reported < 0 ? result : GetText(reported));
        QCOMPARE(boxes.shown[0].icon, Icon::Exclamation);
        QCOMPARE(boxes.shown[0].title, GetText(13));
    }

    // Continuous rounds end when Stop is pressed, when "Run without pause" is cleared or
    // when the window is closed, always after the round under way.
    void continuousRunEnds_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Stop") << "stop";
        QTest::newRow("check box cleared") << "uncheck";
        QTest::newRow("Close") << "close";
    }
    void continuousRunEnds() {
        QFETCH(QString, how);
        ScriptedMessageBoxes boxes;
        ScriptedModals modals;
        auto w = start();
        QStringList captions;
        frmTest::setBeforeDecryptionHook([&](frmTest& t) {
            captions << shown(t.cmdStartStop->text());
            if (t.lngRoundNum < 3)
                return;
            if (how == "stop")
                QTest::mouseClick(t.cmdStartStop, Qt::LeftButton);
            else if (how == "uncheck")
                QTest::mouseClick(t.chkRunWithoutPause, Qt::LeftButton);
            else
                QTest::mouseClick(t.cmdClose, Qt::LeftButton);
            // The round under way is finished, not broken off.
            QVERIFY(t.isVisible());
        });
        openTest(*w, modals, [&](frmTest& t) {
            QTest::mouseClick(t.chkRunWithoutPause, Qt::LeftButton);
            QTest::mouseClick(t.cmdStartStop, Qt::LeftButton);
            QCOMPARE(t.lngRoundNum, 3);
            QCOMPARE(t.isVisible(), how != "close");
            if (how != "close")
                QCOMPARE(t.lblDecryptionResult->text(), GetText(104));
            QCOMPARE(shown(t.cmdStartStop->text()), shown(GetText(102)));
            QVERIFY(!t.messageState().blnTest);
            QVERIFY(!t.blnStopTest || how == "close");
        });
        QCOMPARE(captions, QStringList(3, shown(GetText(103))));
        QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.lastPrompt()));
    }

    // The rounds go through the main window's text box, slots and received files; closing
    // the test puts back what the user had there.
    void closingPutsBackTheUsersMessage_data() {
        QTest::addColumn<bool>("inDecryptMode");
        QTest::newRow("from encrypt mode") << false;
        QTest::newRow("from decrypt mode") << true;
    }
    void closingPutsBackTheUsersMessage() {
        QFETCH(bool, inDecryptMode);
        ScriptedMessageBoxes boxes;
        ScriptedModals modals;
        auto w = start();
        w->txbText->setPlainText("A draft not sent yet");
        w->txbFile[1]->setText("/home/user/report.pdf");
        w->optDecrypt->setChecked(true);
        w->txbText->setPlainText("A message received");
        w->txbFile[0]->setText("photo.jpg");
        w->msgState.strFileContents[0] = "received bytes";
        if (!inDecryptMode)
            w->optEncrypt->setChecked(true);

        openTest(*w, modals, [&](frmTest& t) {
            QVERIFY(w->txbText->toPlainText().isEmpty());
            QTest::mouseClick(t.cmdStartStop, Qt::LeftButton);
            QCOMPARE(t.lblDecryptionResult->text(), GetText(104));
        });
        QVERIFY(boxes.shown.isEmpty());
        QCOMPARE(w->optDecrypt->isChecked(), inDecryptMode);
        QVERIFY(w->lblTextbox->isVisible() && w->lblClipboard->isVisible() &&
                w->lblNumKeysSpecified->isVisible());
        QCOMPARE(w->msgState.lngMaxMessageSize, 102400);
        QCOMPARE(w->msgState.strFileContents[0], QByteArray("received bytes"));
        if (inDecryptMode)
            w->optEncrypt->setChecked(true);
        QCOMPARE(w->txbText->toPlainText(), QString("A draft not sent yet"));
        QCOMPARE(w->txbFile[1]->text(), QString("/home/user/report.pdf"));
        QVERIFY(w->txbFile[0]->text().isEmpty());
        w->optDecrypt->setChecked(true);
        QCOMPARE(w->txbText->toPlainText(), QString("A message received"));
        QCOMPARE(w->txbFile[0]->text(), QString("photo.jpg"));
        QVERIFY(w->txbFile[1]->text().isEmpty());
    }

    // A file may come out one byte longer than the budget left; the files stop there
    // instead of asking for one with no budget, which could come out empty.
    void testFilesStayWithinTheBudget_data() {
        QTest::addColumn<qint64>("budget");
        QTest::newRow("nothing left") << qint64(0);
        QTest::newRow("overdrawn") << qint64(-1);
        QTest::newRow("one byte") << qint64(1);
        QTest::newRow("two bytes") << qint64(2);
        QTest::newRow("a little") << qint64(40);
    }
    void testFilesStayWithinTheBudget() {
        QFETCH(qint64, budget);
        StrProc::Randomize(99u);
        bool sawFewerThanAsked = budget <= 0;
        for (int draw = 0; draw < 500; ++draw) {
            const QList<QByteArray> files = frmTest::MakeTestFiles(3, budget);
            QVERIFY(files.size() <= 3);
            qint64 left = budget;
            for (const QByteArray& f : files) {
                QVERIFY(left > 0);
                QVERIFY(!f.isEmpty());
                QVERIFY(f.size() <= left + 1);
                left -= f.size();
            }
            if (files.size() < 3) {
                QVERIFY(left <= 0);
                sawFewerThanAsked = true;
            }
        }
        QVERIFY(sawFewerThanAsked);
    }
};

QTEST_MAIN(TestSelfTest)
#include "tst_selftest.moc"
