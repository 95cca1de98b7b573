// Geometry that needs no window, so that the host tests reach it: where a
// window opens beside another, and the inspector's view of a waveform (its
// zoom, its scrolling and the labels of its time axis).
#pragma once

#include <vector>

namespace geometry {

struct Box {
    long left = 0, top = 0, right = 0, bottom = 0;
    long width() const { return right - left; }
    long height() const { return bottom - top; }
};
// A box of any rectangle with these four members (a Windows RECT).
template <typename Rect>
Box boxOf(const Rect& r)
{
    Box b;
    b.left = r.left;
    b.top = r.top;
    b.right = r.right;
    b.bottom = r.bottom;
    return b;
}

// Where a window of width x height opens beside anchor, inside work (the
// work area of anchor's monitor) and clear of keepClear (the part of
// anchor it must not cover): right of anchor (left with leftFirst), else on
// its other side, at its full size or else shrunk to no less than minWidth;
// else below keepClear, else above it, at full size or else no less than
// minHeight; else inside work at the first side, covering what it must.
Box beside(const Box& work, const Box& anchor, const Box& keepClear, long width, long height, long minWidth,
           long minHeight, bool leftFirst);

// The part of a waveform that shows: spanUs from startUs.
struct View {
    double startUs = 0, spanUs = 0;
};

// The whole code, and the closest a code of this length can be zoomed: a
// span of 200 us, or 1/4096 of a long code.
View whole(double totalUs);
double minSpanUs(double totalUs);
// Zoomed by factor (2: twice as close, 0.5: twice as far) about the time
// at fraction `at` of the view (0: its left edge, 1: its right edge), which
// stays where it is. Every view stays inside the code.
View zoomed(const View& view, double totalUs, double factor, double at);
View scrolled(const View& view, double totalUs, double byUs);
// The view of a code that became another length: the whole new code when
// the whole old one showed, else the same times as far as the code reaches.
View refitted(const View& view, double oldTotalUs, double totalUs);

// A time axis drawn under pixels [left, right) for the view: a tick every
// 1, 2 or 5 times a power of ten ms, with room for labels labelWidth pixels
// wide. A label is centred under its tick, moved inside [0, clientWidth)
// where the edge would cut it, and left out where it would touch the one
// before.
struct Tick {
    double ms;
    long x;
    bool labelled;
    long labelLeft;
};
struct Axis {
    std::vector<Tick> ticks;
    int decimals = 0;  // of the labels' ms: 0 for steps of 1 ms and more
};
Axis timeAxis(const View& view, long left, long right, long labelWidth, long clientWidth);

}  // namespace geometry
