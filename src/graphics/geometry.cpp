// Curve arithmetic of the drawing members.
#include "graphics/geometry.h"

#include <cmath>

namespace velk {

const double kDegreeToRadian = kShortPi / 180.0;

namespace {
inline LONG Truncate(double value) { return static_cast<LONG>(value); }
}  // namespace

POINT PolygonVertex(long x, long y, long wr, long hr, long sides, long rotate, long i) {
    const double r = rotate == 0 ? 360.0 : static_cast<double>(rotate);
    const double step = (2.0 * kShortPi) / static_cast<double>(sides);
    const double theta = static_cast<double>(i) * step + r * kDegreeToRadian;
    return POINT{Truncate(std::cos(theta) * wr + x), Truncate(std::sin(theta) * hr + y)};
}

POINT CircleRadialPoint(long x, long y, long radius, long degrees) {
    const double theta = static_cast<double>(degrees) * kDegreeToRadian;
    return POINT{x + Truncate(std::cos(theta) * radius), y + Truncate(-std::sin(theta) * radius)};
}

POINT EllipsePoint(long x, long y, long wr, long hr, long degrees) {
    const double theta = static_cast<double>(degrees) * kDegreeToRadian;
    return POINT{Truncate(std::cos(theta) * wr + x), Truncate(y - std::sin(theta) * hr)};
}

}  // namespace velk
