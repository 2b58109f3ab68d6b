// The keyfile commands of the main window: store the key list, get it back, and choose
// where the keyfile lives.
#include "mainwindow/frmmain.h"

// Encrypts the key list under the master key and writes the keyfile; on success calls
// MarkKeyListStored(). Not built yet: the command does nothing.
void frmMain::StoreKeyList() {}

// Reads the keyfile, decrypts it under the master key and replaces the key list; on
// success calls MarkKeyListStored() and ShowKeys(). Not built yet: the command does
// nothing.
void frmMain::GetKeyList() {}

// Opens the keyfile path dialog. Not built yet: the command does nothing.
void frmMain::cmdSpecifyKeyfilePath_Click() {}
