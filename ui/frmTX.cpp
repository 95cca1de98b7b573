#include "frmTX.h"

#include "ui/forms.h"
#include "ui/ids.h"
#include "ui/twips.h"

namespace frmTX {

namespace {

const char CLASS_NAME[] = "PellwickTransmit";
HWND txWindow = nullptr;
HFONT labelFont = nullptr;

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_SETCURSOR:
        if (forms::showBusyPointer())
            return TRUE;
        break;
    case WM_CTLCOLORSTATIC:
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_CLOSE:
        // Nothing depends on the user closing it: it hides when the
        // transmission is over.
        return 0;
    case WM_DESTROY:
        forms::unloaded(hwnd);
        txWindow = nullptr;
        DeleteObject(labelFont);
        labelFont = nullptr;
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND create(HWND owner)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!forms::registerClass(CLASS_NAME, WndProc))
        return nullptr;

    // Fixed size, thin border, title bar; no minimise, maximise or close
    // button; listed in the task bar.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION;
    const DWORD exStyle = WS_EX_APPWINDOW;
    RECT frame = {0, 0, twips::toPixelsX(4800), twips::toPixelsY(840)};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    POINT at = forms::centredOver(owner, width, height);

    HWND hwnd = CreateWindowExA(exStyle, CLASS_NAME, "TRANSMITTING IR CODE...", style, at.x, at.y,
                                width, height, nullptr, nullptr, instance, nullptr);
    if (!hwnd)
        return nullptr;
    labelFont = twips::font("MS Sans Serif", 12, true);
    int left = twips::toPixelsX(720), top = twips::toPixelsY(240);
    HWND label = CreateWindowExA(0, "STATIC", "Transmission in Progress . . .",
                                 WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, left, top,
                                 twips::toPixelsX(720 + 3855) - left,
                                 twips::toPixelsY(240 + 375) - top, hwnd,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_LABEL1)),
                                 instance, nullptr);
    SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(labelFont), FALSE);
    forms::loaded(hwnd);
    return hwnd;
}

}  // namespace

void show(HWND owner)
{
    if (!txWindow)
        txWindow = create(owner);
    if (!txWindow)
        return;
    // The main window keeps the activation: handing it to this window and
    // back costs time around every transmission and moves the focus.
    ShowWindow(txWindow, SW_SHOWNOACTIVATE);
    RedrawWindow(txWindow, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    // The transmission blocks this thread next. Wine puts a window's painted
    // pixels on the screen only when its thread looks for messages: look
    // once, for a message that never comes, touching no other message.
    MSG none;
    PeekMessageA(&none, txWindow, WM_APP + 0x3FFF, WM_APP + 0x3FFF,
                 PM_NOREMOVE | PM_QS_POSTMESSAGE);
}

void hide()
{
    if (txWindow)
        ShowWindow(txWindow, SW_HIDE);
}


}  // namespace frmTX
