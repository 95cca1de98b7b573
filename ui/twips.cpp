#include "twips.h"

namespace twips {

// Read once, both axes from one screen DC: under Wine every GetDC of the
// screen is a trip to the display driver, at start-up too.
static int screenDpi(int index)
{
    static int cached[2] = {0, 0};
    if (cached[0] == 0) {
        HDC screen = GetDC(nullptr);
        int x = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
        int y = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
        if (screen)
            ReleaseDC(nullptr, screen);
        cached[0] = x > 0 ? x : 96;
        cached[1] = y > 0 ? y : 96;
    }
    return cached[index == LOGPIXELSX ? 0 : 1];
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
