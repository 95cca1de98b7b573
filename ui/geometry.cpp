#include "ui/geometry.h"

#include <algorithm>
#include <cmath>

namespace geometry {

namespace {

long clampLong(long v, long low, long high)
{
    return std::max(low, std::min(v, high));
}

double clampDouble(double v, double low, double high)
{
    return std::max(low, std::min(v, high));
}

// One place to try: the room it offers and where the window goes there.
struct Spot {
    bool sideways;  // beside anchor (room is a width), or over or under keepClear (a height)
    long room;
    Box at(const Box& work, const Box& anchor, const Box& keepClear, long width, long height, int which) const
    {
        Box b;
        long w = sideways ? std::min(width, room) : width, h = sideways ? height : std::min(height, room);
        b.left = which == 0 ? anchor.right
                 : which == 1 ? anchor.left - w
                              : clampLong(anchor.left, work.left, work.right - w);
        b.top = which == 2 ? keepClear.bottom
                : which == 3 ? keepClear.top - h
                             : clampLong(anchor.top, work.top, work.bottom - h);
        b.right = b.left + w;
        b.bottom = b.top + h;
        return b;
    }
};

}  // namespace

Box beside(const Box& work, const Box& anchor, const Box& keepClear, long width, long height, long minWidth,
           long minHeight, bool leftFirst)
{
    width = std::min(width, work.width());
    height = std::min(height, work.height());
    minWidth = std::min(minWidth, width);
    minHeight = std::min(minHeight, height);
    // 0 right of anchor, 1 left of it, 2 below keepClear, 3 above it.
    const Spot spots[4] = {{true, work.right - anchor.right},
                           {true, anchor.left - work.left},
                           {false, work.bottom - keepClear.bottom},
                           {false, keepClear.top - work.top}};
    // Beside anchor, even shrunk, before over or under its lower part.
    const int order[2][2] = {{leftFirst ? 1 : 0, leftFirst ? 0 : 1}, {2, 3}};
    for (const auto& pair : order)
        for (bool shrunk : {false, true})
            for (int which : pair) {
                const Spot& s = spots[which];
                long need = s.sideways ? (shrunk ? minWidth : width) : (shrunk ? minHeight : height);
                if (s.room >= need)
                    return s.at(work, anchor, keepClear, width, height, which);
            }
    // Nowhere clear of it: at the first side, inside the work area.
    Box b;
    b.left = clampLong(leftFirst ? anchor.left - width : anchor.right, work.left, work.right - width);
    b.top = clampLong(anchor.top, work.top, work.bottom - height);
    b.right = b.left + width;
    b.bottom = b.top + height;
    return b;
}

double minSpanUs(double totalUs)
{
    return std::min(totalUs, std::max(200.0, totalUs / 4096));
}

View whole(double totalUs)
{
    return {0, std::max(totalUs, 0.0)};
}

View zoomed(const View& view, double totalUs, double factor, double at)
{
    if (totalUs <= 0 || factor <= 0)
        return whole(totalUs);
    at = clampDouble(at, 0, 1);
    double fixedUs = view.startUs + at * view.spanUs;
    View v;
    v.spanUs = clampDouble(view.spanUs / factor, minSpanUs(totalUs), totalUs);
    v.startUs = clampDouble(fixedUs - at * v.spanUs, 0, totalUs - v.spanUs);
    return v;
}

View scrolled(const View& view, double totalUs, double byUs)
{
    View v = view;
    v.startUs = clampDouble(view.startUs + byUs, 0, std::max(totalUs - view.spanUs, 0.0));
    return v;
}

View refitted(const View& view, double oldTotalUs, double totalUs)
{
    if (view.spanUs >= oldTotalUs || totalUs <= 0)
        return whole(totalUs);
    View v;
    v.spanUs = clampDouble(view.spanUs, minSpanUs(totalUs), totalUs);
    v.startUs = clampDouble(view.startUs, 0, totalUs - v.spanUs);
    return v;
}

Axis timeAxis(const View& view, long left, long right, long labelWidth, long clientWidth)
{
    Axis axis;
    if (right <= left || view.spanUs <= 0)
        return axis;
    const long GAP = labelWidth / 4 + 4;
    double spanMs = view.spanUs / 1000, pxPerMs = (right - left) / spanMs;
    double most = std::max(1.0, std::floor((right - left) / double(labelWidth + GAP)));
    // The smallest step of 1, 2 or 5 times a power of ten that leaves no
    // more than `most` ticks.
    double raw = spanMs / most, power = std::pow(10.0, std::floor(std::log10(raw))), step = 10 * power;
    for (double m : {1.0, 2.0, 5.0})
        if (m * power >= raw * (1 - 1e-9)) {
            step = m * power;
            break;
        }
    axis.decimals = step < 1 ? static_cast<int>(std::ceil(-std::log10(step) - 1e-9)) : 0;
    double startMs = view.startUs / 1000, endMs = startMs + spanMs;
    long lastRight = -GAP - 1;
    for (long k = static_cast<long>(std::ceil(startMs / step - 1e-9)); k * step <= endMs + step * 1e-9; ++k) {
        Tick t;
        t.ms = k * step;
        t.x = left + std::lround((t.ms - startMs) * pxPerMs);
        t.labelLeft = clampLong(t.x - labelWidth / 2, 0, std::max(clientWidth - labelWidth, 0L));
        t.labelled = t.labelLeft >= lastRight + GAP;
        if (t.labelled)
            lastRight = t.labelLeft + labelWidth;
        axis.ticks.push_back(t);
    }
    return axis;
}

}  // namespace geometry
