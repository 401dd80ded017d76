// Drawing primitives and drawing state: shapes, lines and pixels drawn through a
// sprite's context with per-call pens and brushes, and the per-sprite styles.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/texts.h"
#include "core/velk.h"
#include "graphics/geometry.h"

using velk::SpriteSlot;
namespace texts = velk::texts;

namespace {

// A pen and/or brush of the call's colour and the slot's styles, selected for the
// length of one member and taken out again (and deleted) when it ends.
class DrawingTools {
public:
    DrawingTools(HDC dc, const SpriteSlot& slot, COLORREF color, bool with_pen, bool with_brush) : dc_(dc) {
        if (with_pen) {
            pen_ = CreatePen(slot.LineStyle, 0, color);
            if (pen_) old_pen_ = SelectObject(dc_, pen_);
        }
        if (with_brush) {
            brush_ = slot.FillStyle == -1 ? CreateSolidBrush(color) : CreateHatchBrush(slot.FillStyle, color);
            if (brush_) old_brush_ = SelectObject(dc_, brush_);
        }
    }
    ~DrawingTools() {
        if (old_pen_) SelectObject(dc_, old_pen_);
        if (old_brush_) SelectObject(dc_, old_brush_);
        if (pen_) DeleteObject(pen_);
        if (brush_) DeleteObject(brush_);
    }
    DrawingTools(const DrawingTools&) = delete;
    DrawingTools& operator=(const DrawingTools&) = delete;
    HBRUSH brush() const { return brush_; }

private:
    HDC dc_;
    HPEN pen_ = nullptr;
    HBRUSH brush_ = nullptr;
    HGDIOBJ old_pen_ = nullptr;
    HGDIOBJ old_brush_ = nullptr;
};

// Where a shape may go to the platform as it is, and where the library clips it
// itself: the sprite's picture in logical units, with a margin for the clipped
// edges to fall outside it, and a wider area that the platform's own curve and
// line code handles at a cost bounded by the sprite's size.
class Reach {
public:
    Reach(HDC dc, const SpriteSlot& slot) {
        POINT corners[2] = {{0, 0}, {slot.Width, slot.Height}};
        DPtoLP(dc, corners, 2);
        const velk::BoundsD picture{static_cast<double>(std::min(corners[0].x, corners[1].x)),
                                    static_cast<double>(std::min(corners[0].y, corners[1].y)),
                                    static_cast<double>(std::max(corners[0].x, corners[1].x)),
                                    static_cast<double>(std::max(corners[0].y, corners[1].y))};
        const double extent = std::max(picture.right - picture.left, picture.bottom - picture.top);
        clip_ = picture.Grown(std::max(16.0, extent / 16.0));
        platform_ = picture.Grown(std::max(4096.0, extent * 4.0));
    }
    bool ForPlatform(double x, double y) const { return platform_.Contains(x, y); }
    const velk::BoundsD& clip() const { return clip_; }

private:
    velk::BoundsD clip_{};
    velk::BoundsD platform_{};
};

LONG Rounded(double value) { return static_cast<LONG>(std::lround(value)); }

// A line from the current position `from` to `to`, which becomes the current position.
void LineOnward(HDC dc, const Reach& reach, POINT from, POINT to) {
    if (reach.ForPlatform(from.x, from.y) && reach.ForPlatform(to.x, to.y)) {
        LineTo(dc, to.x, to.y);
        return;
    }
    velk::PointD a{static_cast<double>(from.x), static_cast<double>(from.y)};
    velk::PointD b{static_cast<double>(to.x), static_cast<double>(to.y)};
    if (velk::ClipSegment(reach.clip(), &a, &b)) {
        MoveToEx(dc, Rounded(a.x), Rounded(a.y), nullptr);
        LineTo(dc, Rounded(b.x), Rounded(b.y));
    }
    MoveToEx(dc, to.x, to.y, nullptr);
}

// A figure too large for the platform, as clipped chords: filled (with the
// pen round the clipped figure) with the brush, or outlined with the pen along
// the points. The current position is left alone, as the platform's curves leave it.
void DrawClippedFigure(HDC dc, const Reach& reach, const std::vector<velk::PointD>& points, bool filled) {
    POINT position{};
    GetCurrentPositionEx(dc, &position);
    if (filled) {
        const std::vector<velk::PointD> inside = velk::ClipPolygon(points, reach.clip());
        std::vector<POINT> corners;
        corners.reserve(inside.size());
        for (const velk::PointD& p : inside) corners.push_back(POINT{Rounded(p.x), Rounded(p.y)});
        if (corners.size() >= 3) Polygon(dc, corners.data(), static_cast<int>(corners.size()));
    } else {
        auto pixel = [](const velk::PointD& p) {
            return POINT{static_cast<LONG>(std::max(std::min(p.x, 2e9), -2e9)),
                         static_cast<LONG>(std::max(std::min(p.y, 2e9), -2e9))};
        };
        POINT previous = pixel(points.front());
        MoveToEx(dc, previous.x, previous.y, nullptr);
        for (size_t i = 1; i < points.size(); ++i) {
            const POINT next = pixel(points[i]);
            LineOnward(dc, reach, previous, next);
            previous = next;
        }
    }
    MoveToEx(dc, position.x, position.y, nullptr);
}

// A circle, arc or pie too large for the platform: a pie's points include the centre.
void DrawLargeArc(HDC dc, const Reach& reach, LONG x, LONG y, LONG radius, double start, double sweep, bool whole,
                  bool filled) {
    std::vector<velk::PointD> points = velk::ArcPoints(x, y, radius, start, sweep);
    if (filled && !whole) points.insert(points.begin(), velk::PointD{static_cast<double>(x), static_cast<double>(y)});
    DrawClippedFigure(dc, reach, points, filled);
}

}  // namespace

