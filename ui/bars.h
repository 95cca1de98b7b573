// Geometry of the two segmented learn bars: the horizontal learn progress bar
// (33 slots, one per 3 percent) and the vertical signal quality bar (10 slots,
// lit from the bottom up). Pure arithmetic, so it is tested on the host.
#pragma once

#include <cstdint>
#include <vector>

namespace bars {

// x taken to the nearest whole number, halves to even, kept in 16 bits
// (values beyond the 16-bit range are pinned to its ends instead of wrapping).
int16_t nearest(double x);

// One lit segment in the box's pixels; the edges are fractions, as drawn.
struct Segment {
    double left, top, right, bottom;
};

// The slot geometry shared by every report.
struct ProgressGeometry {
    int16_t width;  // W: usable width in pixels
    int16_t slot;   // S: slot width in pixels
};
struct QualityGeometry {
    int16_t height;  // H: usable height in pixels
    int16_t slot;    // S: slot height in pixels
};

ProgressGeometry progressGeometry(int boxWidthTwips, double twipsPerPixelX);
QualityGeometry qualityGeometry(int boxHeightTwips, double twipsPerPixelY);

// Number of segments that the report lights (N + 1, never negative).
int progressSegmentCount(int progress);
int qualitySegmentCount(int quality);

// The lit segments, at most maxSegments of them: segments beyond the box are
// clipped away when drawn, so callers pass how many can be seen at most.
std::vector<Segment> progressSegments(int progress, const ProgressGeometry& g,
                                      int maxSegments);
std::vector<Segment> qualitySegments(int quality, const QualityGeometry& g, int maxSegments);

}  // namespace bars
