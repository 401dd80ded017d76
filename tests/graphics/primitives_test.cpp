// Drawing primitives, in the GDI mode and in windowed DirectDraw: pixels read
// back through DGetPixel and through the platform.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "graphics/geometry.h"
#include "graphics/graphics_fixture.h"
#include "support/resource_counts.h"

using namespace velk_test;

namespace {
constexpr LONG kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF, kBlack = 0;
}  // namespace

class Primitives : public ModeTest {
protected:
    // Sprite 1, 200 x 200, white.
    void SetUp() override {
        ModeTest::SetUp();
        velk_->SpriteState(1, 1);
        velk_->SpriteResize(1, 200, 200);
        velk_->DrawBox(0, 0, 200, 200, kWhite, 1, 1);
    }
    LONG P(LONG x, LONG y) { return Pixel(x, y, 1); }
    int CountColour(LONG color, LONG x0 = 0, LONG y0 = 0, LONG x1 = 200, LONG y1 = 200) {
        int count = 0;
        for (LONG y = y0; y < y1; ++y)
            for (LONG x = x0; x < x1; ++x) count += PlatformPixel(1, x, y) == static_cast<COLORREF>(color);
        return count;
    }
};

INSTANTIATE_TEST_SUITE_P(Modes, Primitives, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<LONG>& info) {
                             return info.param == 1 ? std::string("Gdi") : std::string("DirectDraw");
                         });

TEST_P(Primitives, BoxesFilledAndFramedWithRightAndBottomExclusive) {
    velk_->DrawBox(10, 10, 20, 10, kRed, 1, 1);
    EXPECT_EQ(P(10, 10), kRed);
    EXPECT_EQ(P(29, 19), kRed);
    EXPECT_EQ(P(30, 19), kWhite);
    EXPECT_EQ(P(29, 20), kWhite);
    EXPECT_EQ(CountColour(kRed), 200);

    velk_->DSetLineStyle(5, 1);  // a null pen: boxes ignore the line style
    velk_->DrawBox(50, 50, 10, 10, kBlue, 0, 1);
    EXPECT_EQ(P(50, 50), kBlue);
    EXPECT_EQ(P(59, 59), kBlue);
    EXPECT_EQ(P(55, 55), kWhite) << "a frame leaves the inside";
    EXPECT_EQ(CountColour(kBlue), 36);
    EXPECT_EQ(PlatformPixel(1, 59, 50), static_cast<COLORREF>(kBlue));
}

TEST_P(Primitives, HatchedFillStyleGivesAHatchedFrame) {
    velk_->DSetFillStyle(HS_VERTICAL, 1);
    velk_->DrawBox(100, 100, 40, 40, kRed, 0, 1);
    // The frame is one unit wide and only partly red; the gaps are the background colour.
    const int red = CountColour(kRed, 100, 100, 140, 140);
    EXPECT_GT(red, 0);
    EXPECT_LT(red, 156);
    EXPECT_EQ(CountColour(kRed, 101, 101, 139, 139), 0);
    velk_->DSetFillStyle(-1, 1);
    velk_->DrawBox(100, 100, 40, 40, kRed, 0, 1);
    EXPECT_EQ(CountColour(kRed, 100, 100, 140, 140), 156);
}

TEST_P(Primitives, RoundBoxOutlineLeavesTheInteriorAndFilledOneFillsIt) {
    velk_->DrawBox(60, 60, 20, 20, kGreen, 1, 1);
    velk_->DrawRoundBox(50, 50, 40, 40, 10, kRed, 0, 1);
    EXPECT_EQ(P(70, 70), kGreen) << "outline only";
    EXPECT_EQ(P(70, 50), kRed);
    EXPECT_EQ(P(50, 50), kWhite) << "the corner is rounded off";
    velk_->DrawRoundBox(50, 50, 40, 40, 10, kBlue, 1, 1);
    EXPECT_EQ(P(70, 70), kBlue);
    EXPECT_EQ(P(52, 70), kBlue);
}

TEST_P(Primitives, LinesLeaveOutTheirEndPixelAndContinueFromTheLastPoint) {
    velk_->DrawLine(10, 10, 20, 10, kRed, 1);
    EXPECT_EQ(P(10, 10), kRed);
    EXPECT_EQ(P(19, 10), kRed);
    EXPECT_EQ(P(20, 10), kWhite);
    velk_->DrawLineFromLP(20, 20, kBlue, 1);
    EXPECT_EQ(P(20, 10), kBlue);
    EXPECT_EQ(P(20, 19), kBlue);
    EXPECT_EQ(P(20, 20), kWhite);

    velk_->DSetLP(30, 30, 1);
    EXPECT_EQ(P(30, 30), kWhite) << "DSetLP draws nothing";
    velk_->DrawLineFromLP(40, 30, kGreen, 1);
    velk_->DrawLineFromLP(40, 40, kGreen, 1);
    EXPECT_EQ(P(30, 30), kGreen);
    EXPECT_EQ(P(39, 30), kGreen);
    EXPECT_EQ(P(40, 30), kGreen);
    EXPECT_EQ(P(40, 39), kGreen);
    EXPECT_EQ(P(40, 40), kWhite);
}

