// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport/mainfixture.h"

#include "backends/cipher/cipher.h"
#include "mainwindow/windowstate.h"
#include "support/folder.h"
#include "support/registry.h"
#include "testsupport/testsupport.h"
#include "text/programtext.h"

#include <QClipboard>
#include <QComboBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QStandardPaths>

namespace TestSupport {

void TestMain::StoreKeyList() {
    if (countKeyfileCommands)
        ++stores;
    else
        frmMain::StoreKeyList();
}

void TestMain::GetKeyList() {
    if (countKeyfileCommands)
        ++gets;
    else
        frmMain::GetKeyList();
}

int TestMain::StartCipherLibrary() {
    return cipherStartResult ? *cipherStartResult : frmMain::StartCipherLibrary();
}

void DataFolder::initTestCase(bool startCipher) {
    loadProgramTexts();
    QStandardPaths::setTestModeEnabled(true);
    if (startCipher) {
        if (Cipher::alb() == 0)
            qFatal("cannot start the cipher library");
        Cipher::setWorkFactor(10);
    }
}

DataFolder::DataFolder() {
    if (!home.isValid())
        qFatal("cannot make a temporary folder");
    Folder::setAppDataOverride(home.path());
    Registry::setSettingsFileOverride(registryFile());
    WindowState::setSettingsFileOverride(windowStateFile());
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QGuiApplication::clipboard()->clear();
    folder = QFileInfo(Folder::DataFilePath(QStringLiteral("x"), GetText(316))).absolutePath();
}

DataFolder::~DataFolder() {
    WindowState::setSettingsFileOverride(QString());
    Registry::setSettingsFileOverride(QString());
    Folder::setAppDataOverride(QString());
    ProgramText::setLanguage(ProgramText::English);
}

std::unique_ptr<TestMain> startMain(const std::function<void(TestMain&)>& before) {
    auto w = std::make_unique<TestMain>();
    if (before)
        before(*w);
    if (!w->Form_Load())
        qFatal("start-up failed");
    return w;
}

QStringList entriesOf(const QComboBox* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->itemText(i);
    return out;
}

} // namespace TestSupport
