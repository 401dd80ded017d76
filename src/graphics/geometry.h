// Pure arithmetic of the curve members: vertices and radial points in whole
// degrees with the library's shortened pi. Native-speed, no platform calls.
#pragma once
#include <windows.h>  // for: POINT

#include <vector>

namespace velk {

// The pi of every angle in the library; results depend on exactly this value.
inline constexpr double kShortPi = 3.14159265;
// Degrees to radians, computed once at load.
extern const double kDegreeToRadian;

// A place plus a step, held at the ends of the 32-bit range rather than
// wrapped round to the other side.
inline LONG SaturatedSum(long base, long step) {
    const long long sum = static_cast<long long>(base) + step;
    return static_cast<LONG>(sum < -2147483647LL - 1 ? -2147483647LL - 1 : sum > 2147483647LL ? 2147483647LL : sum);
}

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

// Angles of an elliptic arc drawn point by point: a span over one turn only
// retraces the figure, so the points start one turn before the end (the end,
// where the current position is left, stays where the whole span ends).
inline long long EllipseFirstAngle(long start, long end) {
    const long long span = static_cast<long long>(end) - start;
    return span > 360 ? static_cast<long long>(end) - 360 : start;
}

// ---------------------------------------------------------------- clipping
// Shapes far beyond a sprite are drawn by the library's own clipped segments:
// the platform's curve and line code allocates by the size of a figure and
// overflows on coordinates near the 32-bit limits.

struct PointD {
    double x;
    double y;
};

// A rectangle of logical coordinates, left <= right, top <= bottom.
struct BoundsD {
    double left;
    double top;
    double right;
    double bottom;
    bool Contains(double x, double y) const { return x >= left && x <= right && y >= top && y <= bottom; }
    BoundsD Grown(double by) const { return BoundsD{left - by, top - by, right + by, bottom + by}; }
};

// Clips the segment a-b to `bounds`; false when none of it is inside.
bool ClipSegment(const BoundsD& bounds, PointD* a, PointD* b);

// Clips a closed polygon to `bounds`; the result is closed too (possibly empty).
std::vector<PointD> ClipPolygon(const std::vector<PointD>& polygon, const BoundsD& bounds);

// Points of the circular arc of `radius` around (x, y) from `start` through
// `sweep` radians (mathematical angles, y up on the screen), close enough
// together that the chords stay within half a pixel of the circle; a radius
// below zero runs round the opposite side, as the platform's bounding box does.
inline constexpr size_t kMostArcPoints = size_t{1} << 18;
std::vector<PointD> ArcPoints(double x, double y, double radius, double start, double sweep);

// The closed outline of a box with rounded corners, counter-clockwise on the
// screen from the top of the right edge: each corner a quarter of the ellipse
// `corner_width` x `corner_height`, cut to the box's own size.
std::vector<PointD> RoundBoxOutline(const BoundsD& box, double corner_width, double corner_height);

}  // namespace velk
