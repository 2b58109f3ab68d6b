#include "mainwindow/application.h"

#include "mainwindow/frmmain.h"
#include "support/processguard.h"

#include <QApplication>

QString versionText() {
    return QString::number(TESSAMAIL_VERSION_MAJOR) + QLatin1Char('.') +
           QString::number(TESSAMAIL_VERSION_MINOR) + QLatin1Char('7');
}

int runTessamail(int argc, char* argv[]) {
    ProcessGuard::protectProcess();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessamail"));
    // Quitting ends the program even while the help window is still open.
    QApplication::setQuitOnLastWindowClosed(false);
    frmMain window;
    QObject::connect(&window, &frmMain::programEnded, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    if (!window.Form_Load())
        return 1;
    // Quit from a start-up dialog (the master key question) already ended the program.
    if (window.hasEnded())
        return 0;
    return app.exec();
}
