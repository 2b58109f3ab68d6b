// SPDX-License-Identifier: GPL-3.0-or-later
// The main window in everyday use by keyboard: arrow keys step through the lists without
// pulling the focus away, and the clipboard label follows the clipboard on its own.
#include "keys/cb_man.h"
#include "keys/keysearch.h"
#include "mainwindow/clickablelabel.h"
#include "mainwindow/frmmain.h"
#include "mainwindow/statustexts.h"
#include "support/accesskeys.h"
#include "support/fileproc.h"
#include "support/scripted.h"
#include "testsupport/mainfixture.h"
#include "testsupport/testsupport.h"
#include "text/programtext.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <memory>

using TestSupport::TestMain;

namespace {

// Every access key of the window: key -> the control's objectName.
QMap<QChar, QString> accessKeysOf(QWidget* window) {
    QMap<QChar, QString> keys;
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        if (b->window() != window)
            continue;
        const QChar k = AccessKeys::keyOfButton(b);
        if (k.isNull())
            continue;
        if (keys.contains(k))
            qWarning() << "shared" << k << keys.value(k) << b->objectName();
        keys.insert(k, b->objectName());
    }
    return keys;
}

} // namespace

class TestDailyUse : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSupport::DataFolder> data;

    std::unique_ptr<TestMain> startWithKeys(const QStringList& keys) {
        auto w = TestSupport::startMain();
        for (int i = 0; i < keys.size(); ++i)
            CB_Man::InsertSorted(w->cboKeys, keys[i], 2451545 + i);
        w->MarkKeyListStored();
        w->activateWindow();
        if (!QTest::qWaitForWindowActive(w.get()))
            qFatal("main window not active");
        return w;
    }

    // Opens the list, moves to row and presses Enter there, as a user choosing it does.
    static void chooseInOpenedList(QComboBox* list, int row) {
        list->showPopup();
        QAbstractItemView* view = list->view();
        QTRY_VERIFY(view->isVisible());
        view->setCurrentIndex(list->model()->index(row, 0));
        QTest::keyClick(view, Qt::Key_Return);
        QTRY_VERIFY(!view->isVisible());
    }

