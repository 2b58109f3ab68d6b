// The two message commands: encrypt to the clipboard and decrypt from it.
#include "mainwindow/frmmain.h"

// Not built yet: the commands do nothing.
void frmMain::cmdEncryptMessage_Click() {}
void frmMain::cmdDecryptMessage_Click() {}
