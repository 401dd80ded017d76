// Pure arithmetic of the curve members: vertices and radial points in whole
// degrees with the library's shortened pi. Native-speed, no platform calls.
#pragma once
#include <windows.h>  // for: POINT

namespace velk {

// The pi of every angle in the library; results depend on exactly this value.
inline constexpr double kShortPi = 3.14159265;
// Degrees to radians, computed once at load.
extern const double kDegreeToRadian;

// Vertex i (0..sides) of a regular polygon inscribed in the ellipse (wr, hr)
// around (x, y), vertex 0 at `rotate` degrees (0 means 360) clockwise on screen.
POINT PolygonVertex(long x, long y, long wr, long hr, long sides, long rotate, long i);

// Sides a polygon is drawn with: none for 0 or fewer (there is no step to take),
// and no more than a screen can show, so a huge count does not stall the host.
inline constexpr long kMostPolygonSides = 65536;
inline long PolygonSidesDrawn(long sides) {
    return sides <= 0 ? 0 : sides > kMostPolygonSides ? kMostPolygonSides : sides;
}

// Point at `degrees` on the circle of `radius`: the product is truncated before
// the centre is added, y up on the screen.
POINT CircleRadialPoint(long x, long y, long radius, long degrees);

// Point at `degrees` on the ellipse (wr, hr): the sum is truncated, y up on the screen.
POINT EllipsePoint(long x, long y, long wr, long hr, long degrees);

// True when the span from start to end covers whole turns only (and is not empty).
inline bool IsWholeTurn(long start, long end) {
    long long span = static_cast<long long>(end) - start;
    return span != 0 && span % 360 == 0;
}

}  // namespace velk