private slots:
    void initTestCase() { TestSupport::DataFolder::initTestCase(); }
    void init() { data = std::make_unique<TestSupport::DataFolder>(); }
    void cleanup() { data.reset(); }

    void arrowKeysInTheClosedKeyListKeepTheFocus_data() {
        QTest::addColumn<bool>("decrypt");
        QTest::newRow("encrypt mode") << false;
        QTest::newRow("decrypt mode") << true;
    }
    void arrowKeysInTheClosedKeyListKeepTheFocus() {
        QFETCH(bool, decrypt);
        auto w = startWithKeys({"a «» key one", "b «» key two", "c «» key three"});
        if (decrypt)
            w->optDecrypt->setChecked(true);
        w->cboKeys->setCurrentIndex(0);
        w->cboKeys->setFocus();
        QTest::keyClick(w->cboKeys, Qt::Key_Down);
        QCOMPARE(w->cboKeys->currentIndex(), 1);
        QCOMPARE(QApplication::focusWidget(), w->cboKeys);
        QTest::keyClick(w->cboKeys, Qt::Key_Down);
        QCOMPARE(w->cboKeys->currentIndex(), 2);
        QTest::keyClick(w->cboKeys, Qt::Key_Up);
        QTest::keyClick(w->cboKeys, Qt::Key_A); // first letter
        QCOMPARE(w->cboKeys->currentIndex(), 0);
        QCOMPARE(QApplication::focusWidget(), w->cboKeys);

        // A choice in the opened list is the end of the choosing: on to the mode's command.
        chooseInOpenedList(w->cboKeys, 2);
        QCOMPARE(w->cboKeys->currentIndex(), 2);
        QCOMPARE(QApplication::focusWidget(),
                 decrypt ? w->cmdDecryptMessage : w->cmdEncryptMessage);
    }

    void arrowKeysInTheClosedLanguageListKeepTheFocus() {
        auto w = startWithKeys({});
        w->cboLanguage->setFocus();
        QTest::keyClick(w->cboLanguage, Qt::Key_Down);
        QCOMPARE(ProgramText::language(), int(ProgramText::German));
        QCOMPARE(QApplication::focusWidget(), w->cboLanguage);
        QTest::keyClick(w->cboLanguage, Qt::Key_Up);
        QCOMPARE(ProgramText::language(), int(ProgramText::English));
        QCOMPARE(QApplication::focusWidget(), w->cboLanguage);

        chooseInOpenedList(w->cboLanguage, ProgramText::German);
        QCOMPARE(ProgramText::language(), int(ProgramText::German));
        QCOMPARE(QApplication::focusWidget(), w->cmdDecryptStoredKeys);
    }

    // Another program's copy shows in the label without a click; a running self-test's
    // does not.
    void clipboardLabelFollowsTheClipboard() {
        auto w = startWithKeys({});
        QGuiApplication::clipboard()->setText(QString(1234, 'x'));
        QTRY_COMPARE_WITH_TIMEOUT(w->lblClipboard->text(), StatusTexts::ClipboardLabel(1234), 1000);
        QGuiApplication::clipboard()->clear();
        QTRY_COMPARE_WITH_TIMEOUT(w->lblClipboard->text(), StatusTexts::ClipboardLabel(0), 1000);

        w->msgState.blnTest = true;
        QGuiApplication::clipboard()->setText(QStringLiteral("during the test"));
        QTest::qWait(300);
        QCOMPARE(w->lblClipboard->text(), StatusTexts::ClipboardLabel(0));
        w->msgState.blnTest = false;
    }

    // Ctrl+E and Ctrl+D press the command the mode enables, wherever the focus is, and
    // their tooltips say so.
    void controlEAndControlDPressTheMessageCommands() {
        auto w = startWithKeys({});
        QCOMPARE(w->cmdEncryptMessage->toolTip(), QString("Ctrl+E"));
        QCOMPARE(w->cmdDecryptMessage->toolTip(), QString("Ctrl+D"));
        Seams::ScriptedMessageBoxes boxes;
        w->txbText->setFocus();
        QTest::keyClick(w->txbText, Qt::Key_E, Qt::ControlModifier);
        QTRY_COMPARE(boxes.shown.size(), 1); // no keys: "add a key first"
        QCOMPARE(boxes.shown[0].prompt, GetText(82));
        w->optDecrypt->setChecked(true);
        w->txbKeySearch->setFocus();
        QTest::keyClick(w->txbKeySearch, Qt::Key_D, Qt::ControlModifier);
        QTRY_COMPARE(boxes.shown.size(), 2);
        QCOMPARE(boxes.shown[1].prompt, GetText(82));
        // Ctrl+E in decrypt mode does nothing: its command is disabled.
        QTest::keyClick(w->txbText, Qt::Key_E, Qt::ControlModifier);
        QTest::qWait(300);
        QCOMPARE(boxes.shown.size(), 2);
    }

    // The access keys are fixed by the program texts, the same whatever happened before:
    // starting in German and starting in English, using the key dialog, hiding the keys and
    // switching modes before switching to German.
    void accessKeysAreTheSameWhateverCameBefore() {
        QMap<QChar, QString> first;
        {
            auto w = startWithKeys({"a «» key one"});
            w->cboLanguage->setCurrentIndex(ProgramText::German);
            first = accessKeysOf(w.get());
        }
        data = std::make_unique<TestSupport::DataFolder>();
        {
            auto w = startWithKeys({"a «» key one"});
            Seams::ScriptedModals modals; // the key dialog, cancelled
            w->cmdAddKey_Click();
            w->optDecrypt->setChecked(true);
            w->cmdKeylistHideShow_Click();
            w->cmdKeylistHideShow_Click();
            w->optEncrypt->setChecked(true);
            w->cboLanguage->setCurrentIndex(ProgramText::German);
            QCOMPARE(accessKeysOf(w.get()), first);
        }
        QCOMPARE(first.value('Z'), QString("cmdAddKey"));
        QCOMPARE(first.value('N'), QString("cmdQuit"));
        // Every caption of the main window has its key from the text table: nothing was left
        // for the program to choose.
        for (int language : {ProgramText::English, ProgramText::German}) {
            ProgramText::setLanguage(language);
            for (int n : {1,  2,  6,  7,  8,  9,  10, 16, 17, 19, 20,  21, 22,
                          23, 24, 25, 28, 34, 35, 36, 38, 97, 98, 101, 184})
                QVERIFY2(!AccessKeys::keyOf(GetText(n)).isNull(), qPrintable(QString::number(n)));
        }
    }

    // Type-to-find: a middle fragment of an address, and a name written without its umlaut,
    // find their entry among a thousand; choosing it selects it as the list would.
    void keySearchFindsAnEntryAmongAThousand_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("middle of an address") << "ANN-0500@exa"
                                              << "ann-0500@example.org";
        QTest::newRow("umlaut written out") << "mueller"
                                            << "J\u00FCrgen M\u00FCller";
        QTest::newRow("umlaut dropped") << "Jurgen Mul"
                                        << "J\u00FCrgen M\u00FCller";
        QTest::newRow("accent dropped") << "helene"
                                        << "H\u00E9l\u00E8ne";
    }
    void keySearchFindsAnEntryAmongAThousand() {
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        QStringList keys;
        for (int i = 0; i < 998; ++i)
            keys << QString("ann-%1@example.org \u00AB\u00BB key %1").arg(i, 4, 10, QChar('0'));
        keys << QString("J\u00FCrgen M\u00FCller \u00AB2026\u00BB the key")
             << QString("H\u00E9l\u00E8ne \u00AB\u00BB muller key");
        auto w = startWithKeys(keys);
        QCOMPARE(w->cboKeys->count(), 1000);
        w->cboKeys->setCurrentIndex(0);
        const QString before = w->cboKeys->currentText();

        w->txbKeySearch->setFocus();
        QTest::keyClicks(w->txbKeySearch, typed);
        QAbstractItemView* offers = w->keySearchCompleter->popup();
        QTRY_VERIFY(offers->isVisible());
        QCOMPARE(offers->model()->rowCount(), 1);
        // Only the search: the selection and the key in use stay as they were.
        QCOMPARE(w->cboKeys->currentText(), before);
        QTest::keyClick(offers, Qt::Key_Down);
        QTest::keyClick(offers, Qt::Key_Return);
        QTRY_VERIFY(!offers->isVisible());
        QVERIFY2(w->cboKeys->currentText().startsWith(expected),
                 qPrintable(w->cboKeys->currentText()));
        QCOMPARE(w->selectedKeyEntry(), w->cboKeys->currentText());
        QCOMPARE(QApplication::focusWidget(), w->cmdEncryptMessage);
        QVERIFY(w->txbKeySearch->text().isEmpty());
    }

    void keySearchLooksOnlyAtTheRecipient_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("found");
        QTest::newRow("key not searched") << "ann \u00AB\u00BB secret"
                                          << "secret" << false;
        QTest::newRow("date not searched") << "ann \u00AB2026\u00BB k"
                                           << "2026" << false;
        QTest::newRow("no recipient") << "\u00AB\u00BB ann"
                                      << "ann" << false;
        QTest::newRow("case") << "Ann@Example.org \u00AB\u00BB k"
                              << "aNN@ex" << true;
        QTest::newRow("sharp s") << "Stra\u00DFe \u00AB\u00BB k"
                                 << "strasse" << true;
        QTest::newRow("empty") << "ann \u00AB\u00BB k"
                               << "  " << false;
    }
    void keySearchLooksOnlyAtTheRecipient() {
        QFETCH(QString, entry);
        QFETCH(QString, typed);
        QTEST(KeySearch::Matches(entry, typed), "found");
    }

    // Numbers are grouped as the program's language does, not as the system's locale does.
    void numbersFollowTheProgramsLanguage() {
        auto w = startWithKeys({});
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        w->cboLanguage->setCurrentIndex(ProgramText::German);
        QCOMPARE(FileProc::SizeText(102400, false), QString("102.400 Bytes (100 KB)"));
        w->cboLanguage->setCurrentIndex(ProgramText::English);
        QCOMPARE(FileProc::SizeText(102400, false), QString("102,400 bytes (100 KB)"));
    }
};

QTEST_MAIN(TestDailyUse)
#include "tst_dailyuse.moc"