// Every drawing member starts here: range, then emptiness.
#define VELK_DRAW_TARGET(slot_name, id)                                                                     \
    SpriteSlot& slot_name = CheckedSprite(id, 0, texts::kSubjectDrawing, texts::kSpriteRangeAny);          \
    velk::SpriteContext dc(slot_name)

// ---------------------------------------------------------------- drawing state

HRESULT VelkObject::DSetFillStyle(LONG newVal, LONG SpriteID) {
    CheckedSprite(SpriteID, 0, texts::kSubjectDrawStyle, texts::kSpriteRangeAny).FillStyle = newVal;
    return S_OK;
}

HRESULT VelkObject::DSetLineStyle(LONG newVal, LONG SpriteID) {
    CheckedSprite(SpriteID, 0, texts::kSubjectDrawStyle, texts::kSpriteRangeAny).LineStyle = newVal;
    return S_OK;
}

HRESULT VelkObject::DSetRasterOP(LONG lRasterOP, LONG SpriteID) {
    VELK_DRAW_TARGET(slot, SpriteID);
    SetROP2(dc, lRasterOP);
    return S_OK;
}

HRESULT VelkObject::DSetMapMode(LONG lMapMode, LONG SpriteID) {
    VELK_DRAW_TARGET(slot, SpriteID);
    SetMapMode(dc, lMapMode);
    return S_OK;
}

HRESULT VelkObject::DSetOrigin(LONG x, LONG y, LONG SpriteID) {
    VELK_DRAW_TARGET(slot, SpriteID);
    SetWindowOrgEx(dc, x, y, nullptr);
    return S_OK;
}

HRESULT VelkObject::DSetLP(LONG x, LONG y, LONG SpriteID) {
    VELK_DRAW_TARGET(slot, SpriteID);
    MoveToEx(dc, x, y, nullptr);
    return S_OK;
}

// ---------------------------------------------------------------- pixels

HRESULT VelkObject::DrawPixel(LONG x, LONG y, LONG Color, LONG SpriteID) {
    VELK_DRAW_TARGET(slot, SpriteID);
    SetPixelV(dc, x, y, static_cast<COLORREF>(Color));
    return S_OK;
}

HRESULT VelkObject::DGetPixel(LONG x, LONG y, LONG SpriteID, LONG* pVal) {
    VELK_DRAW_TARGET(slot, SpriteID);
    // The mask rows of a GDI sprite lie below its picture; nothing outside the
    // picture is a pixel of the sprite.
    POINT at{x, y};
    LPtoDP(dc, &at, 1);
    const bool inside = at.x >= 0 && at.y >= 0 && at.x < slot.Width && at.y < slot.Height;
    const COLORREF color = inside ? GetPixel(dc, x, y) : CLR_INVALID;
    if (pVal) *pVal = static_cast<LONG>(color);
    return S_OK;
}

