// The start-up baseline: the least a Win32 program does before its window is
// on screen. It registers a class, creates and shows one window, and exits
// when the window is closed (or after ten seconds, should nobody close it).
// Built a second time as empty_cc6.exe, with one button and a manifest that
// asks for Common Controls 6 as Pellwick's does: what the visual styles cost
// any program that has a control. Both mark their steps as Pellwick's marked
// build does, for the benchmark's step-by-step row.
#include <windows.h>

#include "app/startmarks.h"

namespace {

const char TITLE[] = "Empty Win32 Baseline";
const UINT_PTR GIVE_UP_TIMER = 1;

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_TIMER:
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    START_MARK("WinMain");
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "EmptyWin32Baseline";
    if (!RegisterClassExA(&wc))
        return 1;
    START_MARK("window class");
    HWND window = CreateWindowExA(0, wc.lpszClassName, TITLE, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 480, 420, nullptr, nullptr, instance, nullptr);
    if (!window)
        return 1;
    START_MARK("main window");
#ifdef EMPTY_WITH_BUTTON
    CreateWindowExA(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 80, 25, window,
                    nullptr, instance, nullptr);
    START_MARK("button");
#endif
    ShowWindow(window, SW_SHOWNORMAL);
    START_MARK("shown");
    UpdateWindow(window);
    START_MARK("first paint");
    START_MARKS_WRITE();
    SetTimer(window, GIVE_UP_TIMER, 10000, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
