// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/application.h"

#include "mainwindow/frmmain.h"
#include "support/processguard.h"
#include "support/seams.h"

#include <QApplication>
#include <QIcon>

QIcon programIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/tessamail-%1.png").arg(size), QSize(size, size));
    return icon;
}

void setDesktopIdentity() {
    QApplication::setApplicationName(QStringLiteral("Tessamail"));
    // Lets the desktop match the windows to the menu entry (tessamail.desktop) and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("tessamail"));
}

void setProgramIcon() {
    static bool set = false;
    if (set)
        return;
    set = true;
    QApplication::setWindowIcon(programIcon());
}

QString versionText() {
    return QString::number(TESSAMAIL_VERSION_MAJOR) + QLatin1Char('.') +
           QString::number(TESSAMAIL_VERSION_MINOR) + QLatin1Char('7');
}

int runTessamail(int argc, char* argv[]) {
    ProcessGuard::protectProcess();
    QApplication app(argc, argv);
    setDesktopIdentity();
    Seams::setBeforeDialog(setProgramIcon);
    // Quitting ends the program even while the help window is still open.
    QApplication::setQuitOnLastWindowClosed(false);
    frmMain window;
    QObject::connect(&window, &frmMain::programEnded, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    if (!window.Form_Load())
        return window.handedOver() ? 0 : 1;
    // Quit from a start-up dialog (the master key question) already ended the program.
    if (window.hasEnded())
        return 0;
    return app.exec();
}
