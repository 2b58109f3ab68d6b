// SPDX-License-Identifier: GPL-3.0-or-later
// The baseline for start-up: the least a Qt Widgets program does to show a window.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(800, 600);
    window.show();
    return app.exec();
}
