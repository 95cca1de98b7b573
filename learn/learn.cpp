// Learn mode: the program's own learns, the learn display that every learn
// shares (own and hooked), Cancel, Accept Burst and the end of every learn.
#include <windows.h>

#include "app/Module1.h"
#include "app/driver.h"
#include "learn/lrntext.h"
#include "ui/frmLibrary.h"
#include "ui/frmMain.h"
#include "ui/ids.h"

namespace {

const int32_t PRONTO_FORMAT = 16;
const DWORD LEARN_PENDING = ERROR_IO_PENDING;  // 997: the driver learns in the background

const char INCOMPATIBLE_DRIVER_MESSAGE[] =
    "The Tavrix Driver Installed on your System is not compatible with this application. "
    "Please update your Tavrix API driver (TAVRIXDRV.DLL)!";

}  // namespace

void FrmMain::startLearn(int32_t format)
{
    if (hTavrix == 0)
        return;

    storeFlag(&lrnAbort, 0);
    lrnActive = true;
    lrnFormat = format;
    ++learnsStarted_;

    if (format >= 0) {
        // The hook stays off for the whole of our own learn, so the driver
        // never has two learns writing into lrnBuffer at once.
        unhookLearn();
        driver::call(driver::table().TavrixLearnIR, 0, hTavrix, format, lrnBuffer,
                     LearnProgressCallback, 0, &lrnAbort, 0, -1, 0);
        DWORD error = GetLastError();
        if (error != LEARN_PENDING) {
            // The box runs its own message loop: a driver that learns
            // synchronously reports the end while it is open, endLearn runs
            // then, and a hooked learn may even have begun since. Only a
            // learn that is still this one gets its display.
            unsigned thisLearn = learnsStarted_;
            MessageBoxA(hwnd_, INCOMPATIBLE_DRIVER_MESSAGE, "ERROR", MB_OK);
            if (!lrnActive || learnsStarted_ != thisLearn)
                return;
        }
        setVisible(IDC_CBLEARNCANCEL, true);
        setVisible(IDC_CBINJECTIR, true);
        setEnabled(IDC_CBINJECTIR, false);
        enableMenuItem(IDM_LRNINJECT, false);
    } else {
        setVisible(IDC_CBLEARNCANCEL, false);
        setVisible(IDC_CBINJECTIR, true);
        setEnabled(IDC_CBINJECTIR, isEnabled(IDC_CBTRANSMITIRCODE) && injectAllowed(codeBoxText()));
        enableMenuItem(IDM_LRNINJECT, true);
    }

    setVisible(IDC_LBLINSTRUCT1, true);
    setVisible(IDC_LBLINSTRUCT2, true);
    setVisible(IDC_CBLEARNASBURST, true);
    setEnabled(IDC_CBLEARNASBURST, false);
    setVisible(IDC_LBLLRNSTATUS, false);
    setVisible(IDC_LBLLRNPROGRESS, true);
    setVisible(IDC_LBLCARRIER, true);
    setCaption(IDC_LBLCARRIERFREQ, "---");
    setVisible(IDC_LBLCARRIERFREQ, true);
    setVisible(IDC_LBLSIGQUALITY, true);
    setVisible(IDC_PBSIGQUALITY, true);
    setVisible(IDC_PBLEARNPROGRESS3, true);
    setEnabled(IDC_CBLEARNIRCODE, false);
    setEnabled(IDC_CBTRANSMITIRCODE, false);
    enableTransmitMenu(false);
    enableMenuItem(IDM_LEARNIRLEARNPRONTO, false);
}

void FrmMain::endLearn()
{
    if (!lrnActive)
        return;
    // The library hears of the code of an own learn only.
    bool ownLearnCode = lrnFormat >= 0 && lrnAbort != -1;

    if (lrnAbort != -1) {
        curCode = lrntext::bufferToText(lrnBuffer, sizeof lrnBuffer);
        if (lrnFormat < 0)
            lrnFormat = PRONTO_FORMAT;
        curCodeFormat = lrnFormat;
        setCodeBoxText(curCode);
    }

    setVisible(IDC_CBLEARNCANCEL, false);
    setVisible(IDC_LBLINSTRUCT1, false);
    setVisible(IDC_LBLINSTRUCT2, false);
    setVisible(IDC_CBINJECTIR, false);
    setVisible(IDC_CBLEARNASBURST, false);
    setVisible(IDC_LBLLRNSTATUS, true);
    setVisible(IDC_LBLLRNPROGRESS, false);
    setVisible(IDC_LBLCARRIER, false);
    setVisible(IDC_LBLCARRIERFREQ, false);
    setVisible(IDC_PBSIGQUALITY, false);
    setVisible(IDC_PBLEARNPROGRESS3, false);
    setVisible(IDC_LBLSIGQUALITY, false);
    setEnabled(IDC_CBLEARNIRCODE, true);
    setEnabled(IDC_CBTRANSMITIRCODE, true);
    enableMenuItem(IDM_LRNINJECT, false);
    enableMenuItem(IDM_LEARNIRLEARNPRONTO, true);
    enableTransmitMenu(true);

    lrnActive = false;
    // With the inject button hidden again, the check leaves the transmit
    // controls enabled only for a valid code.
    tbCurCode_Change();
    storeFlag(&lrnHookCtl, 0);
    hookLearn();
    frmLibrary::learnEnded(ownLearnCode ? curCode : std::string());
}

void FrmMain::cbLearnIRCode_Click()
{
    startLearn(PRONTO_FORMAT);
}

void FrmMain::mnuLearnIRLearnPronto_Click()
{
    startLearn(PRONTO_FORMAT);
}

void FrmMain::cbLearnCancel_Click()
{
    storeFlag(&lrnAbort, -1);
    endLearn();
}

void FrmMain::cbLearnAsBurst_Click()
{
    if (lrnFormat < 0)
        storeFlag(&lrnHookCtl, -1);
    else
        storeFlag(&lrnAbort, -1);
}
