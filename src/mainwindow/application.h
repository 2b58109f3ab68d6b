// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QIcon>
#include <QString>
// Starts the program: loads the text table and shows the main window.
int runTessamail(int argc, char* argv[]);

// Product name and version text for the main window's caption ("1.07" for 1.0).
QString versionText();

// The program's icon in the sizes the desktop asks for.
QIcon programIcon();
// Name and desktop entry of the application; runTessamail sets them.
void setDesktopIdentity();
// Sets the window icon once. Decoding its pictures costs more than building the main window,
// so it waits for the window's first frame, or for the first dialog shown before that.
void setProgramIcon();
