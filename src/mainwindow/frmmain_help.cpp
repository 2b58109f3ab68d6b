// SPDX-License-Identifier: GPL-3.0-or-later
// The help window and the product's web page.
#include "mainwindow/frmmain.h"

#include "text/frmhelp.h"
#include "text/programtext.h"
#include "text/weblink.h"

#include <QKeyEvent>
#include <QPointer>

frmHelp& frmMain::HelpWindow() {
    if (!m_frmHelp) {
        m_frmHelp = new frmHelp(this);
        // Without an owner it can go behind this window, so it is deleted by hand.
        connect(this, &QObject::destroyed,
                [help = QPointer<frmHelp>(m_frmHelp)] { delete help.data(); });
        // Created after the language was chosen: take its captions and text now.
        if (ProgramText::language() >= 0)
            m_frmHelp->SetLanguageDependentText();
    }
    return *m_frmHelp;
}

void frmMain::cmdHelp_Click() {
    HelpWindow().OpenHelp();
}

void frmMain::keyPressEvent(QKeyEvent* event) {
    // Reaches here from any control that has no use for F1, the Help button among them.
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        cmdHelp_Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmMain::cmdWebPage_Click() {
    weblink::OpenProductPage(ProgramText::language());
}
