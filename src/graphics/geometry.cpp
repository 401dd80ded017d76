// Curve arithmetic of the drawing members.
#include "graphics/geometry.h"

#include <climits>
#include <cmath>

namespace velk {

const double kDegreeToRadian = kShortPi / 180.0;

namespace {

// The x87 unit keeps 64-bit mantissas between operations; rounding every step
// to a double gives the results hosts were promised (cos(4 x pi') x 50 + 100
// must come out as 150, not 149.99...).
inline double D(double value) {
    volatile double stored = value;
    return stored;
}

// Converting a double outside the LONG range (huge radii or centres) is
// undefined; such points lie far off any surface, so they are pinned to its edge.
inline LONG Truncate(double value) {
    const double stored = D(value);
    if (std::isnan(stored)) return 0;
    if (stored <= -2147483648.0) return LONG_MIN;
    if (stored >= 2147483647.0) return LONG_MAX;
    return static_cast<LONG>(stored);
}

inline LONG Offset(long base, LONG delta) {
    const long long sum = static_cast<long long>(base) + delta;
    return static_cast<LONG>(sum < LONG_MIN ? LONG_MIN : sum > LONG_MAX ? LONG_MAX : sum);
}

}  // namespace

POINT PolygonVertex(long x, long y, long wr, long hr, long sides, long rotate, long i) {
    const double r = rotate == 0 ? 360.0 : static_cast<double>(rotate);
    const double step = D((2.0 * kShortPi) / static_cast<double>(sides));
    const double theta = D(D(static_cast<double>(i) * step) + D(r * kDegreeToRadian));
    return POINT{Truncate(D(D(std::cos(theta)) * wr) + x), Truncate(D(D(std::sin(theta)) * hr) + y)};
}

POINT CircleRadialPoint(long x, long y, long radius, long degrees) {
    const double theta = D(static_cast<double>(degrees) * kDegreeToRadian);
    return POINT{Offset(x, Truncate(D(std::cos(theta)) * radius)), Offset(y, Truncate(D(-std::sin(theta)) * radius))};
}

POINT EllipsePoint(long x, long y, long wr, long hr, long degrees) {
    const double theta = D(static_cast<double>(degrees) * kDegreeToRadian);
    return POINT{Truncate(D(D(std::cos(theta)) * wr) + x), Truncate(y - D(D(std::sin(theta)) * hr))};
}

}  // namespace velk
