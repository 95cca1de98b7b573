#include "bars.h"

#include <cmath>
#include <limits>

namespace bars {

int16_t nearest(double x)
{
    if (std::isnan(x))
        return 0;
    // Halves to even: take the floor, then decide on the remaining fraction.
    double floorValue = std::floor(x);
    double fraction = x - floorValue;
    double rounded = floorValue;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(floorValue, 2.0) != 0.0))
        rounded = floorValue + 1.0;
    if (rounded > std::numeric_limits<int16_t>::max())
        return std::numeric_limits<int16_t>::max();
    if (rounded < std::numeric_limits<int16_t>::min())
        return std::numeric_limits<int16_t>::min();
    return static_cast<int16_t>(rounded);
}

ProgressGeometry progressGeometry(int boxWidthTwips, double twipsPerPixelX)
{
    ProgressGeometry g;
    g.width = nearest(boxWidthTwips / twipsPerPixelX - 6.0);
    g.slot = nearest(g.width / 33.0);
    return g;
}

QualityGeometry qualityGeometry(int boxHeightTwips, double twipsPerPixelY)
{
    QualityGeometry g;
    g.height = nearest(boxHeightTwips / twipsPerPixelY - 6.0);
    g.slot = nearest(g.height / 10.0);
    return g;
}

int progressSegmentCount(int progress)
{
    int n = nearest((progress + 1.0) / 3.0 - 1.0);
    return n < 0 ? 0 : n + 1;
}

int qualitySegmentCount(int quality)
{
    int n = nearest((quality + 5.0) / 10.0 - 1.0);
    return n < 0 ? 0 : n + 1;
}

std::vector<Segment> progressSegments(int progress, const ProgressGeometry& g, int maxSegments)
{
    std::vector<Segment> lit;
    int count = progressSegmentCount(progress);
    if (count > maxSegments)
        count = maxSegments;
    for (int i = 0; i < count; ++i) {
        double left = static_cast<double>(g.slot) * i + 2.0;
        lit.push_back({left, 0.0, left + g.width / 40.0, 100.0});
    }
    return lit;
}

std::vector<Segment> qualitySegments(int quality, const QualityGeometry& g, int maxSegments)
{
    std::vector<Segment> lit;
    int count = qualitySegmentCount(quality);
    if (count > maxSegments)
        count = maxSegments;
    for (int i = 0; i < count; ++i) {
        double bottom = g.height - static_cast<double>(g.slot) * i;
        lit.push_back({0.0, bottom - g.height / 14.0, 100.0, bottom});
    }
    return lit;
}

}  // namespace bars
