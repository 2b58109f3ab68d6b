// The help window and the product's web page.
#include "mainwindow/frmmain.h"

// Not built yet: the commands do nothing.
void frmMain::cmdHelp_Click() {}
void frmMain::cmdWebPage_Click() {}
