// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader and a keyboard user get: names that tell controls apart, access
// keys on every command of every window in both languages, the key details values, and
// the texts a German user sees.
#include "keys/cb_man.h"
#include "keys/frmkeyboardwithdisplay.h"
#include "keys/frmkeydetails.h"
#include "keys/frmspecifykeyfilepath.h"
#include "keys/keyfrom.h"
#include "mainwindow/clickablelabel.h"
#include "mainwindow/frmlargetextbox.h"
#include "mainwindow/frmmain.h"
#include "mainwindow/windowstate.h"
#include "selftest/frmtest.h"
#include "support/accesskeys.h"
#include "support/fileproc.h"
#include "support/folder.h"
#include "support/scripted.h"
#include "testsupport/mainfixture.h"
#include "testsupport/testsupport.h"
#include "text/frmhelp.h"
#include "text/programtext.h"
#include "text/weblink.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace Seams;
using TestSupport::TestMain;

namespace {

class PathOwner final : public KeyfilePathOwner {
public:
    QString keyfilePath() const override { return QStringLiteral("/nowhere/tsm.dat"); }
    void setKeyfilePath(const QString&) override {}
    void markKeyListNotStored() override {}
    void WriteParametersFile() override {}
};

// Every button of window that a user can reach must have an access key that no other
// control of the window has; a label's access key (its buddy) counts as taken too.
// exempt lists the objectNames of buttons left without one on purpose.
void checkAccessKeys(QWidget* window, const QStringList& exempt = {}) {
    QHash<QChar, QString> owner;
    const auto take = [&](QChar key, const QString& name) {
        QVERIFY2(!owner.contains(key),
                 qPrintable(QString("%1: %2 and %3 share Alt+%4")
                                .arg(window->objectName(), owner.value(key), name, QString(key))));
        owner.insert(key, name);
    };
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        if (b->text().isEmpty() && b->shortcut().isEmpty())
            continue; // no caption: not a command (a combo box's arrow and the like)
        const QChar key = AccessKeys::keyOfButton(b);
        const QString name = b->objectName() + " \"" + b->text() + "\"";
        if (exempt.contains(b->objectName())) {
            QVERIFY2(key.isNull(), qPrintable(name));
            continue;
        }
        QVERIFY2(!key.isNull(), qPrintable(window->objectName() + ": no access key on " + name));
        take(key, name);
    }
    for (QLabel* l : window->findChildren<QLabel*>())
        if (l->buddy())
            if (const QChar key = AccessKeys::keyOf(l->text()); !key.isNull())
                take(key, l->objectName());
}

QString accessibleName(QWidget* w) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    return iface ? iface->text(QAccessible::Name) : QString();
}

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSupport::DataFolder> data;

    std::unique_ptr<TestMain> start(int language) {
        auto w = TestSupport::startMain([&](TestMain& m) {
            m.countKeyfileCommands = true;
            m.cipherStartResult = 1;
            m.strOldKeyfilePath = data->path("old/tsm.dat");
        });
        w->cboLanguage->setCurrentIndex(language);
        if (ProgramText::language() != language)
            qFatal("language not switched");
        return w;
    }

