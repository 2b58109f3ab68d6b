// SPDX-License-Identifier: GPL-3.0-or-later
// Language choice and the captions that follow it.
#include "mainwindow/frmmain.h"

#include "keys/frmkeyboardwithdisplay.h"
#include "keys/keyfrom.h"
#include "mainwindow/clickablelabel.h"
#include "selftest/frmtest.h"
#include "support/accessibleroles.h"
#include "support/accesskeys.h"
#include "support/registry.h"
#include "support/twips.h"
#include "text/frmhelp.h"
#include "text/programtext.h"
#include "text/qttranslations.h"

#include <QComboBox>
#include <QFrame>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

// Switches between the two languages; returns the new one.
int ToggleLanguage() {
    const int language = ProgramText::language() == ProgramText::English ? ProgramText::German
                                                                         : ProgramText::English;
    ProgramText::setLanguage(language);
    return language;
}

} // namespace

void frmMain::SetLanguageDependentText() {
    const bool english = ProgramText::language() != ProgramText::German;
    QtTranslations::Apply(ProgramText::language());
    FillLanguageList();

    // The German captions are longer; smaller type keeps the rows of buttons within the
    // window. The buttons of other windows are not this window's direct children.
    for (QPushButton* button : findChildren<QPushButton*>(QString(), Qt::FindDirectChildrenOnly)) {
        QFont font = button->font();
        font.setPointSize(english ? 10 : 8);
        button->setFont(font);
    }

    lblLanguage->setText(GetText(187));
    optEncrypt->setText(GetText(1));
    optDecrypt->setText(GetText(2));
    // The mode options take the room their captions need in each language.
    optEncrypt->setMinimumWidth(twipsToPixels(english ? 3375 : 2750));
    optDecrypt->setMinimumWidth(twipsToPixels(english ? 4500 : 5500));
    cmdClearTextbox->setText(GetText(6));
    cmdCopyFromClipboard->setText(GetText(7));
    cmdLoadSaveTextbox[0]->setText(GetText(8));
    cmdLoadSaveTextbox[1]->setText(GetText(9));
    cmdEnlargeTextbox->setText(GetText(10));
    const bool appendCaption = !blnStartupCompleted || blnEncrypt;
    for (int i = 0; i < kSlots; ++i) {
        SetSlotCaption(i, appendCaption ? GetText(14) : GetText(15));
        // Three buttons of the same name: none of them takes a letter that a command with
        // a caption of its own needs. Tab reaches each right after its slot's file name.
        cmdClearFile[i]->setText(AccessKeys::plain(GetText(6)));
        AccessKeys::SetNone(cmdClearFile[i]);
        lblSaved[i]->setText(GetText(494));
    }
    cmdDecryptStoredKeys->setText(GetText(16));
    cmdEncryptStoredKeys->setText(GetText(17));
    cmdKeylistHideShow->setText(!blnStartupCompleted || !m_keysHidden ? GetText(34) : GetText(35));
    cmdSpecifyKeyfilePath->setText(GetText(19));
    cmdAddKey->setText(GetText(20));
    cmdKeyDetails->setText(GetText(21));
    cmdDeleteKeyShown->setText(GetText(22));
    cmdUndoLastDeletion->setText(GetText(23));
    cmdEncryptMessage->setText(GetText(24));
    cmdDecryptMessage->setText(GetText(25));
    // Written after Qt's texts changed language: "Strg+E" in German.
    cmdEncryptMessage->setToolTip(QKeySequence(kEncryptKey).toString(QKeySequence::NativeText));
    cmdDecryptMessage->setToolTip(QKeySequence(kDecryptKey).toString(QKeySequence::NativeText));
    cmdHelp->setText(GetText(28));
    cmdQuit->setText(GetText(36));
    cmdWebPage->setText(GetText(38));

    UpdateTextboxLabel();
    UpdateClipboardLabel();
    ShowKeyCount();
    SetAccessibleNames();
    AccessKeys::Assign(this);
    update();

    // The other windows that have been made. The key dialog, the help and the self-test
    // windows are made on first use (building them costs start-up time most sessions never
    // need) and take the language's captions then; the keyfile path, key details and
    // enlarged text windows are made anew for each opening and do the same.
    if (frmKeyFrom::instance().hasDialog())
        frmKeyFrom::instance().dialog().SetLanguageDependentText();
    if (m_frmTest)
        m_frmTest->SetLanguageDependentText();
    if (m_frmHelp)
        m_frmHelp->SetLanguageDependentText();
}

