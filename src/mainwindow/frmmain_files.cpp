// The three attached-file slots: append a file, clear a slot, save a received file.
#include "mainwindow/frmmain.h"

// Not built yet: the commands do nothing.
void frmMain::cmdAppendSaveFile_Click(int /*index*/) {}
void frmMain::cmdClearFile_Click(int /*index*/) {}
