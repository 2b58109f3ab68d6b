// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own start-up, as main.cpp runs it.
#include "startup_hook.h"

#include "mainwindow/application.h"
#include "mainwindow/frmmain.h"

#include <QFile>

int main(int argc, char* argv[]) {
    // A quit lets go of the data-folder lock; the probe's abrupt end would leave it behind,
    // and every later start would go through the recovery of a stale lock (a second file and
    // disk sync, a check that the owner is gone), which a start after a quit never does.
    Bench::setBeforeExit([] { QFile::remove(frmMain::lockFilePath()); });
    return runTessamail(argc, argv);
}