TEST_P(Primitives, PolygonsHitTheExactVertices) {
    velk_->DrawPolygon(100, 100, 50, 50, 4, 0, kRed, 0, 1);
    // Each edge starts at its vertex (the end pixel is the next edge's start).
    for (POINT p : {POINT{150, 99}, POINT{100, 150}, POINT{50, 100}, POINT{99, 50}})
        EXPECT_EQ(P(p.x, p.y), kRed) << p.x << "," << p.y;
    EXPECT_EQ(P(100, 100), kWhite);

    velk_->DrawBox(0, 0, 200, 200, kWhite, 1, 1);
    velk_->DrawPolygon(100, 100, 50, 50, 3, 30, kBlue, 0, 1);
    for (POINT p : {POINT{143, 124}, POINT{56, 125}, POINT{99, 50}}) EXPECT_EQ(P(p.x, p.y), kBlue);
    EXPECT_EQ(P(149, 100), kWhite) << "no vertex at zero degrees";
}

TEST_P(Primitives, FilledPolygonFillsInsideAndLeaksThroughADashedOutline) {
    velk_->DrawPolygon(100, 100, 40, 40, 4, 45, kRed, 1, 1);
    EXPECT_EQ(P(100, 100), kRed);
    EXPECT_EQ(P(120, 100), kRed);
    EXPECT_EQ(P(5, 5), kWhite) << "the solid outline holds the fill";

    velk_->DrawBox(0, 0, 200, 200, kWhite, 1, 1);
    velk_->DSetLineStyle(PS_DASH, 1);
    velk_->DrawPolygon(100, 100, 40, 40, 4, 45, kBlue, 1, 1);
    EXPECT_EQ(P(5, 5), kBlue) << "the fill escapes through the gaps";

    // A centre that already has the colour fills nothing.
    velk_->DSetLineStyle(PS_SOLID, 1);
    velk_->DrawBox(0, 0, 200, 200, kWhite, 1, 1);
    velk_->DrawPixel(100, 100, kGreen, 1);
    velk_->DrawPolygon(100, 100, 40, 40, 4, 45, kGreen, 1, 1);
    EXPECT_EQ(P(110, 100), kWhite);
}

TEST_P(Primitives, CirclesArcsAndPies) {
    velk_->DrawCircle(100, 100, 50, 30, 30, kRed, 1, 1);
    EXPECT_EQ(CountColour(kRed), 0) << "StartR = EndR draws nothing";

    velk_->DrawCircle(100, 100, 50, 0, 720, kRed, 1, 1);
    EXPECT_EQ(P(100, 100), kRed) << "two whole turns: a filled circle";
    EXPECT_EQ(P(55, 100), kRed);
    EXPECT_EQ(P(53, 53), kWhite);

    velk_->DrawBox(0, 0, 200, 200, kWhite, 1, 1);
    velk_->DrawCircle(100, 100, 50, 0, 360, kBlue, 0, 1);
    EXPECT_EQ(P(100, 100), kWhite) << "a whole outline only";
    EXPECT_EQ(P(100, 50), kBlue);
    EXPECT_EQ(P(100, 149), kBlue);

    // Quarter arc from the right-hand point counter-clockwise to the top point.
    velk_->DrawBox(0, 0, 200, 200, kWhite, 1, 1);
    velk_->DrawCircle(100, 100, 50, 0, 90, kRed, 0, 1);
    EXPECT_GT(CountColour(kRed, 100, 50, 151, 101), 50);
    EXPECT_EQ(CountColour(kRed, 0, 0, 99, 200), 0);
    EXPECT_EQ(CountColour(kRed, 0, 102, 200, 200), 0);

    // EndR < StartR still runs counter-clockwise: from 90 round to 0 is three quarters.
    velk_->DrawBox(0, 0, 200, 200, kWhite, 1, 1);
    velk_->DrawCircle(100, 100, 50, 90, 0, kRed, 1, 1);
    EXPECT_EQ(P(70, 130), kRed);
    EXPECT_EQ(P(120, 80), kWhite) << "the upper-right quarter stays out of the pie";
    EXPECT_EQ(P(120, 120), kRed);
}

