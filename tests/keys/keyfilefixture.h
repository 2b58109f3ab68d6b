// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the keyfile tests share: a started main window in a data folder of its own (from
// testsupport), and scripts that type into the program's dialogs as a user would.
#include "backends/cipher/cipher.h"
#include "keys/cb_man.h"
#include "keys/frmkeyboardwithdisplay.h"
#include "keys/keyrules.h"
#include "mainwindow/frmmain.h"
#include "message/encdecmsg.h"
#include "support/folder.h"
#include "support/scripted.h"
#include "testsupport/mainfixture.h"
#include "testsupport/testsupport.h"
#include "text/programtext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace KeyfileFixture {

inline const QString CRLF = QStringLiteral("\r\n");

using Main = TestSupport::TestMain;
using TestSupport::DataFolder;
using TestSupport::entriesOf;
using TestSupport::readAll;
using TestSupport::writeFile;

// Starts the main window as the program does, with a fast work factor for the run; the
// keyfile path dialog counts as shown unless the test wants to see it.
inline std::unique_ptr<Main> start(bool pathShown = true) {
    auto w = TestSupport::startMain();
    Cipher::setWorkFactor(10);
    w->blnKeyfilePathShown = pathShown;
    return w;
}

inline void addEntries(frmMain* w, const QStringList& entries, qint32 firstDate = 2454169) {
    for (int i = 0; i < entries.size(); ++i)
        CB_Man::InsertSorted(w->cboKeys, entries[i], firstDate + i);
    w->blnKeyListNotStored = true;
}

inline QList<qint32> datesOf(const QComboBox* list) {
    QList<qint32> out;
    for (int i = 0; i < list->count(); ++i)
        out << CB_Man::DateAdded(list, i);
    return out;
}

struct MasterKeyPrompt {
    bool seen = false;
    bool encrypting = false;
    QString offered; // what the key box held when the dialog opened
};

// Answers the next master-key dialog: records what it offered, types key over it, ticks
// the erase option when asked, and accepts (or declines with No or Cancel). When a store
// then asks for the master key a second time, the same key is typed again unless the test
// says it answers that dialog itself (confirm false).
inline void typeMasterKey(Seams::ScriptedModals& modals, const QString& key,
                          std::shared_ptr<MasterKeyPrompt> seen = {}, bool erase = false,
                          bool accept = true, bool confirm = true) {
    modals.script([=, &modals](QDialog* d) {
        auto* dialog = qobject_cast<frmKeyboardWithDisplay*>(d);
        QVERIFY(dialog);
        QVERIFY(dialog->masterMode());
        if (seen) {
            seen->seen = true;
            seen->encrypting = dialog->blnEncryptingKeyList;
            seen->offered = dialog->txbKey->text();
        }
        dialog->txbKey->selectAll();
        QTest::keyClick(dialog->txbKey, Qt::Key_Delete);
        QTest::keyClicks(dialog->txbKey, key);
        if (dialog->chkEraseKey->isChecked() != erase)
            dialog->chkEraseKey->click();
        QPushButton* button = accept                        ? dialog->cmdYes
                              : dialog->cmdYes->isVisible() ? dialog->cmdNo
                                                            : dialog->cmdCancel;
        QVERIFY(button->isVisible());
        button->click();
        if (confirm && accept && dialog->blnEncryptingKeyList) {
            modals.answerNext = [key](QDialog* next) {
                auto* again = qobject_cast<frmKeyboardWithDisplay*>(next);
                if (!again || !again->blnConfirmingMasterKey)
                    return false;
                QTest::keyClicks(again->txbKey, key);
                again->cmdYes->click();
                return true;
            };
        }
    });
}

// The key-list text inside a keyfile, decrypted the way the program encrypts it.
inline QByteArray decryptKeyfile(const QString& path, const QString& masterKey) {
    QByteArray plain;
    const QString key = QString(masterKey).remove(' ').toUpper().repeated(64).left(64);
    EncDecMsg::CipherBuffer(readAll(path), plain, key, false);
    return plain;
}

} // namespace KeyfileFixture
