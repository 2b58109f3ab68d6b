#pragma once
// What the keyfile tests share: a started main window in a data folder of its own, and
// scripts that type into the program's dialogs as a user would.
#include "backends/cipher/cipher.h"
#include "keys/cb_man.h"
#include "keys/frmkeyboardwithdisplay.h"
#include "keys/keyrules.h"
#include "mainwindow/frmmain.h"
#include "message/encdecmsg.h"
#include "support/folder.h"
#include "support/scripted.h"
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

// The main window with the text table the test loaded once.
class Main : public frmMain {
protected:
    bool LoadProgramTextTable() override { return true; }
};

// A data folder of its own per test; the text table and a fast work factor for the run.
class DataFolder {
public:
    static void initTestCase() {
        TestSupport::loadProgramTexts();
        QStandardPaths::setTestModeEnabled(true);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    DataFolder() {
        Folder::setAppDataOverride(home.path());
        folder = QFileInfo(Folder::DataFilePath(QStringLiteral("x"), GetText(316))).absolutePath();
    }
    ~DataFolder() { Folder::setAppDataOverride(QString()); }

    QString path(const QString& name) const { return home.filePath(name); }
    QString keyfile() const { return folder + QStringLiteral("/tsm.dat"); }
    QString parametersFile() const { return folder + QStringLiteral("/tsm.usr"); }

    QTemporaryDir home;
    QString folder;
};

// Starts the main window as the program does; the keyfile path dialog counts as shown
// unless the test wants to see it.
inline std::unique_ptr<Main> start(bool pathShown = true) {
    auto w = std::make_unique<Main>();
    if (!w->Form_Load())
        qFatal("start-up failed");
    Cipher::setWorkFactor(10);
    w->blnKeyfilePathShown = pathShown;
    return w;
}

inline void addEntries(frmMain* w, const QStringList& entries, qint32 firstDate = 2454169) {
    for (int i = 0; i < entries.size(); ++i)
        CB_Man::InsertSorted(w->cboKeys, entries[i], firstDate + i);
    w->blnKeyListNotStored = true;
}

inline QStringList entriesOf(const QComboBox* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->itemText(i);
    return out;
}

inline QList<qint32> datesOf(const QComboBox* list) {
    QList<qint32> out;
    for (int i = 0; i < list->count(); ++i)
        out << CB_Man::DateAdded(list, i);
    return out;
}

inline QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeAll(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

struct MasterKeyPrompt {
    bool seen = false;
    bool encrypting = false;
    QString offered; // what the key box held when the dialog opened
};

// Answers the next master-key dialog: records what it offered, types key over it, ticks
// the erase option when asked, and accepts (or declines with No or Cancel).
inline void typeMasterKey(Seams::ScriptedModals& modals, const QString& key,
                          std::shared_ptr<MasterKeyPrompt> seen = {}, bool erase = false,
                          bool accept = true) {
    modals.script([=](QDialog* d) {
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
