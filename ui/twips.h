// Layout unit: twips (1/1440 inch), converted with the screen's real DPI.
#pragma once

#include <windows.h>

namespace twips {

int dpiX();
int dpiY();
int toPixelsX(int twips);
int toPixelsY(int twips);
double perPixelX();  // 15 at 96 dots per inch
double perPixelY();

// A font of the given face and point size at the screen's DPI.
HFONT font(const char* face, int points, bool bold);

}  // namespace twips