TEST_P(Primitives, EllipseArcsClosedToTheCentre) {
    velk_->DrawEllipse(100, 100, 60, 30, 10, 5, kRed, 1, 1);
    EXPECT_EQ(CountColour(kRed), 0) << "EndR < StartR draws nothing";

    velk_->DrawEllipse(100, 100, 60, 30, 0, 0, kRed, 1, 1);
    EXPECT_EQ(P(160, 100), kRed) << "a single radius from the point";
    EXPECT_EQ(P(130, 100), kRed);
    EXPECT_EQ(P(100, 100), kWhite) << "the centre is the radius's end pixel";

    velk_->DrawBox(0, 0, 200, 200, kWhite, 1, 1);
    velk_->DrawEllipse(100, 100, 60, 30, 0, 90, kBlue, 1, 1);
    EXPECT_EQ(P(130, 100), kBlue) << "first radius";
    EXPECT_EQ(P(100, 85), kBlue) << "closing radius";
    EXPECT_EQ(P(110, 90), kWhite) << "no fill";
    EXPECT_EQ(P(100, 130), kWhite);
    // The last point stays current: a line from it starts at the arc's top.
    velk_->DrawLineFromLP(10, 70, kGreen, 1);
    EXPECT_EQ(P(100, 70), kGreen);
}

TEST_P(Primitives, FloodFillFillsTheConnectedRegionOfTheStartColour) {
    velk_->DrawBox(20, 20, 60, 60, kRed, 0, 1);
    velk_->DrawFill(50, 50, kBlue, 1);
    EXPECT_EQ(P(50, 50), kBlue);
    EXPECT_EQ(P(21, 21), kBlue);
    EXPECT_EQ(P(20, 20), kRed);
    EXPECT_EQ(P(10, 10), kWhite);
    velk_->DrawFill(50, 50, kBlue, 1);
    EXPECT_EQ(P(21, 78), kBlue) << "the same colour again changes nothing";
}

TEST_P(Primitives, RasterOperationOriginAndMappingModeLastAcrossMembers) {
    // A GDI sprite keeps its context; a surface's fresh contexts get the sprite's
    // state put back, so both modes behave alike.
    velk_->DSetRasterOP(R2_XORPEN, 1);
    velk_->DrawLine(0, 5, 10, 5, kRed, 1);
    EXPECT_EQ(P(3, 5), kWhite ^ kRed);
    velk_->DrawLine(0, 5, 10, 5, kRed, 1);
    EXPECT_EQ(P(3, 5), kWhite);
    velk_->DSetRasterOP(R2_COPYPEN, 1);

    velk_->DSetOrigin(-50, -50, 1);
    velk_->DrawPixel(0, 0, kGreen, 1);
    EXPECT_EQ(P(0, 0), kGreen);
    velk_->DSetOrigin(0, 0, 1);
    EXPECT_EQ(PlatformPixel(1, 50, 50), static_cast<COLORREF>(kGreen)) << "logical (0, 0) landed at (50, 50)";

    velk_->DSetMapMode(MM_LOMETRIC, 1);  // 0.1 mm units, y up
    velk_->DrawBox(0, 0, 100, -100, kBlue, 1, 1);
    velk_->DSetMapMode(MM_TEXT, 1);
    const int blue = CountColour(kBlue);
    EXPECT_GT(blue, 9);
    EXPECT_LT(blue, 100 * 100) << "a 10 mm square is far fewer pixels than 100 x 100";
}

TEST_P(Primitives, PolygonsWithoutSidesDrawNothingAndHugeCountsEnd) {
    // Zero sides divided by zero, and a fill without an outline flooded the sprite.
    for (LONG sides : {0L, -1L, LONG_MIN}) {
        velk_->DrawPolygon(100, 100, 40, 40, sides, 0, kRed, 1, 1);
        EXPECT_EQ(CountColour(kRed), 0) << sides;
    }
    velk_->DrawPolygon(100, 100, 40, 40, LONG_MAX, 0, kRed, 0, 1);
    EXPECT_EQ(P(140, 99), kRed) << "drawn as a fine polygon, in finite time";
    EXPECT_EQ(P(100, 100), kWhite);
}

TEST_P(Primitives, PixelsOutsideReadAsInvalidAndPensAndBrushesAreNotLeaked) {
    EXPECT_EQ(P(200, 0), -1);
    EXPECT_EQ(P(-1, 0), -1);
    EXPECT_EQ(P(0, 200), -1) << "a GDI sprite's mask rows are no pixels of it";
    velk_->DSetOrigin(0, 10, 1);
    EXPECT_EQ(P(0, 210), -1) << "nor through an origin";
    EXPECT_EQ(P(0, 209), kWhite);
    velk_->DSetOrigin(0, 0, 1);
    const ResourceCounts before = CountResources();
    for (int i = 0; i < 1700; ++i) {  // over 10 000 calls
        velk_->DrawPolygon(100, 100, 30, 30, 5, i, kRed, 1, 1);
        velk_->DrawCircle(100, 100, 30, 0, i, kBlue, i & 1, 1);
        velk_->DrawEllipse(100, 100, 30, 20, 0, i, kGreen, 1, 1);
        velk_->DrawRoundBox(10, 10, 50, 50, 8, kRed, i & 1, 1);
        velk_->DrawBox(0, 0, 10, 10, kBlack, 0, 1);
        velk_->DrawFill(5, 5, kBlue, 1);
    }
    ExpectFlat(before, CountResources());
}

