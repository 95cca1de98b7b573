// Screenshots of the program's windows for people to look at: what the
// screen shows of a window, read from the screen itself, saved as PNG by
// Windows' own GDI+.
#include "harness.h"

#include <objidl.h>  // IStream, which gdiplus.h needs and WIN32_LEAN_AND_MEAN leaves out

#include <gdiplus.h>

namespace e2e {

namespace {

// GDI+'s PNG encoder.
const CLSID PNG_ENCODER = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};

bool savePng(HBITMAP bitmap, const std::string& path)
{
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok)
        return false;
    bool saved = false;
    Gdiplus::GpBitmap* image = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &image) == Gdiplus::Ok) {
        wchar_t widePath[MAX_PATH] = {};
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, MAX_PATH);
        saved = Gdiplus::DllExports::GdipSaveImageToFile(image, widePath, &PNG_ENCODER, nullptr) == Gdiplus::Ok;
        Gdiplus::DllExports::GdipDisposeImage(image);
    }
    Gdiplus::GdiplusShutdown(token);
    return saved;
}

// What the screen shows where the window is, as a bitmap of its size.
HBITMAP grabScreen(HWND window)
{
    RECT r;
    if (!GetWindowRect(window, &r) || r.right <= r.left || r.bottom <= r.top)
        return nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right - r.left, r.bottom - r.top);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, r.right - r.left, r.bottom - r.top, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

}  // namespace

bool saveScreenshot(HWND window, const std::string& name)
{
    settle(300);  // for the window to be painted and on the screen
    std::string folder = binDir() + "..\\..\\screenshots\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    HBITMAP bitmap = grabScreen(window);
    bool saved = bitmap && savePng(bitmap, folder + name + ".png");
    DeleteObject(bitmap);
    return saved;
}

int countScreenColour(HWND window, COLORREF colour)
{
    HBITMAP bitmap = grabScreen(window);
    BITMAP size = {};
    if (!bitmap || !GetObject(bitmap, sizeof size, &size))
        return -1;
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(memory, bitmap);
    int n = 0;
    for (int y = 0; y < size.bmHeight; ++y)
        for (int x = 0; x < size.bmWidth; ++x)
            n += GetPixel(memory, x, y) == colour;
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(bitmap);
    return n;
}

}  // namespace e2e
