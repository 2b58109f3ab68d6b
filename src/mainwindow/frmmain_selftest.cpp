// The self-test, opened by clicking the text box size label.
#include "mainwindow/frmmain.h"

// Not built yet: the click does nothing and no self-test ever runs.
void frmMain::lblTextbox_Click() {}
bool frmMain::SelfTestRunning() const {
    return false;
}
