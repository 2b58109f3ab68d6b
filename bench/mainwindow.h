// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's main window as the benchmarks start it: the text table read from the source
// tree, and every file the window reads or writes (tsm.usr, the keyfile, the language value,
// the window's place) in a folder of the run's own, so that no user's settings are touched.
#include "mainwindow/frmmain.h"
#include "mainwindow/windowstate.h"
#include "support/folder.h"
#include "support/registry.h"
#include "text/programtext.h"

#include <QString>

#include <string>

namespace Bench {

class MainWindow : public frmMain {
protected:
    bool LoadProgramTextTable() override {
        return ProgramText::LoadProgramTextFrom(QStringLiteral(TESSAMAIL_TEXT_FILE));
    }
};

// Points the window's files into folder while it exists.
class WindowFolder {
public:
    explicit WindowFolder(const std::string& folder) {
        const QString path = QString::fromStdString(folder);
        Folder::setAppDataOverride(path);
        Registry::setSettingsFileOverride(path + QStringLiteral("/registry.ini"));
        WindowState::setSettingsFileOverride(path + QStringLiteral("/window.ini"));
    }
    ~WindowFolder() {
        WindowState::setSettingsFileOverride(QString());
        Registry::setSettingsFileOverride(QString());
        Folder::setAppDataOverride(QString());
    }
    WindowFolder(const WindowFolder&) = delete;
    WindowFolder& operator=(const WindowFolder&) = delete;
};

} // namespace Bench
