#include "remote.h"

namespace bench {

std::string textOf(HWND window, DWORD timeoutMs)
{
    char text[256] = {};
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                             SMTO_NORMAL, timeoutMs, &got))
        return std::string();
    return std::string(text, got < sizeof text ? got : sizeof text - 1);
}

bool roundTrip(HWND window, DWORD timeoutMs)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result) != 0;
}

bool shown(HWND control)
{
    return (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

namespace {

struct TitleSearch {
    DWORD pid;
    const std::string* title;
    HWND found;
};

BOOL CALLBACK matchTitle(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<TitleSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || !IsWindowVisible(window))
        return TRUE;
    char text[128] = {};
    GetWindowTextA(window, text, sizeof text);
    if (*search->title == text) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND visibleWindow(DWORD pid, const std::string& title)
{
    TitleSearch search = {pid, &title, nullptr};
    EnumWindows(matchTitle, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// ---------------------------------------------------------------------------

LRESULT Typist::send(HWND box, UINT msg, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    if (!stuck_ && !SendMessageTimeoutA(box, msg, wParam, lParam, SMTO_NORMAL, timeoutMs_, &result)) {
        stuck_ = true;
        why_ = "message " + std::to_string(msg) + " failed, error " + std::to_string(GetLastError());
    }
    return static_cast<LRESULT>(result);
}

double Typist::typeOver(HWND box, LRESULT from, LRESULT to, const char* text)
{
    double start = nowMs();
    send(box, EM_SETSEL, from, to);
    send(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
    send(box, WM_GETTEXTLENGTH, 0, 0);
    return nowMs() - start;
}

double Typist::paste(HWND box, const std::string& text)
{
    double start = nowMs();
    send(box, EM_SETSEL, 0, -1);
    send(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    send(box, WM_GETTEXTLENGTH, 0, 0);
    return nowMs() - start;
}

double Typist::setText(HWND box, const std::string& text)
{
    double start = nowMs();
    send(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    send(box, WM_GETTEXTLENGTH, 0, 0);
    return nowMs() - start;
}

LRESULT Typist::length(HWND box)
{
    return send(box, WM_GETTEXTLENGTH, 0, 0);
}

}  // namespace bench
