// SPDX-License-Identifier: GPL-3.0-or-later
#include "keys/datepr2.h"
#include "keys/frmkeyboardwithdisplay.h"
#include "keys/keyentry.h"
#include "keys/keyfrom.h"
#include "keys/keyrules.h"
#include "support/accesskeys.h"
#include "support/scripted.h"
#include "support/twips.h"
#include "testsupport/testsupport.h"
#include "text/programtext.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QtTest>
#include <memory>
#include <optional>

using namespace Seams;

namespace {

// Types text key by key, as a keyboard would deliver it (also characters QTest's Latin-1
// helpers cannot send).
void typeText(QWidget* w, const QString& text) {
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void pasteText(QLineEdit* box, const QString& text) {
    QGuiApplication::clipboard()->setText(text);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
}

// On the box itself: a check box spanning the dialog takes clicks only on box and caption.
void clickCheckBox(QCheckBox* box) {
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(6, box->height() / 2));
}

const QString kSixteen = QStringLiteral("a b c d e f g h i j k l m n o p");

} // namespace

class TestKeyboardWithDisplay : public QObject {
    Q_OBJECT

    frmKeyFrom keys; // the dialog's own key variables, apart from the program's
    std::unique_ptr<ScriptedMessageBoxes> boxes;
    std::unique_ptr<frmKeyboardWithDisplay> dlg;

    void showDialog() {
        dlg->show();
        QCoreApplication::processEvents();
    }

    void verifyOffersAnswer(bool admissible) {
        QCOMPARE(dlg->cmdYes->isVisible(), admissible);
        QCOMPARE(dlg->cmdNo->isVisible(), admissible);
        QCOMPARE(dlg->lblUseThisKey->isVisible(), admissible);
        QCOMPARE(dlg->lblChecksumIs->isVisible(), admissible);
        QCOMPARE(dlg->cmdCancel->isVisible(), !admissible);
        const QString prompt =
            GetText(130) + " (" + (admissible ? GetText(162) : GetText(124)) + "):";
        QCOMPARE(dlg->lblEntertheKey->text(), prompt);
        QCOMPARE(dlg->txbKey->accessibleName(), prompt);
    }

private slots:
    void initTestCase() {
        TestSupport::loadProgramTexts();
        DatePr2::setTodayOverride(QDate(2007, 3, 9));
    }
    void cleanupTestCase() { DatePr2::setTodayOverride(QDate()); }

    void init() {
        keys = frmKeyFrom();
        boxes = std::make_unique<ScriptedMessageBoxes>();
        dlg = std::make_unique<frmKeyboardWithDisplay>(keys);
        dlg->resize(640, dlg->height());
    }
    void cleanup() {
        dlg.reset();
        boxes.reset();
    }

