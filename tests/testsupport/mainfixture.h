// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window as the tests start it, and the data folder it runs in.
#include "mainwindow/frmmain.h"

class QComboBox;

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <optional>

namespace TestSupport {

// The main window with the text table the test loaded once (DataFolder::initTestCase).
// Store and get can be counted instead of run, and the cipher library's start replaced by
// a result.
class TestMain : public frmMain {
public:
    bool countKeyfileCommands = false;
    int stores = 0;
    int gets = 0;
    std::optional<int> cipherStartResult; // set: alb is not called, this is its result

    void StoreKeyList() override;
    void GetKeyList() override;

protected:
    bool LoadProgramTextTable() override { return true; }
    int StartCipherLibrary() override;
};

// A data folder of its own for one test function: the parameters file, the default keyfile
// the registry stand-in and the window's saved place live in a temporary folder, in English with US
// number formats, and the clipboard starts empty. Make one in init() and drop it in cleanup().
class DataFolder {
public:
    // Once per test program: the text table, Qt's test paths; with startCipher also the
    // cipher library, at the fast work factor 10 for the whole run.
    static void initTestCase(bool startCipher = false);

    DataFolder();
    ~DataFolder();
    DataFolder(const DataFolder&) = delete;
    DataFolder& operator=(const DataFolder&) = delete;

    // A file or folder in the temporary home.
    QString path(const QString& name) const { return home.filePath(name); }
    QString keyfile() const { return folder + QStringLiteral("/tsm.dat"); }
    QString parametersFile() const { return folder + QStringLiteral("/tsm.usr"); }
    QString registryFile() const { return path(QStringLiteral("registry.ini")); }
    QString windowStateFile() const { return path(QStringLiteral("config/Tessamail/window.ini")); }

    QTemporaryDir home;
    QString folder; // where the program keeps tsm.usr and the default keyfile
};

// Starts the main window as the program does; before runs first, on the window not yet
// loaded. A start-up that fails ends the test program.
std::unique_ptr<TestMain> startMain(const std::function<void(TestMain&)>& before = {});

// The texts of a list's entries, in list order.
QStringList entriesOf(const QComboBox* list);

} // namespace TestSupport
