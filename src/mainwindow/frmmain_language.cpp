// Language choice and the captions that follow it.
#include "mainwindow/frmmain.h"

#include "mainwindow/clickablelabel.h"
#include "support/accesskeys.h"
#include "text/programtext.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

// Sets every language-dependent caption of the program. So far it fills the language list
// and refreshes the status labels and accessible names; the captions of the commands keep
// their English design-time texts until the language switch is built.
void frmMain::SetLanguageDependentText() {
    FillLanguageList();
    UpdateTextboxLabel();
    UpdateClipboardLabel();
    ShowKeyCount();
    SetAccessibleNames();
    AccessKeys::Assign(this);
}

void frmMain::FillLanguageList() {
    const QSignalBlocker block(cboLanguage);
    cboLanguage->clear();
    cboLanguage->addItem(GetText(200), ProgramText::English);
    cboLanguage->addItem(GetText(201), ProgramText::German);
    cboLanguage->setCurrentIndex(qMax(ProgramText::language(), 0));
}

void frmMain::SetAccessibleNames() {
    cboKeys->setAccessibleName(GetText(420));
    txbText->setAccessibleName(GetText(421));
    for (int i = 0; i < kSlots; ++i)
        txbFile[i]->setAccessibleName(GetText(422) + QLatin1Char(' ') + QString::number(i + 1));
    // What clicking the three active labels does is not written on them.
    lblTextbox->setAccessibleDescription(GetText(423));
    lblTextbox->setToolTip(GetText(423));
    lblClipboard->setAccessibleDescription(GetText(424));
    lblClipboard->setToolTip(GetText(424));
    lblLanguage->setAccessibleDescription(GetText(425));
    lblLanguage->setToolTip(GetText(425));
}

// The language list's choice. Not built yet: the choice is not applied.
void frmMain::cboLanguage_Click() {}

// Toggles between the two languages. Not built yet.
void frmMain::lblLanguage_DblClick() {}

// Records the language outside the program. Not built yet.
void frmMain::SaveLanguageSetting() {}