private slots:
    void initTestCase() { TestSupport::DataFolder::initTestCase(); }
    void init() { data = std::make_unique<TestSupport::DataFolder>(); }
    void cleanup() { data.reset(); }

    void accessKeysAreUniquePerWindow_data() {
        QTest::addColumn<int>("language");
        QTest::newRow("English") << int(ProgramText::English);
        QTest::newRow("German") << int(ProgramText::German);
    }
    void accessKeysAreUniquePerWindow() {
        QFETCH(int, language);
        auto w = start(language);
        // The slot's Clear buttons share one caption; Tab reaches each right after its slot.
        const QStringList clearButtons = {"cmdClearFile_0", "cmdClearFile_1", "cmdClearFile_2"};
        checkAccessKeys(w.get(), clearButtons);
        // The captions change with the mode and with Hide keys; the keys must stay apart.
        w->optDecrypt->setChecked(true);
        checkAccessKeys(w.get(), clearButtons);
        w->cmdKeylistHideShow_Click();
        checkAccessKeys(w.get(), clearButtons);

        frmKeyboardWithDisplay& keyEntry = frmKeyFrom::instance().dialog();
        checkAccessKeys(&keyEntry);
        frmKeyDetails details(w.get());
        checkAccessKeys(&details);
        PathOwner owner;
        frmSpecifyKeyfilePath path(owner, w.get());
        checkAccessKeys(&path);
        frmLargeTextbox large(w.get(), w->txbText);
        checkAccessKeys(&large);
        checkAccessKeys(&w->HelpWindow());
        checkAccessKeys(&w->TestWindow());
    }

    // The slot buttons say which slot they are, in both modes and both languages, and Alt
    // with the slot's number presses them.
    void slotButtonsHaveTheirOwnNames_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<bool>("decrypt");
        QTest::addColumn<QString>("first");
        QTest::newRow("English, append") << 0 << false << "Append file 1";
        QTest::newRow("English, save") << 0 << true << "Save file 1";
        QTest::newRow("German, append") << 1 << false << QString("Datei anh\u00E4ngen 1");
        QTest::newRow("German, save") << 1 << true << "Datei speichern 1";
    }
    void slotButtonsHaveTheirOwnNames() {
        QFETCH(int, language);
        QFETCH(bool, decrypt);
        auto w = start(language);
        if (decrypt)
            w->optDecrypt->setChecked(true);
        QTEST(accessibleName(w->cmdAppendSaveFile[0]), "first");
        QSet<QString> names;
        for (QWidget* c : w->findChildren<QWidget*>()) {
            if (!c->isVisibleTo(w.get()) || c->focusPolicy() == Qt::NoFocus)
                continue;
            const QString name = accessibleName(c);
            if (name.isEmpty())
                continue;
            QVERIFY2(!names.contains(name), qPrintable(name + " (" + c->objectName() + ")"));
            names.insert(name);
        }
        for (int i = 0; i < frmMain::kSlots; ++i) {
            QCOMPARE(AccessKeys::keyOfButton(w->cmdAppendSaveFile[i]), QChar('1' + i));
            QCOMPARE(accessibleName(w->cmdClearFile[i]),
                     GetText(540) + ' ' + QString::number(i + 1));
        }
    }

    void altAndTheSlotNumberPressesTheSlotButton() {
        auto w = start(ProgramText::English);
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        ScriptedFileDialogs dialogs;
        dialogs.answer(QString()); // cancelled
        w->txbText->setFocus();
        QTest::keyClick(w->txbText, Qt::Key_2, Qt::AltModifier);
        // The button shows itself pressed for a moment before it acts.
        QTRY_COMPARE(dialogs.shown.size(), 1);
        // A language change sets the caption anew; the key stays.
        w->cboLanguage->setCurrentIndex(ProgramText::German);
        dialogs.answer(QString());
        QTest::keyClick(w->txbText, Qt::Key_3, Qt::AltModifier);
        QTRY_COMPARE(dialogs.shown.size(), 2);
    }

    // The status labels are read, not visited: Tab passes them, and Enter where the
    // focus was never starts the self-test.
    void statusLabelsAreOutOfTheTabOrder() {
        auto w = start(ProgramText::English);
        const QList<QWidget*> labels = {w->lblTextbox, w->lblClipboard, w->lblNumKeysSpecified};
        for (QWidget* label : labels)
            QVERIFY2(!(label->focusPolicy() & Qt::TabFocus), qPrintable(label->objectName()));
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        ScriptedModals modals;
        w->txbText->setFocus();
        QCOMPARE(QApplication::focusWidget(), w->txbText);
        // Once round the tab order, with Enter wherever it is not a command's own key (the
        // buttons, and the language label, which switches the language).
        QSet<QWidget*> visited;
        for (int i = 0; i < 100; ++i) {
            QWidget* f = QApplication::focusWidget();
            QVERIFY(f);
            QVERIFY2(!labels.contains(f), qPrintable(f->objectName()));
            if (visited.contains(f))
                break;
            visited.insert(f);
            if (!qobject_cast<QAbstractButton*>(f) && f != w->lblLanguage)
                QTest::keyClick(f, Qt::Key_Return);
            QTest::keyClick(f, Qt::Key_Tab);
        }
        QCOMPARE(QApplication::focusWidget(), w->txbText);
        QVERIFY(visited.contains(w->cboKeys));
        QVERIFY(visited.contains(w->cmdQuit));
        QVERIFY(modals.shown.isEmpty());
    }

    // The values of the key details window are what a screen reader reads: the caption and
    // the value in one name.
    void keyDetailsValuesAreReadable_data() {
        QTest::addColumn<int>("language");
        QTest::newRow("English") << int(ProgramText::English);
        QTest::newRow("German") << int(ProgramText::German);
    }
    void keyDetailsValuesAreReadable() {
        QFETCH(int, language);
        ProgramText::setLanguage(language);
        frmKeyDetails details;
        details.ShowEntry("ann@example.org \u00ABfirst mail\u00BB Tall trees whisper softly",
                          2454169);
        const QString checksum = QString::number(frmKeyFrom::instance().intKeyChecksum);
        const QString name = accessibleName(details.lblChecksum[1]);
        QVERIFY2(name.contains(checksum), qPrintable(name));
        QVERIFY2(name.startsWith(GetText(136).chopped(1)), qPrintable(name));
        QVERIFY(accessibleName(details.lblTarget[1]).contains("ann@example.org"));
        QVERIFY(accessibleName(details.lblKeyAddedOn[1]).contains("2007-03-09"));
        QVERIFY(accessibleName(details.lblKey[1]).contains("Tall trees whisper softly"));
        // Every value has a name of its own.
        QSet<QString> names;
        for (QLabel* value :
             {details.lblTarget[1], details.lblDate[1], details.lblKey[1], details.lblNumChars[1],
              details.lblChecksum[1], details.lblKeyAddedOn[1]})
            names.insert(accessibleName(value));
        QCOMPARE(names.size(), 6);
    }

    // Qt's own texts (file dialogs, the text boxes' context menu) follow the language.
    void qtTextsFollowTheLanguage() {
        const QString cancel = "Cancel";
        auto w = start(ProgramText::German);
        if (QCoreApplication::translate("QPlatformTheme", "Cancel") == cancel)
            QSKIP("Qt's German translation (qt6-translations-l10n) is not installed");
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("Abbrechen"));
        w->cboLanguage->setCurrentIndex(ProgramText::English);
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), cancel);
    }

    // What a German user sees in boxes and titles is German.
    void germanTexts() {
        ProgramText::setLanguage(ProgramText::German);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(FileProc::BytesText(383, false), QString("383 Bytes"));
        QCOMPARE(FileProc::SizeText(102400, false), QString("102.400 Bytes (100 KB)"));
        QCOMPARE(weblink::launchFailureTitle(), GetText(543));
        QVERIFY(weblink::launchFailurePrompt().startsWith(GetText(544) + "\r\n\r\n"));
        QVERIFY(!weblink::launchFailurePrompt().contains("launching"));
        frmLargeTextbox large(nullptr, nullptr);
        QCOMPARE(large.windowTitle(), QString("Textfeld"));
        QByteArray contents;
        QCOMPARE(FileProc::ReadBinaryFile(data->path("none"), contents),
                 QString("Datei nicht gefunden"));

        // English keeps the fixed wording, word for word.
        ProgramText::setLanguage(ProgramText::English);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(FileProc::BytesText(1234, false), QString("1,234 bytes"));
        QCOMPARE(FileProc::BytesText(1234, true), QString("1,234 Bytes"));
        QCOMPARE(weblink::launchFailureTitle(), QString("Cannot launch web browser"));
        QCOMPARE(weblink::launchFailurePrompt(),
                 QString("Error launching web browser.\r\n\r\n"
                         "Please make sure that your web browser is correctly installed,\r\n"
                         "that '.htm' files are associated with it, and that there is\r\n"
                         "sufficient memory available."));
        frmLargeTextbox english(nullptr, nullptr);
        QCOMPARE(english.windowTitle(), QString("Textbox"));
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
