#include "twips.h"

namespace twips {

static int screenDpi(int index)
{
    static int cached[2] = {0, 0};
    int slot = index == LOGPIXELSX ? 0 : 1;
    if (cached[slot] == 0) {
        HDC screen = GetDC(nullptr);
        int dpi = screen ? GetDeviceCaps(screen, index) : 0;
        if (screen)
            ReleaseDC(nullptr, screen);
        cached[slot] = dpi > 0 ? dpi : 96;
    }
    return cached[slot];
}

int dpiX() { return screenDpi(LOGPIXELSX); }
int dpiY() { return screenDpi(LOGPIXELSY); }
int toPixelsX(int t) { return MulDiv(t, dpiX(), 1440); }
int toPixelsY(int t) { return MulDiv(t, dpiY(), 1440); }
double perPixelX() { return 1440.0 / dpiX(); }
double perPixelY() { return 1440.0 / dpiY(); }

HFONT font(const char* face, int points, bool bold)
{
    return CreateFontA(-MulDiv(points, dpiY(), 72), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE,
                       FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

}  // namespace twips
