// Transmission: sends the code in the code box once, while the transmit
// window and the busy pointer say that the device is sending.
#include <windows.h>

#include "app/Module1.h"
#include "app/driver.h"
#include "ui/forms.h"
#include "ui/frmMain.h"
#include "ui/frmTX.h"

void FrmMain::mnuTransmitTXBlock_Click()
{
    curCode = codeBoxText();
    if (hTavrix == 0)
        return;

    forms::setBusyPointer(true);
    frmTX::show(hwnd_);
    bool sent = driver::call(driver::table().TavrixTransmitIR, 0, hTavrix, curCode.c_str(),
                             curCodeFormat, 3, 0, 0, 0, 0) != 0;
    frmTX::hide();
    forms::setBusyPointer(false);

    if (!sent)
        MessageBoxA(hwnd_,
                    "*** ERROR calling TavrixTransmitIR! ***Verify that your IR Code is Valid!",
                    "ERROR", MB_OK);
}

void FrmMain::cbTransmitIRCode_Click()
{
    mnuTransmitTXBlock_Click();
}