TEST_P(Primitives, CurvesOfAbsurdSizesDrawTheirVisiblePartInBoundedTime) {
    // Each row draws red once on the white sprite: red within two pixels of
    // `red`, `white` left white (-1: no such check); `none`: nothing red at all.
    struct Case {
        const char* what;
        void (*draw)(VelkObject*);
        POINT red;
        POINT white;
        bool none;
    };
    const Case cases[] = {
        {"ellipse spanning 2e9 degrees",
         [](VelkObject* v) { v->DrawEllipse(100, 100, 50, 50, 0, 2000000000, kRed, 0, 1); }, {150, 100}, {100, 100}, false},
        {"ellipse over the whole angle range, closed",
         [](VelkObject* v) { v->DrawEllipse(100, 100, 60, 30, LONG_MIN, LONG_MAX, kRed, 1, 1); }, {40, 100}, {100, 90}, false},
        {"ellipse of huge width", [](VelkObject* v) { v->DrawEllipse(100, 100, 2000000000, 0, 0, 180, kRed, 0, 1); },
         {5, 100}, {5, 99}, false},
        {"circle far below", [](VelkObject* v) { v->DrawCircle(186, 10542946, 8837216, 5551451, 4365267, kRed, 1, 1); },
         {-1, -1}, {0, 0}, true},
        {"huge filled circle", [](VelkObject* v) { v->DrawCircle(100, 100, 3000000, 0, 360, kRed, 1, 1); },
         {0, 0}, {-1, -1}, false},
        {"huge arc through the sprite", [](VelkObject* v) { v->DrawCircle(100, 3000100, 3000000, 0, 180, kRed, 0, 1); },
         {100, 100}, {100, 50}, false},
        {"huge pie below the arc", [](VelkObject* v) { v->DrawCircle(100, 3000100, 3000000, 0, 180, kRed, 1, 1); },
         {100, 150}, {100, 50}, false},
        {"huge square round the sprite",
         [](VelkObject* v) { v->DrawPolygon(100, 100, 2000000000, 2000000000, 4, 45, kRed, 0, 1); }, {-1, -1}, {0, 0},
         true},
        {"two-sided polygon of huge width",
         [](VelkObject* v) { v->DrawPolygon(100, 100, 2000000000, 10, 2, 360, kRed, 0, 1); }, {5, 100}, {5, 90}, false},
        {"round box of millions far off",
         [](VelkObject* v) { v->DrawRoundBox(8877802, 4184968, 16601251, 11093435, 11121798, kRed, 1, 1); }, {-1, -1},
         {0, 0}, true},
        {"huge filled round box round the sprite",
         [](VelkObject* v) { v->DrawRoundBox(-3000000, -3000000, 6000000, 6000000, 1000000, kRed, 1, 1); },
         {100, 100}, {-1, -1}, false},
        {"huge round frame through the sprite",
         [](VelkObject* v) { v->DrawRoundBox(100, -3000000, 6000000, 6000100, 200000, kRed, 0, 1); }, {100, 100},
         {150, 100}, false},
        {"round box whose right edge passes the range",
         [](VelkObject* v) { v->DrawRoundBox(2000000000, 0, 2000000000, 200, 10, kRed, 1, 1); }, {-1, -1}, {0, 0},
         true},
        {"box whose right edge passes the range",
         [](VelkObject* v) { v->DrawBox(2000000000, 0, 2000000000, 200, kRed, 1, 1); }, {-1, -1}, {0, 0}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        velk_->DrawBox(0, 0, 200, 200, kWhite, 1, 1);
        c.draw(velk_);
        if (c.red.x >= 0) {
            EXPECT_GT(CountColour(kRed, c.red.x - 2, c.red.y - 2, c.red.x + 3, c.red.y + 3), 0);
        }
        if (c.white.x >= 0) {
            EXPECT_EQ(P(c.white.x, c.white.y), kWhite);
        }
        if (c.none) {
            EXPECT_EQ(CountColour(kRed), 0);
        }
        const velk::SpriteSlot& slot = velk_->SpriteTable[1];
        if (slot.Pixels) {  // a GDI sprite: its mask rows stay opaque
            GdiFlush();
            const uint32_t* mask = slot.Pixels + 200 * 200;
            EXPECT_EQ(std::count(mask, mask + 200 * 200, 0u), 200 * 200);
        }
    }
}
