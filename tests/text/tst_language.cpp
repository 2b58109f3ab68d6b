// SPDX-License-Identifier: GPL-3.0-or-later
#include "keys/cb_man.h"
#include "keys/frmkeyboardwithdisplay.h"
#include "keys/keyfrom.h"
#include "mainwindow/clickablelabel.h"
#include "mainwindow/frmmain.h"
#include "selftest/frmtest.h"
#include "support/accesskeys.h"
#include "support/folder.h"
#include "support/registry.h"
#include "support/scripted.h"
#include "support/twips.h"
#include "testsupport/mainfixture.h"
#include "testsupport/testsupport.h"
#include "text/frmhelp.h"
#include "text/programtext.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>
#include <functional>
#include <memory>

using namespace Seams;

namespace {

using TestSupport::TestMain;

// One caption of some window: the window, the control's objectName (empty: the window's
// own caption) and the text it shows.
struct Caption {
    std::function<QWidget*(frmMain&)> window;
    QString control;
    int text;
};

QWidget* mainWindow(frmMain& w) {
    return &w;
}
QWidget* helpWindow(frmMain& w) {
    return &w.HelpWindow();
}
QWidget* testWindow(frmMain& w) {
    return &w.TestWindow();
}
QWidget* keyDialog(frmMain&) {
    return &frmKeyFrom::instance().dialog();
}

QList<Caption> everyCaption() {
    QList<Caption> list = {
        {mainWindow, "lblLanguage", 187},
        {mainWindow, "optEncrypt", 1},
        {mainWindow, "optDecrypt", 2},
        {mainWindow, "cmdClearTextbox", 6},
        {mainWindow, "cmdCopyFromClipboard", 7},
        {mainWindow, "cmdLoadSaveTextbox_0", 8},
        {mainWindow, "cmdLoadSaveTextbox_1", 9},
        {mainWindow, "cmdEnlargeTextbox", 10},
        {mainWindow, "cmdDecryptStoredKeys", 16},
        {mainWindow, "cmdEncryptStoredKeys", 17},
        {mainWindow, "cmdKeylistHideShow", 34},
        {mainWindow, "cmdSpecifyKeyfilePath", 19},
        {mainWindow, "cmdAddKey", 20},
        {mainWindow, "cmdKeyDetails", 21},
        {mainWindow, "cmdDeleteKeyShown", 22},
        {mainWindow, "cmdUndoLastDeletion", 23},
        {mainWindow, "cmdEncryptMessage", 24},
        {mainWindow, "cmdDecryptMessage", 25},
        {mainWindow, "cmdHelp", 28},
        {mainWindow, "cmdQuit", 36},
        {mainWindow, "cmdWebPage", 38},
        {helpWindow, "", 100},
        {helpWindow, "cmdClose", 101},
        {testWindow, "cmdClose", 101},
        {testWindow, "chkRunWithoutPause", 122},
        {testWindow, "cmdStartStop", 102},
        {keyDialog, "cmdYes", 97},
        {keyDialog, "cmdNo", 98},
        {keyDialog, "cmdCancel", 184},
        {keyDialog, "lblDate", 132},
        {keyDialog, "chkConcealChars", 37},
        {keyDialog, "chkEraseKey", 129},
    };
    for (int i = 0; i < frmMain::kSlots; ++i) {
        const QString n = QString::number(i);
        list.append({mainWindow, "cmdAppendSaveFile_" + n, 14});
        list.append({mainWindow, "cmdClearFile_" + n, 6});
        list.append({mainWindow, "lblSaved_" + n, 494});
    }
    return list;
}

// The caption as the user reads it (access-key markers dropped).
QString captionOf(QWidget* window, const QString& control) {
    if (control.isEmpty())
        return window->windowTitle();
    QWidget* w = window->findChild<QWidget*>(control);
    if (!w)
        return QStringLiteral("<no %1>").arg(control);
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return AccessKeys::plain(b->text());
    if (auto* l = qobject_cast<QLabel*>(w))
        return AccessKeys::plain(l->text());
    return QStringLiteral("<%1 has no caption>").arg(control);
}

QString textIn(int language, int number) {
    const int current = ProgramText::language();
    ProgramText::setLanguage(language);
    const QString text = AccessKeys::plain(GetText(number));
    ProgramText::setLanguage(current);
    return text;
}

// Every caption that does not read as its text in language, as "control: shown".
QStringList wrongCaptions(frmMain& w, int language) {
    QStringList wrong;
    for (const Caption& c : everyCaption()) {
        const QString shown = captionOf(c.window(w), c.control);
        if (shown != textIn(language, c.text))
            wrong << c.window(w)->objectName() + "." + c.control + ": " + shown;
    }
    return wrong;
}

int buttonPointSize(frmMain& w) {
    return w.cmdQuit->font().pointSize();
}

const QString kKeyPath = QStringLiteral("Software\\Tessamail\\Settings");

} // namespace

