// Code injection: answering another application's hooked learn with the code
// in the code box.
#include <windows.h>

#include "app/Module1.h"
#include "learn/lrntext.h"
#include "ui/frmMain.h"
#include "ui/ids.h"

void FrmMain::cbInjectIR_Click()
{
    // The whole buffer, NUL included, is written before the control word
    // changes: the driver reads the buffer as soon as it sees -2. A code that
    // does not fit is never written (its button stays disabled anyway).
    if (!lrntext::writeInjection(lrnBuffer, sizeof lrnBuffer, codeBoxText()))
        return;
    storeFlag(&lrnHookCtl, -2);
}

void FrmMain::mnuLrnInject_Click()
{
    // The menu item does what the inject button does, when the button may.
    if (isVisible(IDC_CBINJECTIR) && isEnabled(IDC_CBINJECTIR))
        cbInjectIR_Click();
}