// ---------------------------------------------------------------- lines

HRESULT VelkObject::DrawLine(LONG x1, LONG y1, LONG x2, LONG y2, LONG Color, LONG SpriteID) {
    VELK_DRAW_TARGET(slot, SpriteID);
    DrawingTools tools(dc, slot, static_cast<COLORREF>(Color), true, false);
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
    return S_OK;
}

HRESULT VelkObject::DrawLineFromLP(LONG x, LONG y, LONG Color, LONG SpriteID) {
    VELK_DRAW_TARGET(slot, SpriteID);
    DrawingTools tools(dc, slot, static_cast<COLORREF>(Color), true, false);
    LineTo(dc, x, y);
    return S_OK;
}

// ---------------------------------------------------------------- boxes

HRESULT VelkObject::DrawBox(LONG x, LONG y, LONG w, LONG h, LONG Color, LONG Fills, LONG SpriteID) {
    VELK_DRAW_TARGET(slot, SpriteID);
    // Only the brush shows in a box (fill or frame), so no pen is made.
    DrawingTools tools(dc, slot, static_cast<COLORREF>(Color), false, true);
    RECT box = {x, y, velk::SaturatedSum(x, w), velk::SaturatedSum(y, h)};
    if (Fills) {
        FillRect(dc, &box, tools.brush());
    } else {
        FrameRect(dc, &box, tools.brush());
    }
    return S_OK;
}

HRESULT VelkObject::DrawRoundBox(LONG x, LONG y, LONG w, LONG h, LONG Round, LONG Color, LONG Fills,
                                 LONG SpriteID) {
    VELK_DRAW_TARGET(slot, SpriteID);
    DrawingTools tools(dc, slot, static_cast<COLORREF>(Color), true, Fills != 0);
    // Without a brush of ours the interior must stay as it is: a hollow brush.
    HGDIOBJ previous = Fills ? nullptr : SelectObject(dc, GetStockObject(NULL_BRUSH));
    const Reach reach(dc, slot);
    const double right = static_cast<double>(x) + w, bottom = static_cast<double>(y) + h;
    // The corners are never larger than the box, however large the rounding asked.
    const double corner_width = std::min(std::fabs(static_cast<double>(Round)), std::fabs(static_cast<double>(w)));
    const double corner_height = std::min(std::fabs(static_cast<double>(Round)), std::fabs(static_cast<double>(h)));
    if (reach.ForPlatform(x, y) && reach.ForPlatform(right, bottom)) {
        RoundRect(dc, x, y, static_cast<LONG>(right), static_cast<LONG>(bottom), static_cast<LONG>(corner_width),
                  static_cast<LONG>(corner_height));
    } else {
        // The platform, like its rectangle, leaves the right and bottom edges out.
        const velk::BoundsD box{std::min<double>(x, right), std::min<double>(y, bottom),
                                std::max<double>(x, right) - 1.0, std::max<double>(y, bottom) - 1.0};
        std::vector<velk::PointD> outline = velk::RoundBoxOutline(box, corner_width, corner_height);
        if (!Fills) outline.push_back(outline.front());
        DrawClippedFigure(dc, reach, outline, Fills != 0);
    }
    if (previous) SelectObject(dc, previous);
    return S_OK;
}

// ---------------------------------------------------------------- curves

HRESULT VelkObject::DrawPolygon(LONG x, LONG y, LONG wr, LONG hr, LONG Polygon, LONG Rotate, LONG Color,
                                LONG Fills, LONG SpriteID) {
    VELK_DRAW_TARGET(slot, SpriteID);
    const long sides = velk::PolygonSidesDrawn(Polygon);
    if (sides == 0) return S_OK;  // no outline, so nothing a fill could stop at either
    DrawingTools tools(dc, slot, static_cast<COLORREF>(Color), true, true);
    const Reach reach(dc, slot);
    POINT previous{};
    for (long i = 0; i <= sides; ++i) {
        const POINT p = velk::PolygonVertex(x, y, wr, hr, sides, Rotate, i);
        if (i == 0) {
            MoveToEx(dc, p.x, p.y, nullptr);
        } else {
            LineOnward(dc, reach, previous, p);
        }
        previous = p;
    }
    if (Fills) ExtFloodFill(dc, x, y, static_cast<COLORREF>(Color), FLOODFILLBORDER);
    return S_OK;
}

