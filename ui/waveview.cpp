#include "ui/waveview.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "ir/ir.h"
#include "ui/forms.h"
#include "ui/geometry.h"
#include "ui/twips.h"

namespace waveview {

const char CLASS_NAME[] = "PellwickWaveform";

namespace {

// Scroll bar positions over the whole code: fine enough for the closest
// zoom (1/4096 of the code) to keep a thumb of 256 positions.
const int SCROLL_RANGE = 1 << 20;
const double WHEEL_STEP = 2;  // zoom factor per wheel notch or key press

struct State {
    HFONT font = nullptr;
    ir::Waveform waveform;
    std::string note;
    geometry::View view;
    int shownPage = -1, shownPos = -1;  // the scroll bar as last set
};

State* stateOf(HWND hwnd)
{
    return reinterpret_cast<State*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

COLORREF colourRef(unsigned rgb)
{
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

std::string millis(double ms, int decimals)
{
    char text[48];
    std::snprintf(text, sizeof text, "%.*f ms", decimals, ms);
    return text;
}

// The plot's edges in the control: a margin each side.
void plotEdges(HWND hwnd, long* left, long* right)
{
    RECT client;
    GetClientRect(hwnd, &client);
    long pad = twips::toPixelsX(90);
    *left = client.left + pad;
    *right = std::max(client.right - pad, *left + 1);
}

// The scroll bar and the window text after the view or the code changed.
void viewChanged(HWND hwnd, State* s)
{
    double total = s->waveform.totalUs;
    SCROLLINFO si = {};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
    si.nMax = SCROLL_RANGE - 1;
    si.nPage = total > 0 ? static_cast<UINT>(std::lround(s->view.spanUs / total * SCROLL_RANGE)) : SCROLL_RANGE;
    si.nPos = total > 0 ? static_cast<int>(std::lround(s->view.startUs / total * SCROLL_RANGE)) : 0;
    // Setting it redraws it, even unchanged: not for every edit of a code.
    if (static_cast<int>(si.nPage) != s->shownPage || si.nPos != s->shownPos) {
        SetScrollInfo(hwnd, SB_HORZ, &si, TRUE);
        s->shownPage = static_cast<int>(si.nPage);
        s->shownPos = si.nPos;
    }
    char text[96];
    std::snprintf(text, sizeof text, "%.2f to %.2f ms of %.2f ms", s->view.startUs / 1000,
                  (s->view.startUs + s->view.spanUs) / 1000, total / 1000);
    SetWindowTextA(hwnd, total > 0 ? text : s->note.c_str());
    InvalidateRect(hwnd, nullptr, FALSE);
}

void setView(HWND hwnd, State* s, const geometry::View& v)
{
    if (v.startUs == s->view.startUs && v.spanUs == s->view.spanUs)
        return;
    s->view = v;
    viewChanged(hwnd, s);
}

// Zoom about the time at client x (the middle for -1).
void zoom(HWND hwnd, State* s, double factor, long x)
{
    long left, right;
    plotEdges(hwnd, &left, &right);
    double at = x < 0 ? 0.5 : double(x - left) / double(right - left);
    setView(hwnd, s, geometry::zoomed(s->view, s->waveform.totalUs, factor, at));
}

void scrollBy(HWND hwnd, State* s, double us)
{
    setView(hwnd, s, geometry::scrolled(s->view, s->waveform.totalUs, us));
}

// ---------------------------------------------------------------------------
// Painting, from the stored geometry and view.

void paintNote(HDC dc, RECT client, const std::string& note)
{
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    DrawTextA(dc, note.c_str(), -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void paintBars(HDC dc, const State* s, long left, long right, long top, long bottom)
{
    const ir::Waveform& w = s->waveform;
    const double start = s->view.startUs, end = start + s->view.spanUs, scale = (right - left) / s->view.spanUs;
    HBRUSH brushes[2] = {CreateSolidBrush(colourRef(ir::ONCE_COLOUR)), CreateSolidBrush(colourRef(ir::REPEAT_COLOUR))};
    // Marks are in time order: skip to the first that ends in view.
    auto first = std::lower_bound(w.marks.begin(), w.marks.end(), start,
                                  [](const ir::MarkBar& m, double t) { return m.endUs < t; });
    for (auto m = first; m != w.marks.end() && m->startUs <= end; ++m) {
        if (m->endUs <= m->startUs)
            continue;  // a mark of no length sends nothing
        RECT bar;
        bar.left = std::max(left, left + static_cast<long>(std::floor((m->startUs - start) * scale)));
        bar.right = std::min(right, left + static_cast<long>(std::ceil((m->endUs - start) * scale)));
        if (bar.right <= bar.left)
            bar.right = bar.left + 1;  // every mark shows, however short
        bar.top = top;
        bar.bottom = bottom;
        FillRect(dc, &bar, brushes[m->repeat ? 1 : 0]);
    }
    for (HBRUSH b : brushes)
        DeleteObject(b);
}

void paintAxis(HDC dc, const State* s, long left, long right, long axis, long clientWidth)
{
    const long tick = twips::toPixelsY(60);
    const double endMs = (s->view.startUs + s->view.spanUs) / 1000;
    // The widest label at the axis's decimals: measured once for whole ms,
    // again when the step needs decimals.
    auto labelWidth = [&](int decimals) {
        std::string widest = millis(endMs, decimals);
        SIZE size;
        GetTextExtentPoint32A(dc, widest.c_str(), static_cast<int>(widest.size()), &size);
        return size.cx;
    };
    long width = labelWidth(0);
    geometry::Axis a = geometry::timeAxis(s->view, left, right, width, clientWidth);
    if (a.decimals > 0) {
        width = labelWidth(a.decimals);
        a = geometry::timeAxis(s->view, left, right, width, clientWidth);
    }
    HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_WINDOWTEXT));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    MoveToEx(dc, left, axis, nullptr);
    LineTo(dc, right, axis);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    for (const geometry::Tick& t : a.ticks) {
        MoveToEx(dc, t.x, axis, nullptr);
        LineTo(dc, t.x, axis + tick);
        if (!t.labelled)
            continue;
        std::string label = millis(t.ms, a.decimals);
        RECT box = {t.labelLeft, axis + tick, t.labelLeft + width, axis + tick + 100};
        DrawTextA(dc, label.c_str(), -1, &box, DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOCLIP);
    }
    SelectObject(dc, oldPen);
    DeleteObject(pen);
}

void paint(HWND hwnd, HDC dc)
{
    RECT client;
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    State* s = stateOf(hwnd);
    if (!s)
        return;
    HGDIOBJ oldFont = SelectObject(dc, s->font ? s->font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    const ir::Waveform& w = s->waveform;
    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    long left, right;
    plotEdges(hwnd, &left, &right);
    long pad = twips::toPixelsY(60);
    long top = client.top + pad + tm.tmHeight + pad;  // under the legend
    long axis = client.bottom - pad - tm.tmHeight - twips::toPixelsY(60);
    if (w.totalUs <= 0) {
        paintNote(dc, client, s->note);
    } else if (axis > top) {
        // Legend, and what shows of the code when zoomed.
        SetTextColor(dc, colourRef(ir::ONCE_COLOUR));
        TextOutA(dc, left, client.top + pad, "once", 4);
        SIZE once;
        GetTextExtentPoint32A(dc, "once  ", 6, &once);
        SetTextColor(dc, colourRef(ir::REPEAT_COLOUR));
        TextOutA(dc, left + once.cx, client.top + pad, "repeat", 6);
        if (s->view.spanUs < w.totalUs) {
            char shown[96];
            GetWindowTextA(hwnd, shown, sizeof shown);
            RECT line = {left, client.top + pad, right, top};
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            DrawTextA(dc, shown, -1, &line, DT_RIGHT | DT_TOP | DT_SINGLELINE);
        }
        paintBars(dc, s, left, right, top, axis);
        paintAxis(dc, s, left, right, axis, client.right);
        double repeatAt = w.repeatStartUs - s->view.startUs;
        if (w.repeatStartUs > 0 && w.repeatStartUs < w.totalUs && repeatAt >= 0 && repeatAt <= s->view.spanUs) {
            HPEN dotted = CreatePen(PS_DOT, 1, GetSysColor(COLOR_WINDOWTEXT));
            HGDIOBJ oldPen = SelectObject(dc, dotted);
            long x = left + std::lround(repeatAt * (right - left) / s->view.spanUs);
            MoveToEx(dc, x, top, nullptr);
            LineTo(dc, x, axis);
            SelectObject(dc, oldPen);
            DeleteObject(dotted);
        }
    }
    if (GetFocus() == hwnd) {
        RECT focus = client;
        InflateRect(&focus, -1, -1);
        DrawFocusRect(dc, &focus);
    }
    SelectObject(dc, oldFont);
}

// Drawn into a bitmap, then copied to the screen in one go: no flicker, and
// a long code's many bars cost one transfer, not one each.
void onPaint(HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client;
    GetClientRect(hwnd, &client);
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = memory ? CreateCompatibleBitmap(dc, client.right, client.bottom) : nullptr;
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        paint(hwnd, memory);
        BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteObject(bitmap);
    } else {
        paint(hwnd, dc);
    }
    if (memory)
        DeleteDC(memory);
    EndPaint(hwnd, &ps);
}

void onScroll(HWND hwnd, State* s, int code)
{
    double span = s->view.spanUs;
    switch (code) {
    case SB_LINELEFT: scrollBy(hwnd, s, -span / 8); break;
    case SB_LINERIGHT: scrollBy(hwnd, s, span / 8); break;
    case SB_PAGELEFT: scrollBy(hwnd, s, -span); break;
    case SB_PAGERIGHT: scrollBy(hwnd, s, span); break;
    case SB_LEFT: scrollBy(hwnd, s, -s->waveform.totalUs); break;
    case SB_RIGHT: scrollBy(hwnd, s, s->waveform.totalUs); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO si = {};
        si.cbSize = sizeof si;
        si.fMask = SIF_TRACKPOS;
        GetScrollInfo(hwnd, SB_HORZ, &si);
        geometry::View v = s->view;
        v.startUs = double(si.nTrackPos) / SCROLL_RANGE * s->waveform.totalUs;
        setView(hwnd, s, geometry::scrolled(v, s->waveform.totalUs, 0));
        break;
    }
    }
}

bool onKey(HWND hwnd, State* s, WPARAM key)
{
    const int codes[][2] = {{VK_LEFT, SB_LINELEFT},  {VK_RIGHT, SB_LINERIGHT}, {VK_PRIOR, SB_PAGELEFT},
                            {VK_NEXT, SB_PAGERIGHT}, {VK_HOME, SB_LEFT},       {VK_END, SB_RIGHT}};
    for (const auto& c : codes)
        if (key == static_cast<WPARAM>(c[0])) {
            onScroll(hwnd, s, c[1]);
            return true;
        }
    return false;
}

LRESULT CALLBACK WaveProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    State* s = stateOf(hwnd);
    switch (msg) {
    case WM_NCCREATE:
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new State));
        break;
    case WM_NCDESTROY:
        delete s;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        break;
    case WM_SETFONT:
        if (s)
            s->font = reinterpret_cast<HFONT>(wParam);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_ERASEBKGND:
        return 1;
    case WM_SIZE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_PAINT:
        onPaint(hwnd);
        return 0;
    case WM_LBUTTONDOWN:
        SetFocus(hwnd);
        return 0;
    case WM_MOUSEWHEEL:
        if (s && s->waveform.totalUs > 0) {
            POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            ScreenToClient(hwnd, &at);
            zoom(hwnd, s, std::pow(WHEEL_STEP, static_cast<short>(HIWORD(wParam)) / double(WHEEL_DELTA)), at.x);
        }
        return 0;
    case WM_CHAR:
        if (s && (wParam == '+' || wParam == '='))
            zoom(hwnd, s, WHEEL_STEP, -1);
        else if (s && (wParam == '-' || wParam == '_'))
            zoom(hwnd, s, 1 / WHEEL_STEP, -1);
        return 0;
    case WM_KEYDOWN:
        if (s && onKey(hwnd, s, wParam))
            return 0;
        break;
    case WM_HSCROLL:
        if (s)
            onScroll(hwnd, s, LOWORD(wParam));
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

bool registerClass()
{
    return forms::registerClass(CLASS_NAME, WaveProc);
}

void show(HWND wave, const ir::Waveform& waveform, const std::string& note)
{
    State* s = stateOf(wave);
    if (!s)
        return;
    geometry::View v = geometry::refitted(s->view, s->waveform.totalUs, waveform.totalUs);
    s->waveform = waveform;
    s->note = note;
    s->view = v;
    viewChanged(wave, s);
}

}  // namespace waveview
