// Curve arithmetic with the shortened pi: the exact vertices hosts see.
#include <gtest/gtest.h>

#include "graphics/geometry.h"

namespace {

std::vector<std::pair<long, long>> Vertices(long sides, long rotate) {
    std::vector<std::pair<long, long>> points;
    for (long i = 0; i <= sides; ++i) {
        POINT p = velk::PolygonVertex(100, 100, 50, 50, sides, rotate, i);
        points.emplace_back(p.x, p.y);
    }
    return points;
}

}  // namespace

TEST(Geometry, SquareAtRotateZeroAndThreeSixtyHasTheOnePixelShifts) {
    const std::vector<std::pair<long, long>> expected = {{150, 99}, {100, 150}, {50, 100}, {99, 50}, {150, 99}};
    EXPECT_EQ(Vertices(4, 0), expected);
    EXPECT_EQ(Vertices(4, 360), expected);
}

TEST(Geometry, TriangleRotatedThirty) {
    const std::vector<std::pair<long, long>> expected = {{143, 124}, {56, 125}, {99, 50}, {143, 124}};
    EXPECT_EQ(Vertices(3, 30), expected);
}

TEST(Geometry, RadialPointsTruncateTheProductBeforeAddingTheCentre) {
    POINT start = velk::CircleRadialPoint(100, 100, 50, 0);
    POINT end = velk::CircleRadialPoint(100, 100, 50, 90);
    EXPECT_EQ(start.x, 150);
    EXPECT_EQ(start.y, 100);
    EXPECT_EQ(end.x, 100);
    EXPECT_EQ(end.y, 50);
    // 180 degrees: cos is -1 exactly enough, sin a hair above 0 gives -0 -> 0.
    POINT left = velk::CircleRadialPoint(100, 100, 50, 180);
    EXPECT_EQ(left.x, 50);
    EXPECT_EQ(left.y, 100);
}

TEST(Geometry, EllipsePointsTruncateTheSumAndRunCounterClockwise) {
    POINT right = velk::EllipsePoint(100, 100, 40, 20, 0);
    POINT top = velk::EllipsePoint(100, 100, 40, 20, 90);
    EXPECT_EQ(right.x, 140);
    EXPECT_EQ(right.y, 100);
    EXPECT_EQ(top.x, 100);
    EXPECT_EQ(top.y, 80);
    // Negative coordinates truncate toward zero.
    POINT far_left = velk::EllipsePoint(-10, 0, 5, 5, 179);  // -14.999...
    EXPECT_EQ(far_left.x, -14);
}

TEST(Geometry, WholeTurns) {
    EXPECT_TRUE(velk::IsWholeTurn(0, 360));
    EXPECT_TRUE(velk::IsWholeTurn(0, 720));
    EXPECT_TRUE(velk::IsWholeTurn(90, -270));
    EXPECT_FALSE(velk::IsWholeTurn(10, 10));
    EXPECT_FALSE(velk::IsWholeTurn(0, 90));
    EXPECT_FALSE(velk::IsWholeTurn(-2147483647 - 1, 2147483647)) << "the span does not overflow";
}

TEST(Geometry, SideCountsAndFarPointsStayDefined) {
    const std::pair<long, long> sides[] = {{-5, 0}, {0, 0}, {1, 1}, {65536, 65536}, {2147483647, 65536}};
    for (auto [given, drawn] : sides) EXPECT_EQ(velk::PolygonSidesDrawn(given), drawn) << given;
    // Points beyond the coordinate range are pinned to it instead of wrapping.
    EXPECT_EQ(velk::PolygonVertex(2147483647, 0, 2147483647, 1, 4, 0, 0).x, 2147483647);
    EXPECT_EQ(velk::EllipsePoint(-2147483647 - 1, 0, 2147483647, 1, 180).x, -2147483647 - 1);
    EXPECT_EQ(velk::CircleRadialPoint(2147483647, 0, 100, 0).x, 2147483647);
}
