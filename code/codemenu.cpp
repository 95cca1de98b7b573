// The Code menu: the inspector, which says what the code in the box is,
// Generate, which makes a code from a protocol and its parameters, and the
// library, which keeps codes named, a remote at a time.
#include <windows.h>

#include "ui/frmGenerate.h"
#include "ui/frmInspect.h"
#include "ui/frmLibrary.h"
#include "ui/frmMain.h"
#include "ui/ids.h"

void FrmMain::mnuCodeInspect_Click()
{
    frmInspect::open(hwnd_, codeBoxText());
}

void FrmMain::mnuCodeGenerate_Click()
{
    std::string pronto;
    if (!frmGenerate::showModal(hwnd_, &pronto))
        return;
    // In the box as a paste would put it: the whole text replaced, undoable,
    // and the box's change runs the check as for any edit.
    HWND box = control(IDC_TBCURCODE);
    SendMessageA(box, EM_SETSEL, 0, -1);
    SendMessageA(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(pronto.c_str()));
}

void FrmMain::mnuCodeLibrary_Click()
{
    frmLibrary::open(hwnd_);
}