HRESULT VelkObject::DrawCircle(LONG x, LONG y, LONG Radius, LONG StartR, LONG EndR, LONG Color, LONG Fills,
                               LONG SpriteID) {
    VELK_DRAW_TARGET(slot, SpriteID);
    if (StartR == EndR) return S_OK;
    DrawingTools tools(dc, slot, static_cast<COLORREF>(Color), true, true);
    const Reach reach(dc, slot);
    const double reach_left = static_cast<double>(x) - Radius, reach_right = static_cast<double>(x) + Radius;
    const double reach_top = static_cast<double>(y) - Radius, reach_bottom = static_cast<double>(y) + Radius;
    if (!reach.ForPlatform(reach_left, reach_top) || !reach.ForPlatform(reach_right, reach_bottom)) {
        const bool whole = velk::IsWholeTurn(StartR, EndR);
        const long long turn = ((static_cast<long long>(EndR) - StartR) % 360 + 360) % 360;
        const double start = static_cast<double>(StartR % 360) * velk::kDegreeToRadian;
        const double sweep = static_cast<double>(whole ? 360 : turn) * velk::kDegreeToRadian;
        DrawLargeArc(dc, reach, x, y, Radius, start, sweep, whole, Fills != 0);
        return S_OK;
    }
    const LONG left = x - Radius, top = y - Radius, right = x + Radius, bottom = y + Radius;
    if (velk::IsWholeTurn(StartR, EndR)) {
        if (Fills) {
            Ellipse(dc, left, top, right, bottom);
        } else {
            Arc(dc, left, top, right, bottom, 0, 0, 0, 0);
        }
        return S_OK;
    }
    const POINT start = velk::CircleRadialPoint(x, y, Radius, StartR);
    const POINT end = velk::CircleRadialPoint(x, y, Radius, EndR);
    if (Fills) {
        Pie(dc, left, top, right, bottom, start.x, start.y, end.x, end.y);
    } else {
        Arc(dc, left, top, right, bottom, start.x, start.y, end.x, end.y);
    }
    return S_OK;
}

HRESULT VelkObject::DrawEllipse(LONG x, LONG y, LONG wr, LONG hr, LONG StartR, LONG EndR, LONG Color, LONG Close,
                                LONG SpriteID) {
    VELK_DRAW_TARGET(slot, SpriteID);
    DrawingTools tools(dc, slot, static_cast<COLORREF>(Color), true, true);
    if (EndR < StartR) return S_OK;
    const Reach reach(dc, slot);
    const POINT centre{x, y};
    if (Close) {
        const POINT start = velk::EllipsePoint(x, y, wr, hr, StartR);
        MoveToEx(dc, start.x, start.y, nullptr);
        LineOnward(dc, reach, start, centre);
    }
    // 64-bit steps: an end angle at the top of the range must not wrap the loop.
    const long long first = velk::EllipseFirstAngle(StartR, EndR);
    POINT previous = velk::EllipsePoint(x, y, wr, hr, static_cast<LONG>(first));
    MoveToEx(dc, previous.x, previous.y, nullptr);
    for (long long i = first + 1; i <= EndR; ++i) {
        const POINT p = velk::EllipsePoint(x, y, wr, hr, static_cast<LONG>(i));
        LineOnward(dc, reach, previous, p);
        previous = p;
    }
    if (Close && EndR > StartR) {
        LineOnward(dc, reach, previous, centre);
        MoveToEx(dc, previous.x, previous.y, nullptr);
    }
    return S_OK;
}

HRESULT VelkObject::DrawFill(LONG x, LONG y, LONG Color, LONG SpriteID) {
    VELK_DRAW_TARGET(slot, SpriteID);
    DrawingTools tools(dc, slot, static_cast<COLORREF>(Color), true, true);
    const COLORREF region = GetPixel(dc, x, y);
    ExtFloodFill(dc, x, y, region, FLOODFILLSURFACE);
    return S_OK;
}
