// The self-test, opened by clicking the text box size label.
#include "mainwindow/frmmain.h"

// Opens the self-test window. Not built yet: the click does nothing.
void frmMain::lblTextbox_Click() {}
