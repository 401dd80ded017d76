// Drawing primitives and drawing state: shapes, lines and pixels drawn through a
// sprite's context with per-call pens and brushes, and the per-sprite styles.
#include <windows.h>

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
    const COLORREF color = GetPixel(dc, x, y);
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
    RECT box = {x, y, x + w, y + h};
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
    RoundRect(dc, x, y, x + w, y + h, Round, Round);
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
    for (long i = 0; i <= sides; ++i) {
        const POINT p = velk::PolygonVertex(x, y, wr, hr, sides, Rotate, i);
        if (i == 0) {
            MoveToEx(dc, p.x, p.y, nullptr);
        } else {
            LineTo(dc, p.x, p.y);
        }
    }
    if (Fills) ExtFloodFill(dc, x, y, static_cast<COLORREF>(Color), FLOODFILLBORDER);
    return S_OK;
}

HRESULT VelkObject::DrawCircle(LONG x, LONG y, LONG Radius, LONG StartR, LONG EndR, LONG Color, LONG Fills,
                               LONG SpriteID) {
    VELK_DRAW_TARGET(slot, SpriteID);
    if (StartR == EndR) return S_OK;
    DrawingTools tools(dc, slot, static_cast<COLORREF>(Color), true, true);
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
    // 64-bit steps: an end angle at the top of the range must not wrap the loop.
    for (long long i = StartR; i <= EndR; ++i) {
        const POINT p = velk::EllipsePoint(x, y, wr, hr, static_cast<LONG>(i));
        if (i == StartR) {
            if (Close) {
                MoveToEx(dc, p.x, p.y, nullptr);
                LineTo(dc, x, y);
            }
            MoveToEx(dc, p.x, p.y, nullptr);
            continue;
        }
        LineTo(dc, p.x, p.y);
        if (i == EndR && Close) {
            LineTo(dc, x, y);
            MoveToEx(dc, p.x, p.y, nullptr);
        }
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
