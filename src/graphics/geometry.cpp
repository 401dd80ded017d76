// Curve arithmetic of the drawing members.
#include "graphics/geometry.h"

#include <algorithm>
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

}  // namespace

POINT PolygonVertex(long x, long y, long wr, long hr, long sides, long rotate, long i) {
    const double r = rotate == 0 ? 360.0 : static_cast<double>(rotate);
    const double step = D((2.0 * kShortPi) / static_cast<double>(sides));
    const double theta = D(D(static_cast<double>(i) * step) + D(r * kDegreeToRadian));
    return POINT{Truncate(D(D(std::cos(theta)) * wr) + x), Truncate(D(D(std::sin(theta)) * hr) + y)};
}

POINT CircleRadialPoint(long x, long y, long radius, long degrees) {
    const double theta = D(static_cast<double>(degrees) * kDegreeToRadian);
    return POINT{SaturatedSum(x, Truncate(D(std::cos(theta)) * radius)),
                 SaturatedSum(y, Truncate(D(-std::sin(theta)) * radius))};
}

POINT EllipsePoint(long x, long y, long wr, long hr, long degrees) {
    const double theta = D(static_cast<double>(degrees) * kDegreeToRadian);
    return POINT{Truncate(D(D(std::cos(theta)) * wr) + x), Truncate(y - D(D(std::sin(theta)) * hr))};
}

bool ClipSegment(const BoundsD& bounds, PointD* a, PointD* b) {
    // Liang-Barsky: the segment as a + t (b - a), t in [0, 1], cut by each edge.
    const double dx = b->x - a->x, dy = b->y - a->y;
    double t0 = 0.0, t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a->x - bounds.left, bounds.right - a->x, a->y - bounds.top, bounds.bottom - a->y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) t0 = std::max(t0, t);
        else t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    const PointD start{a->x + t0 * dx, a->y + t0 * dy};
    const PointD end{a->x + t1 * dx, a->y + t1 * dy};
    *a = start;
    *b = end;
    return true;
}

std::vector<PointD> ClipPolygon(const std::vector<PointD>& polygon, const BoundsD& bounds) {
    // Sutherland-Hodgman, one edge of the bounds at a time.
    std::vector<PointD> points = polygon;
    for (int edge = 0; edge < 4 && !points.empty(); ++edge) {
        auto inside = [&](const PointD& p) {
            switch (edge) {
            case 0: return p.x >= bounds.left;
            case 1: return p.x <= bounds.right;
            case 2: return p.y >= bounds.top;
            default: return p.y <= bounds.bottom;
            }
        };
        auto crossing = [&](const PointD& p, const PointD& q) {
            const bool vertical_edge = edge < 2;
            const double at = edge == 0 ? bounds.left : edge == 1 ? bounds.right : edge == 2 ? bounds.top : bounds.bottom;
            const double t = vertical_edge ? (at - p.x) / (q.x - p.x) : (at - p.y) / (q.y - p.y);
            return vertical_edge ? PointD{at, p.y + t * (q.y - p.y)} : PointD{p.x + t * (q.x - p.x), at};
        };
        std::vector<PointD> kept;
        kept.reserve(points.size() + 4);
        for (size_t i = 0; i < points.size(); ++i) {
            const PointD& current = points[i];
            const PointD& previous = points[(i + points.size() - 1) % points.size()];
            const bool in = inside(current), was_in = inside(previous);
            if (in != was_in) kept.push_back(crossing(previous, current));
            if (in) kept.push_back(current);
        }
        points.swap(kept);
    }
    return points;
}

std::vector<PointD> ArcPoints(double x, double y, double radius, double start, double sweep) {
    // A chord of angle a lies r (1 - cos(a / 2)) ~ r a^2 / 8 inside the circle.
    const double r = std::fabs(radius);
    const double finest = r > 8.0 ? 2.0 / std::sqrt(r) : 1.0;
    const double step = std::min(kDegreeToRadian, finest);
    const double wanted = std::ceil(std::fabs(sweep) / step);
    const size_t count = static_cast<size_t>(std::min<double>(std::max(wanted, 1.0), kMostArcPoints - 1));
    std::vector<PointD> points;
    points.reserve(count + 1);
    for (size_t i = 0; i <= count; ++i) {
        const double theta = start + sweep * static_cast<double>(i) / static_cast<double>(count);
        points.push_back(PointD{x + std::cos(theta) * radius, y - std::sin(theta) * radius});
    }
    return points;
}

std::vector<PointD> RoundBoxOutline(const BoundsD& box, double corner_width, double corner_height) {
    const double rx = std::min(std::fabs(corner_width), box.right - box.left) / 2.0;
    const double ry = std::min(std::fabs(corner_height), box.bottom - box.top) / 2.0;
    const double r = std::max(rx, ry);
    // Mathematical angles, y up on the screen: each corner turns a quarter
    // onward from where the previous one ended.
    const PointD centres[4] = {{box.right - rx, box.top + ry},
                               {box.left + rx, box.top + ry},
                               {box.left + rx, box.bottom - ry},
                               {box.right - rx, box.bottom - ry}};
    std::vector<PointD> outline;
    for (int corner = 0; corner < 4; ++corner) {
        const PointD& centre = centres[corner];
        if (r <= 0.0) {
            outline.push_back(centre);
            continue;
        }
        // Spaced for the larger radius, then pressed onto the ellipse.
        for (const PointD& p : ArcPoints(0.0, 0.0, r, corner * (kShortPi / 2.0), kShortPi / 2.0))
            outline.push_back(PointD{centre.x + p.x * (rx / r), centre.y + p.y * (ry / r)});
    }
    return outline;
}

}  // namespace velk