    void admissibilityBorder_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("admissible");
        QTest::newRow("15 characters with spaces") << "a b c d e f g h i j k l m n o" << false;
        QTest::newRow("15 characters padded to 64 typed")
            << ("  a b c d e f g h i j k l m n o" + QString(33, ' ')) << false;
        QTest::newRow("16 characters with spaces") << kSixteen << true;
        QTest::newRow("16 characters in runs of spaces")
            << "   abcd    efgh   ijkl     mnop  " << true;
        // A no-break space is a key character, so it counts.
        QTest::newRow("15 letters and a no-break space")
            << QString::fromUtf8("abcdefg hijklmno\u00A0") << true;
    }
    void admissibilityBorder() {
        QFETCH(QString, typed);
        QFETCH(bool, admissible);
        showDialog();
        typeText(dlg->txbKey, typed);
        QCOMPARE(dlg->txbKey->text(), typed);
        verifyOffersAnswer(admissible);
        if (admissible) {
            const int checksum = KeyRules::KeyChecksum(KeyRules::ReducedKey(typed));
            QCOMPARE(keys.intKeyChecksum, checksum);
            QCOMPARE(dlg->lblChecksumIs->text(), GetText(136) + " " + QString::number(checksum));
            QCOMPARE(keys.strKeyDigest.size(), 16);
        }
    }

    void sixteenthCharacterTurnsCancelIntoYesNo() {
        showDialog();
        typeText(dlg->txbKey, "abcd efgh ijkl mno");
        verifyOffersAnswer(false);
        typeText(dlg->txbKey, "p");
        verifyOffersAnswer(true);
        const QString shown = dlg->lblChecksumIs->text();
        QVERIFY(QRegularExpression(" [1-9][0-9]{3}$").match(shown).hasMatch());
        QTest::keyClick(dlg->txbKey, Qt::Key_Backspace);
        verifyOffersAnswer(false);
    }

    void boxesStopAtTheirMaximumLength() {
        showDialog();
        const QString seventy = QString("0123456789").repeated(7);
        for (QLineEdit* box : {dlg->txbTarget, dlg->txbDate, dlg->txbKey}) {
            box->clear();
            typeText(box, seventy);
        }
        QCOMPARE(dlg->txbTarget->text(), seventy.left(64));
        QCOMPARE(dlg->txbDate->text(), seventy.left(14));
        QCOMPARE(dlg->txbKey->text(), seventy.left(keys.intMaxKeyLength));
    }

    void refusedCharacters_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("paste");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QString>("message");

        enum How { Typed, Pasted };
        const auto row = [](const char* name, const char* box, const char* input, How how,
                            const std::optional<QString>& message) {
            QTest::newRow(name) << QString(box) << QString::fromUtf8(input) << (how == Pasted)
                                << message.has_value() << message.value_or(QString());
        };
        const QString delimiters = GetText(161);
        const auto notInCodePage = [](const char* c) {
            return GetText(440).replace("%1", QString::fromUtf8(c));
        };
        const std::nullopt_t taken = std::nullopt; // no message: the input goes in
        row("& typed in key", "txbKey", "&", Typed, delimiters);
        row("& typed in target", "txbTarget", "&", Typed, delimiters);
        row("& typed in date", "txbDate", "&", Typed, delimiters);
        row("« typed in key", "txbKey", "«", Typed, delimiters);
        row("» typed in target", "txbTarget", "»", Typed, delimiters);
        row("€ typed in key (in Windows-1252)", "txbKey", "€", Typed, taken);
        row("Ж typed in key", "txbKey", "Ж", Typed, notInCodePage("Ж"));
        row("Ж typed in target", "txbTarget", "Ж", Typed, notInCodePage("Ж"));
        row("pasted key with &", "txbKey", "cd&ef", Pasted, delimiters);
        row("pasted name with Ж", "txbTarget", "Жук", Pasted, notInCodePage("Ж"));
        row("pasted emoji in key", "txbKey", "x\U0001F600", Pasted, notInCodePage("\U0001F600"));
        // A line break or TAB would split the key list's records in the keyfile.
        row("pasted key with line break", "txbKey", "cd\r\nef", Pasted, GetText(441));
        row("pasted date with TAB", "txbDate", "1\t2", Pasted, GetText(441));
        row("pasted accented key", "txbKey", "né€ Œuvre", Pasted, taken);
    }
    void refusedCharacters() {
        QFETCH(QString, box);
        QFETCH(QString, input);
        QFETCH(bool, paste);
        QFETCH(bool, refused);
        QFETCH(QString, message);
        showDialog();
        auto* edit = dlg->findChild<QLineEdit*>(box);
        QVERIFY(edit);
        edit->setText("ab");
        if (paste)
            pasteText(edit, input);
        else
            typeText(edit, input);
        QCoreApplication::processEvents();
        if (!refused) {
            QCOMPARE(edit->text(), "ab" + input);
            QVERIFY(boxes->shown.isEmpty());
            return;
        }
        QCOMPARE(edit->text(), QString("ab"));
        QCOMPARE(boxes->shown.size(), 1);
        const MessageBoxRequest& shown = boxes->shown.first();
        QCOMPARE(shown.prompt, message);
        QCOMPARE(shown.icon, Icon::Information);
        QCOMPARE(shown.buttons, Buttons::OK);
        QCOMPARE(shown.title, GetText(51));
    }

    void yesCleansUpAndAccepts() {
        showDialog();
        typeText(dlg->txbTarget, "  Jane   Doe  ");
        dlg->txbDate->clear();
        typeText(dlg->txbDate, " 2007-03-10 ");
        typeText(dlg->txbKey, QString::fromUtf8("   correct   horse battery  staple\u00A0  "));
        QTest::mouseClick(dlg->cmdYes, Qt::LeftButton);
        QVERIFY(dlg->blnUseThisKey);
        QVERIFY(!dlg->isVisible());
        QCOMPARE(dlg->txbKey->text(), QString::fromUtf8("correct horse battery staple\u00A0"));
        QCOMPARE(dlg->txbTarget->text(), QString("Jane   Doe"));
        QCOMPARE(dlg->txbDate->text(), QString("2007-03-10"));
    }

    void answers_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("stillOpen");
        QTest::addColumn<bool>("used");
        const QString spaced = "  " + kSixteen + "  ";
        QTest::newRow("No") << spaced << "cmdNo" << false << false;
        QTest::newRow("Cancel on a short key") << "short  key"
                                               << "cmdCancel" << false << false;
        QTest::newRow("Escape") << spaced << "Escape" << false << false;
        QTest::newRow("Enter on a short key does nothing") << "short"
                                                           << "Enter" << true << false;
        QTest::newRow("Enter on a usable key is Yes") << spaced << "Enter" << false << true;
    }
    void answers() {
        QFETCH(QString, key);
        QFETCH(QString, answer);
        QFETCH(bool, stillOpen);
        QFETCH(bool, used);
        showDialog();
        typeText(dlg->txbKey, key);
        if (answer == "Escape")
            QTest::keyClick(dlg->txbKey, Qt::Key_Escape);
        else if (answer == "Enter")
            QTest::keyClick(dlg->txbKey, Qt::Key_Return);
        else
            QTest::mouseClick(dlg->findChild<QPushButton*>(answer), Qt::LeftButton);
        QCOMPARE(dlg->isVisible(), stillOpen);
        QCOMPARE(dlg->blnUseThisKey, used);
        // Only Yes tidies the key; the dialog is hidden, not destroyed, and keeps it otherwise.
        QCOMPARE(dlg->txbKey->text(), used ? KeyEntry::CleanedKey(key) : key);
    }

    void modes_data() {
        QTest::addColumn<bool>("encrypting");
        QTest::addColumn<bool>("decrypting");
        QTest::addColumn<QString>("prefilledKey");
        QTest::addColumn<QString>("targetCaption");
        QTest::addColumn<QString>("questionCaption");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<QString>("title");
        const QString master = "my master key of the key list";
        const QString masterPrompt = GetText(123) + " (" + GetText(162) + "):";
        QTest::newRow("add") << false << false << QString() << GetText(131) << GetText(128)
                             << GetText(130) + " (" + GetText(124) + "):" << QString("Add key");
        QTest::newRow("store key list") << true << false << master << GetText(125) << GetText(127)
                                        << masterPrompt << QString("Encrypt keys and store");
        QTest::newRow("get key list") << false << true << master << GetText(126) << GetText(127)
                                      << masterPrompt << QString("Get keys and decrypt");
    }
    void modes() {
        QFETCH(bool, encrypting);
        QFETCH(bool, decrypting);
        QFETCH(QString, prefilledKey);
        QFETCH(QString, targetCaption);
        QFETCH(QString, questionCaption);
        QFETCH(QString, prompt);
        QFETCH(QString, title);
        const bool master = encrypting || decrypting;
        dlg->blnEncryptingKeyList = encrypting;
        dlg->blnDecryptingKeyList = decrypting;
        dlg->blnUseThisKey = true; // from an earlier opening
        dlg->txbTarget->setText("earlier target");
        dlg->txbDate->setText("earlier date");
        dlg->txbKey->setText(prefilledKey);
        dlg->txbKey->setCursorPosition(0);
        showDialog();

        QVERIFY(!dlg->blnUseThisKey);
        QCOMPARE(dlg->windowTitle(), title);
        QCOMPARE(dlg->lblTarget->text(), targetCaption);
        QCOMPARE(dlg->lblUseThisKey->text(), questionCaption);
        QCOMPARE(dlg->lblEntertheKey->text(), prompt);
        QCOMPARE(dlg->lblTarget->isVisible(), true);
        QCOMPARE(dlg->txbTarget->isVisible(), !master);
        QCOMPARE(dlg->lblDate->isVisible(), !master);
        QCOMPARE(dlg->txbDate->isVisible(), !master);
        QCOMPARE(dlg->chkEraseKey->isVisible(), master);
        QVERIFY(dlg->chkConcealChars->isVisible());
        QCOMPARE(dlg->focusWidget(), dlg->txbKey);
        if (master) {
            // The last master key is offered, ready to accept or to extend at its end.
            QVERIFY(dlg->cmdYes->isVisible());
            QCOMPARE(dlg->txbKey->cursorPosition(), int(prefilledKey.size()));
        } else {
            QCOMPARE(dlg->txbTarget->text(), QString());
            QCOMPARE(dlg->txbDate->text(), QString("2007-03-09"));
            QCOMPARE(dlg->txbTarget->accessibleName(), targetCaption);
            QCOMPARE(dlg->txbDate->accessibleName(), dlg->lblDate->text());
        }
    }

    void concealOptionMasksEveryCharacterAndIsKept() {
        showDialog();
        typeText(dlg->txbKey, "secret");
        QCOMPARE(dlg->txbKey->displayText(), QString("secret"));
        clickCheckBox(dlg->chkConcealChars);
        QCOMPARE(dlg->txbKey->displayText(), QString("******"));
        QCOMPARE(dlg->focusWidget(), dlg->txbKey);
        typeText(dlg->txbKey, "!");
        QCOMPARE(dlg->txbKey->displayText(), QString("*******"));
        QCOMPARE(dlg->txbKey->text(), QString("secret!"));

        dlg->reject();
        showDialog(); // the check box keeps its state across openings
        QCOMPARE(dlg->txbKey->displayText(), QString("*******"));
        clickCheckBox(dlg->chkConcealChars);
        QCOMPARE(dlg->txbKey->displayText(), QString("secret!"));
    }

    void languageSwitchRewritesCaptions() {
        for (int language : {ProgramText::German, ProgramText::English}) {
            ProgramText::setLanguage(language);
            dlg->SetLanguageDependentText();
            QCOMPARE(dlg->cmdYes->text(), GetText(97));
            QCOMPARE(dlg->cmdNo->text(), GetText(98));
            // Cancel has its key from the table, like the other captions.
            QCOMPARE(dlg->cmdCancel->text(), GetText(184));
            QVERIFY(!AccessKeys::keyOf(dlg->cmdCancel->text()).isNull());
            QCOMPARE(dlg->lblDate->text(), GetText(132));
            QCOMPARE(dlg->chkConcealChars->text(), GetText(37));
            QCOMPARE(dlg->chkEraseKey->text(), GetText(129));
        }
    }

    // The whole road as the main window and the keyfile commands take it.
    void addFlowThroughTheKeyModule() {
        ScriptedModals modals;
        QWidget mainWindow;
        mainWindow.setGeometry(40, 30, 700, 500);
        mainWindow.show();
        frmKeyFrom& module = frmKeyFrom::instance();
        module.reset();
        frmKeyboardWithDisplay& d = module.dialog();
        d.txbKey->clear();
        modals.script([&](QDialog* shown) {
            QCOMPARE(shown, &d);
            const QRect main = mainWindow.frameGeometry();
            QCOMPARE(d.x(), main.x());
            QCOMPARE(d.y(), main.y() + twipsToPixels(1450));
            QCOMPARE(d.width(), mainWindow.width());
            typeText(d.txbTarget, "friend@example.org");
            d.txbDate->selectAll();
            typeText(d.txbDate, "2024-05-01");
            typeText(d.txbKey, "  our   shared key for mail ");
            QTest::mouseClick(d.cmdYes, Qt::LeftButton);
        });
        module.KeyboardWithDisplay(&mainWindow);
        QCOMPARE(modals.shown, QStringList{"frmKeyboardWithDisplay"});
        QVERIFY(d.blnUseThisKey);
        QVERIFY(!d.isVisible());
        QCOMPARE(d.txbTarget->text(), QString("friend@example.org"));
        QCOMPARE(d.txbDate->text(), QString("2024-05-01"));
        QCOMPARE(d.txbKey->text(), QString("our shared key for mail"));
    }

    void masterKeyFlowKeepsEraseChoice() {
        ScriptedModals modals;
        QWidget mainWindow;
        // Low on the screen: the dialog must still fit on it.
        const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
        mainWindow.setGeometry(avail.left() + 10, avail.bottom() - 150, 600, 120);
        mainWindow.show();
        frmKeyFrom& module = frmKeyFrom::instance();
        frmKeyboardWithDisplay& d = module.dialog();
        d.txbKey->setText("the master key typed last time");
        d.blnDecryptingKeyList = true;
        modals.script([&](QDialog*) {
            QVERIFY(avail.contains(d.frameGeometry()));
            QVERIFY(d.cmdYes->isVisible());
            QVERIFY(!d.chkEraseKey->isChecked());
            clickCheckBox(d.chkEraseKey);
            QCOMPARE(d.focusWidget(), d.txbKey);
            QTest::mouseClick(d.cmdYes, Qt::LeftButton);
        });
        module.KeyboardWithDisplay(&mainWindow);
        d.blnDecryptingKeyList = false;
        QVERIFY(d.blnUseThisKey);
        QVERIFY(d.chkEraseKey->isChecked());
        QCOMPARE(d.txbKey->text(), QString("the master key typed last time"));

        module.reset(); // start-up state: options off
        QVERIFY(!d.chkEraseKey->isChecked());
        QVERIFY(!d.chkConcealChars->isChecked());
    }
};

QTEST_MAIN(TestKeyboardWithDisplay)
#include "tst_keyboardwithdisplay.moc"
