// Shutdown: take down in order what start-up built.
#include <windows.h>

#include "app/Module1.h"
#include "app/driver.h"
#include "ui/forms.h"
#include "ui/frmMain.h"

void FrmMain::mnuFileExit_Click()
{
    endLearn();
    unload();
    DestroyWindow(hwnd_);
}

void FrmMain::Form_Unload()
{
    // The relay goes first, so that a report the driver gives while the hook
    // is disarmed or the device closed is not acted on.
    if (hRelayWnd) {
        RemoveRelay(hRelayWnd);
        CloseRelayWindow(hRelayWnd);
    }
    if (hTavrix != 0) {
        unhookLearn();
        driver::call(driver::table().TavrixClose, 0, hTavrix);
    }
    // The other loaded windows, last-loaded first; the main window is first
    // in the list and is not touched here.
    std::vector<HWND> windows = forms::list();
    for (size_t i = windows.size(); i-- > 1;)
        DestroyWindow(windows[i]);
}
