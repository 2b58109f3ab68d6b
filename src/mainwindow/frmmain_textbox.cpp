// Commands on the text box: clear, paste, load, save and the enlarged window.
#include "mainwindow/frmmain.h"

// Not built yet: the commands do nothing.
void frmMain::cmdClearTextbox_Click() {}
void frmMain::cmdCopyFromClipboard_Click() {}
void frmMain::cmdLoadSaveTextbox_Click(int /*index*/) {}
void frmMain::cmdEnlargeTextbox_Click() {}
