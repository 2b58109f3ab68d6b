// SPDX-License-Identifier: GPL-3.0-or-later
// The key details window for the selected key entry.
#include "mainwindow/frmmain.h"

#include "keys/cb_man.h"
#include "keys/frmkeydetails.h"
#include "support/seams.h"

#include <QComboBox>
#include <QPushButton>

void frmMain::ShowKeyDetails() {
    const int i = cboKeys->currentIndex();
    // Nothing to take apart until an entry is chosen (after a keyfile get none is).
    if (i < 0) {
        cboKeys->setFocus();
        return;
    }
    frmKeyDetails window(this);
    window.ShowEntry(cboKeys->itemText(i), CB_Man::DateAdded(cboKeys, i));
    window.placeBelow(this);
    window.cmdClose->setFocus();
    Seams::ShowModal(&window);
}