void frmMain::FillLanguageList() {
    const QSignalBlocker block(cboLanguage);
    cboLanguage->clear();
    cboLanguage->addItem(GetText(200), ProgramText::English);
    cboLanguage->addItem(GetText(201), ProgramText::German);
    cboLanguage->setCurrentIndex(qMax(ProgramText::language(), 0));
}

void frmMain::SetSlotCaption(int slot, const QString& caption) {
    QPushButton* button = cmdAppendSaveFile[slot];
    const QString number = QString::number(slot + 1);
    const QString plain = AccessKeys::plain(caption);
    button->setText(plain);
    // Set after the caption: a new caption replaces the button's shortcut.
    button->setShortcut(QKeySequence(Qt::ALT | Qt::Key(Qt::Key_1 + slot)));
    button->setAccessibleName(plain + QLatin1Char(' ') + number);
    button->setToolTip(button->shortcut().toString(QKeySequence::NativeText));
}

void frmMain::SetAccessibleNames() {
    // The lines between the parts of the window name the part that follows them.
    const std::pair<const char*, int> separators[] = {
        {"sepKeys", 552}, {"sepMessage", 553}, {"sepSlots", 554}, {"sepBottom", 555}};
    for (const auto& [name, number] : separators)
        if (auto* line = findChild<QFrame*>(QLatin1String(name)))
            line->setAccessibleName(GetText(number));
    cboKeys->setAccessibleName(GetText(420));
    txbKeySearch->setAccessibleName(GetText(550));
    txbKeySearch->setPlaceholderText(GetText(550));
    txbKeySearch->setToolTip(GetText(551) + QStringLiteral(" (") +
                             QKeySequence(kFindKeyKey).toString(QKeySequence::NativeText) +
                             QLatin1Char(')'));
    txbKeySearch->setAccessibleDescription(GetText(551));
    txbText->setAccessibleName(GetText(421));
    AccessibleRoles::NameScrollBars(txbText);
    for (int i = 0; i < kSlots; ++i) {
        const QString number = QString::number(i + 1);
        txbFile[i]->setAccessibleName(GetText(422) + QLatin1Char(' ') + number);
        cmdClearFile[i]->setAccessibleName(GetText(540) + QLatin1Char(' ') + number);
    }
    // What clicking the three active labels does is not written on them.
    lblTextbox->setAccessibleDescription(GetText(423));
    lblTextbox->setToolTip(GetText(423));
    lblClipboard->setAccessibleDescription(GetText(424));
    lblClipboard->setToolTip(GetText(424));
    lblLanguage->setAccessibleDescription(GetText(425));
    lblLanguage->setToolTip(GetText(425));
}

void frmMain::cboLanguage_Click() {
    ApplyLanguageChoice();
    FocusAfterLanguageChoice();
}

void frmMain::ApplyLanguageChoice() {
    if (cboLanguage->currentIndex() < 0)
        return;
    const int language = cboLanguage->currentData().toInt();
    ProgramText::setLanguage(language);
    if (language != intPreviousLanguage) {
        // Rebuilds the list with the new language's entry selected.
        SetLanguageDependentText();
        intPreviousLanguage = language;
        SaveLanguageSetting();
    }
}

void frmMain::FocusAfterLanguageChoice() {
    if (isVisible() && isEnabled())
        cmdDecryptStoredKeys->setFocus();
}

void frmMain::lblLanguage_DblClick() {
    // Selecting the entry changes the language.
    cboLanguage->setCurrentIndex(ToggleLanguage());
    FocusAfterLanguageChoice();
}

void frmMain::SaveLanguageSetting() {
    // Kept for other programs to read; a failed write is no reason to bother the user.
    Registry::WriteRegistryString(
        Registry::HKEY_CURRENT_USER_ROOT, strRegistryKeyPath, QStringLiteral("Language"),
        ProgramText::language() == ProgramText::German ? QStringLiteral("DE")
                                                       : QStringLiteral("EN"));
}
