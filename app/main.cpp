// Entry point: create the main window, load it, show it, and run the
// program's one user-interface thread until no window is left.
#include <windows.h>

#include "app/Module1.h"
#include "ui/frmInspect.h"
#include "ui/frmLibrary.h"
#include "ui/frmMain.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    static FrmMain frmMain;
    if (!frmMain.create(instance)) {
        MessageBoxA(nullptr, "Unable to create the main window.", "ERROR", MB_OK);
        return 1;
    }
    mainForm = &frmMain;

    // The load handler runs before the window is first shown; a start-up
    // failure ends the program from inside it.
    frmMain.Form_Load();
    ShowWindow(frmMain.hwnd(), SW_SHOWNORMAL);
    UpdateWindow(frmMain.hwnd());

    MSG msg;
    BOOL got;
    // Messages are taken as Unicode, so that characters typed in any script
    // reach the library window whole; the program's other windows get them
    // converted to their code page as before.
    while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
        if (got == -1)
            break;
        if (frmInspect::isDialogMessage(&msg) || frmLibrary::isDialogMessage(&msg) || frmMain.translateKey(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    // Should the message loop fail, the device is still taken down in order.
    if (IsWindow(frmMain.hwnd()))
        DestroyWindow(frmMain.hwnd());
    return 0;
}
