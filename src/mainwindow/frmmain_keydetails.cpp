// The key details window for the selected key entry.
#include "mainwindow/frmmain.h"

// Not built yet: nothing is shown.
void frmMain::ShowKeyDetails() {}
