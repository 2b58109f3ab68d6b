// SPDX-License-Identifier: GPL-3.0-or-later
#include "keys/keyfrom.h"

#include "keys/frmkeyboardwithdisplay.h"
#include "support/seams.h"
#include "support/twips.h"
#include "text/programtext.h"

#include <QCheckBox>
#include <QScreen>

frmKeyFrom& frmKeyFrom::instance() {
    static frmKeyFrom keys;
    return keys;
}

frmKeyboardWithDisplay& frmKeyFrom::dialog() {
    if (!m_dialog) {
        m_dialog = new frmKeyboardWithDisplay(*this);
        // Made after the language was chosen: take its captions now.
        if (ProgramText::language() >= 0)
            m_dialog->SetLanguageDependentText();
    }
    return *m_dialog;
}

void frmKeyFrom::KeyboardWithDisplay(QWidget* mainWindow) {
    frmKeyboardWithDisplay& d = dialog();
    if (mainWindow && d.parentWidget() != mainWindow)
        d.setParent(mainWindow, d.windowFlags());
    d.blnUseThisKey = false;

    if (mainWindow) {
        d.ensurePolished();
        d.resize(mainWindow->width(), d.height());
        d.applyModeLayout(); // the height depends on the mode
        // Positions are of the outer frame; the dialog's frame is taken to be like the main
        // window's, which is on the screen already.
        const QRect main = mainWindow->frameGeometry();
        const QRect inner = mainWindow->geometry();
        const QMargins frame(inner.left() - main.left(), inner.top() - main.top(),
                             main.right() - inner.right(), main.bottom() - inner.bottom());
        QRect outer = QRect(QPoint(0, 0), d.size()).marginsAdded(frame);
        const int offsetTwips = d.masterMode() ? 3725 : 1450;
        outer.moveTopLeft(QPoint(main.left(), main.top() + twipsToPixels(offsetTwips)));
        // Low on the screen the dialog would hang over the edge: lift it just enough.
        if (const QScreen* screen = mainWindow->screen()) {
            const QRect avail = screen->availableGeometry();
            outer.moveBottom(qMin(outer.bottom(), avail.bottom()));
            outer.moveRight(qMin(outer.right(), avail.right()));
            outer.moveTop(qMax(outer.top(), avail.top()));
            outer.moveLeft(qMax(outer.left(), avail.left()));
        }
        d.move(outer.topLeft());
    }
    Seams::ShowModal(&d);
}

void frmKeyFrom::reset() {
    strKeyAsInput.clear();
    strMasterKeyAsInput.clear();
    intMinKeyLength = 16;
    intMaxKeyLength = 64;
    if (m_dialog) {
        m_dialog->blnEncryptingKeyList = false;
        m_dialog->blnDecryptingKeyList = false;
        m_dialog->chkConcealChars->setChecked(false);
        m_dialog->chkEraseKey->setChecked(false);
    }
}
