// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The key module: the key variables shared by the key entry dialog, the key list and the
// keyfile commands, and the operation that shows the key entry dialog.
#include <QByteArray>
#include <QPointer>
#include <QString>

class QWidget;
class frmKeyboardWithDisplay;

class frmKeyFrom {
public:
    static frmKeyFrom& instance();

    bool blnCancel = false;
    int intKeyChecksum = 0;
    int intMinKeyLength = 16;
    int intMaxKeyLength = 64;
    QString strKeyAsInput;
    QString strMasterKeyAsInput; // kept in memory between keyfile operations unless erased
    QByteArray strKeyDigest;

    // The one key entry dialog of the program; created on first use, hidden (not
    // destroyed) when it closes so its boxes keep their state.
    frmKeyboardWithDisplay& dialog();
    // The dialog has been made (it is made on first use).
    bool hasDialog() const { return !m_dialog.isNull(); }

    // Places the dialog relative to mainWindow (same width and left edge; top + 3,725 twips
    // in the master-key modes, + 1,450 in add mode; kept on the main window's screen) and
    // shows it modally through the modal-window seam. Returns when it is hidden. The dialog
    // becomes a child window of mainWindow, so it stays above it.
    void KeyboardWithDisplay(QWidget* mainWindow);

    // Start-up state: key strings empty, limits 16 and 64, dialog flags and check boxes off.
    void reset();

private:
    // Guarded: the main window owns the dialog once it has been shown over it.
    QPointer<frmKeyboardWithDisplay> m_dialog;
};