Q_DECLARE_METATYPE(QList<Caption>)

class TestLanguage : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSupport::DataFolder> data;

    std::unique_ptr<TestMain> start() { return TestSupport::startMain(); }

    static void chooseInList(frmMain& w, int language) {
        w.cboLanguage->setFocus();
        QTest::keyClick(w.cboLanguage, language == ProgramText::German ? Qt::Key_Down : Qt::Key_Up);
    }

    QString registryValue() const {
        return Registry::ReadRegistryString(Registry::HKEY_CURRENT_USER_ROOT, kKeyPath, "Language");
    }

private slots:
    void initTestCase() { TestSupport::DataFolder::initTestCase(); }
    void init() { data = std::make_unique<TestSupport::DataFolder>(); }
    void cleanup() { data.reset(); }

    // Every caption of every window follows, also of windows never opened, and the list
    // and its label switch back and forth.
    void everyCaptionFollowsTheLanguage() {
        auto w = start();
        QCOMPARE(wrongCaptions(*w, ProgramText::English), QStringList());
        QCOMPARE(buttonPointSize(*w), 10);
        QCOMPARE(w->cboLanguage->currentIndex(), 0);

        chooseInList(*w, ProgramText::German);
        QCOMPARE(ProgramText::language(), int(ProgramText::German));
        QCOMPARE(wrongCaptions(*w, ProgramText::German), QStringList());
        QCOMPARE(buttonPointSize(*w), 8);
        QCOMPARE(w->cmdWebPage->font().pointSize(), 8);
        QCOMPARE(w->cboLanguage->count(), 2);
        QCOMPARE(w->cboLanguage->itemText(0), GetText(200));
        QCOMPARE(w->cboLanguage->itemText(1), GetText(201));
        QCOMPARE(w->cboLanguage->currentIndex(), 1);
        QCOMPARE(w->optDecrypt->minimumWidth(), twipsToPixels(5500));
        // The status labels are rewritten too.
        QVERIFY(w->lblNumKeysSpecified->text() == GetText(31));

        // Double-clicking the label toggles, twice returns to the first language.
        QTest::mouseDClick(w->lblLanguage, Qt::LeftButton);
        QCOMPARE(ProgramText::language(), int(ProgramText::English));
        QCOMPARE(wrongCaptions(*w, ProgramText::English), QStringList());
        QCOMPARE(buttonPointSize(*w), 10);
        QCOMPARE(w->optDecrypt->minimumWidth(), twipsToPixels(4500));
        QTest::mouseDClick(w->lblLanguage, Qt::LeftButton);
        QCOMPARE(ProgramText::language(), int(ProgramText::German));
        QCOMPARE(wrongCaptions(*w, ProgramText::German), QStringList());
    }

    // Windows opened for the first time after a switch show the new language.
    void windowsOpenedLaterShowTheNewLanguage_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QList<Caption>>("captions");
        QTest::newRow("key entry")
            << "cmdAddKey"
            << "frmKeyboardWithDisplay"
            << QList<Caption>{{keyDialog, "cmdCancel", 184}, {keyDialog, "chkConcealChars", 37}};
        QTest::newRow("self-test") << "lblTextbox"
                                   << "frmTest"
                                   << QList<Caption>{{testWindow, "cmdStartStop", 102},
                                                     {testWindow, "cmdClose", 101},
                                                     {testWindow, "chkRunWithoutPause", 122}};
        QTest::newRow("key details") << "cmdKeyDetails"
                                     << "frmKeyDetails"
                                     << QList<Caption>{{nullptr, "", 163},
                                                       {nullptr, "cmdClose", 101},
                                                       {nullptr, "lblTarget_0", 131},
                                                       {nullptr, "lblChecksum_0", 136}};
        QTest::newRow("keyfile path") << "cmdSpecifyKeyfilePath"
                                      << "frmSpecifyKeyfilePath"
                                      << QList<Caption>{{nullptr, "", 19},
                                                        {nullptr, "cmdChangeKFP", 139},
                                                        {nullptr, "cmdClose", 172},
                                                        {nullptr, "lblGetStoreOps", 138}};
        QTest::newRow("enlarged text")
            << "cmdEnlargeTextbox"
            << "frmLargeTextbox" << QList<Caption>{{nullptr, "cmdClose", 101}};
    }
    void windowsOpenedLaterShowTheNewLanguage() {
        QFETCH(QString, command);
        QFETCH(QString, window);
        QFETCH(QList<Caption>, captions);
        ScriptedModals modals;
        ScriptedMessageBoxes boxes;
        auto w = start();
        CB_Man::InsertSorted(w->cboKeys,
                             QStringLiteral("bob@example.org \u00AB\u00BB Some key 1234567890"),
                             2451545);
        w->cboKeys->setCurrentIndex(0);
        w->txbText->setPlainText("Something to enlarge");
        chooseInList(*w, ProgramText::German);
        QStringList wrong;
        modals.script([&](QDialog* d) {
            QCOMPARE(d->objectName(), window);
            for (const Caption& c : captions) {
                const QString shown = captionOf(d, c.control);
                if (shown != textIn(ProgramText::German, c.text))
                    wrong << c.control + ": " + shown;
            }
        });
        QWidget* opener = w->findChild<QWidget*>(command);
        QVERIFY(opener);
        QTest::mouseClick(opener, Qt::LeftButton);
        QCOMPARE(modals.shown, QStringList{window});
        QCOMPARE(wrong, QStringList());
    }

    void choiceGoesToTheRegistryOnlyWhenItChanges() {
        auto w = start();
        QCOMPARE(registryValue(), QString("EN"));
        QVERIFY(QFile::remove(data->registryFile()));

        // The language already current: no caption is rewritten, nothing is written.
        w->cmdQuit->setText("unchanged");
        w->cboLanguage->setCurrentIndex(0);
        w->cboLanguage_Click();
        chooseInList(*w, ProgramText::English);
        QCOMPARE(w->cmdQuit->text(), QString("unchanged"));
        QVERIFY(!QFile::exists(data->registryFile()));

        chooseInList(*w, ProgramText::German);
        QCOMPARE(registryValue(), QString("DE"));
        QTest::mouseDClick(w->lblLanguage, Qt::LeftButton);
        QCOMPARE(registryValue(), QString("EN"));
    }

    // Captions that depend on the window's state keep that state in the new language.
    void modeAndHiddenKeysKeepTheirCaptions() {
        auto w = start();
        w->optDecrypt->setChecked(true);
        QTest::mouseClick(w->cmdKeylistHideShow, Qt::LeftButton);
        QVERIFY(w->keysHidden());
        for (int language : {ProgramText::German, ProgramText::English}) {
            chooseInList(*w, language);
            for (int i = 0; i < frmMain::kSlots; ++i)
                QCOMPARE(AccessKeys::plain(w->cmdAppendSaveFile[i]->text()), textIn(language, 15));
            QCOMPARE(AccessKeys::plain(w->cmdKeylistHideShow->text()), textIn(language, 35));
        }
        // And switching back to normal still works after the change.
        QTest::mouseClick(w->cmdKeylistHideShow, Qt::LeftButton);
        QCOMPARE(AccessKeys::plain(w->cmdKeylistHideShow->text()), textIn(0, 34));
    }

    void openHelpChangesItsTextAtOnce() {
        auto w = start();
        QTest::mouseClick(w->cmdHelp, Qt::LeftButton);
        frmHelp& help = w->HelpWindow();
        QVERIFY(help.isVisible());
        chooseInList(*w, ProgramText::German);
        QVERIFY(help.isVisible());
        QCOMPARE(help.txbHelpScreen->toPlainText(),
                 frmHelp::HelpText(ProgramText::German).replace("\r\n", "\n"));
        QCOMPARE(help.windowTitle(), textIn(1, 100));
    }
};

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
