#include "mainwindow/application.h"

#include "text/programtext.h"

#include <QApplication>
#include <QWidget>

QString versionText() {
    return QString::number(TESSAMAIL_VERSION_MAJOR) + QLatin1Char('.') +
           QString::number(TESSAMAIL_VERSION_MINOR) + QLatin1Char('7');
}

int runTessamail(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessamail"));
    if (!ProgramText::LoadProgramText(QStringLiteral("tsm_text.dat")))
        return 1;
    QWidget window;
    window.setObjectName(QStringLiteral("frmMain"));
    window.setWindowTitle(GetText(94) + QLatin1Char(' ') + versionText());
    window.resize(800, 600);
    window.show();
    return app.exec();
}
