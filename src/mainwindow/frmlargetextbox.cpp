// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/frmlargetextbox.h"

#include "mainwindow/textandfiles.h"
#include "support/accessibleroles.h"
#include "support/accesskeys.h"
#include "support/secretclipboard.h"
#include "support/twips.h"
#include "text/programtext.h"

#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

frmLargeTextbox::frmLargeTextbox(QWidget* mainWindow, const QPlainTextEdit* mainText)
    : QDialog(mainWindow) {
    setObjectName(QStringLiteral("frmLargeTextbox"));
    setWindowTitle(QStringLiteral("Textbox"));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    setSizeGripEnabled(true);

    txbText = new SecretClipboard::SecretTextEdit(this);
    txbText->setObjectName(QStringLiteral("txbText"));
    txbText->setTabChangesFocus(true);
    cmdCopyToClipboard = new QPushButton(this);
    cmdCopyToClipboard->setObjectName(QStringLiteral("cmdCopyToClipboard"));
    cmdCopyToClipboard->setAutoDefault(false);
    cmdClose = new QPushButton(this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    // Enter in a read-only text closes the window; in an editable one it breaks the line.
    cmdClose->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdCopyToClipboard);
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txbText, 1);
    layout->addLayout(buttons);

    if (mainText) {
        txbText->setFont(mainText->font());
        txbText->setPlainText(mainText->document()->toRawText());
        txbText->setReadOnly(mainText->isReadOnly());
        // Read-only, the text can still be selected from the keyboard for copying.
        if (txbText->isReadOnly())
            txbText->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                             Qt::TextSelectableByKeyboard);
    }
    txbText->moveCursor(QTextCursor::Start);

    connect(cmdCopyToClipboard, &QPushButton::clicked, this,
            &frmLargeTextbox::cmdCopyToClipboard_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmLargeTextbox::cmdClose_Click);
    // The caption follows every change of selection, by mouse or by keyboard.
    connect(txbText, &QPlainTextEdit::selectionChanged, this, &frmLargeTextbox::UpdateCopyButton);

    SetLanguageDependentText();
    setMinimumSize(twipsToPixels(kMinWidth), twipsToPixels(kMinHeight));
    placeOver(mainWindow);
    txbText->setFocus();
}

int frmLargeTextbox::CopyButtonWidthTwips(bool selection, int language) {
    const bool german = language == ProgramText::German;
    if (selection)
        return german ? 5700 : 3750;
    return german ? 3500 : 2500;
}

void frmLargeTextbox::SetLanguageDependentText() {
    setWindowTitle(GetText(542));
    cmdClose->setText(GetText(101));
    txbText->setAccessibleName(GetText(421));
    AccessibleRoles::NameScrollBars(txbText);
    UpdateCopyButton();
    AccessKeys::Assign(this);
}

void frmLargeTextbox::UpdateCopyButton() {
    const bool selection = txbText->textCursor().hasSelection();
    cmdCopyToClipboard->setText(selection ? GetText(176) : GetText(175));
    // Never narrower than its caption, whatever the font.
    const int width = twipsToPixels(CopyButtonWidthTwips(selection, ProgramText::language()));
    cmdCopyToClipboard->setFixedWidth(qMax(width, cmdCopyToClipboard->sizeHint().width()));
}

QString frmLargeTextbox::text() const {
    return TextAndFiles::MessageText(txbText->document()->toRawText());
}

void frmLargeTextbox::cmdCopyToClipboard_Click() {
    QGuiApplication::clipboard()->clear();
    QTextCursor cursor = txbText->textCursor();
    // Read-only means decrypted text: it is marked for clipboard managers as secret.
    SecretClipboard::setText(TextAndFiles::ClipboardText(cursor.hasSelection()
                                                             ? cursor.selectedText()
                                                             : txbText->document()->toRawText()),
                             txbText->isReadOnly());
    cursor.clearSelection();
    txbText->setTextCursor(cursor);
    UpdateCopyButton();
    cmdClose->setFocus();
}

void frmLargeTextbox::cmdClose_Click() {
    accept();
}

void frmLargeTextbox::changeEvent(QEvent* event) {
    // Coming back to the window only refreshes the button: the text stays as the user left
    // it, edits included.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        UpdateCopyButton();
    QDialog::changeEvent(event);
}

void frmLargeTextbox::placeOver(const QWidget* mainWindow) {
    if (!mainWindow)
        return;
    QRect r(mainWindow->frameGeometry().topLeft() + QPoint(0, twipsToPixels(kTopOffset)),
            QSize(mainWindow->width(), mainWindow->height() - twipsToPixels(kHeightLess)));
    r.setSize(r.size().expandedTo(minimumSize()));
    // A main window low on the screen must not push the buttons off it.
    if (const QScreen* screen = mainWindow->screen()) {
        const QRect available = screen->availableGeometry();
        if (r.bottom() > available.bottom())
            r.moveBottom(available.bottom());
        if (r.top() < available.top())
            r.moveTop(available.top());
    }
    move(r.topLeft());
    resize(r.size());
}
