#include "raster/DibGeometry.h"
#include "raster/DynamicArray.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace kolvar;

namespace {

std::vector<TPoint> Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t right,
                         int32_t bottom) {
    std::vector<TPoint> out;
    BresenhamLine(
        x1, y1, x2, y2,
        [&out](int32_t x, int32_t y) {
            out.push_back({x, y});
        },
        right, bottom);
    return out;
}

} // namespace

TEST(DibGeometry, AngleAroundQuadrants) {
    EXPECT_DOUBLE_EQ(AngleAround(5, 5, 15, 5), 2 * M_PI);     // right
    EXPECT_DOUBLE_EQ(AngleAround(5, 5, 5, -5), M_PI / 2);     // above
    EXPECT_DOUBLE_EQ(AngleAround(5, 5, -5, 5), M_PI);         // left
    EXPECT_DOUBLE_EQ(AngleAround(5, 5, 5, 15), 3 * M_PI / 2); // below
    EXPECT_NEAR(AngleAround(0, 0, 1, -1), M_PI / 4, 1e-12);
    EXPECT_NEAR(AngleAround(0, 0, -1, -1), 3 * M_PI / 4, 1e-12);
    EXPECT_NEAR(AngleAround(0, 0, -1, 1), 5 * M_PI / 4, 1e-12);
    EXPECT_NEAR(AngleAround(0, 0, 1, 1), 7 * M_PI / 4, 1e-12);

    EXPECT_DOUBLE_EQ(PointLineDistance({3, 4}, {0, 0}, {10, 0}), 4);
    EXPECT_DOUBLE_EQ(PointLineDistance({3, 4}, {0, 0}, {0, 0}), 4); // zero direction: +x
    EXPECT_EQ(VecNormalize({0, 0}), (TPoint2D{0, 0}));
    EXPECT_EQ(RotatePoint(10, 0, 0, 0, 0, -1, 0, 0), (TPoint{0, 10}));
    EXPECT_EQ(RotatePoint(1.9, -1.9, 0, 0, 1, 0, 0, 0), (TPoint{1, -1})); // truncated
}

TEST(DibGeometry, MatricesAndPointTransforms) {
    // Expected values rounded through float storage, which no optimiser may skip.
    const double a = 0.3;
    const volatile float cosF = float(std::cos(a));
    const volatile float sinF = float(std::sin(a));
    const TTransformMatrix z = RotationZ(a);
    EXPECT_EQ(z.m[0][0], double(cosF));
    EXPECT_EQ(z.m[0][1], -double(sinF));
    EXPECT_EQ(z.m[1][0], double(sinF));
    EXPECT_EQ(RotationX(a).m[1][2], -double(sinF));
    EXPECT_EQ(RotationY(a).m[2][0], -double(sinF));

    // Row vectors: (1, 0) turns to (cos, -sin), the screen's counter-clockwise.
    const TPoint2D p = TransformPoint2D(RotationZ(M_PI / 2), {1, 0});
    EXPECT_NEAR(p.X, 0, 1e-7);
    EXPECT_NEAR(p.Y, -1, 1e-7);

    // The left matrix applies first: scale, then move.
    const TTransformMatrix sm = MultiplyMatrix(ScaleMatrix(2, 3, 1), TranslationMatrix(10, 20, 0));
    EXPECT_EQ(TransformPoint2D(sm, {1, 1}), (TPoint2D{12, 23}));
    const TTransformMatrix ms = MultiplyMatrix(TranslationMatrix(10, 20, 0), ScaleMatrix(2, 3, 1));
    EXPECT_EQ(TransformPoint2D(ms, {1, 1}), (TPoint2D{22, 63}));
    const TTransformMatrix xyz = RotationXYZ(0.1, 0.2, 0.3);
    const TTransformMatrix manual =
        MultiplyMatrix(MultiplyMatrix(RotationX(0.1), RotationY(0.2)), RotationZ(0.3));
    EXPECT_EQ(std::memcmp(&xyz, &manual, sizeof xyz), 0);

    // Integer points truncate; double points round to nearest.
    const TTransformMatrix half = ScaleMatrix(0.5, -0.5, 1);
    EXPECT_EQ(TransformPoint(half, {5, 5}), (TPoint{2, -2}));
    EXPECT_EQ(RoundPoint({2.5, -3.5}), (TPoint{2, -4}));

    TPoints2D d;
    d.Add(5, 5);
    d.Add(1, 3);
    const TPoints rounded(d, half);
    EXPECT_EQ(rounded.Get(0), (TPoint{2, -2})); // 2.5 and -2.5 to even
    EXPECT_EQ(rounded.Get(1), (TPoint{0, -2}));
    TPoints ints;
    ints.Add(5, 5);
    ints.Transform(half);
    EXPECT_EQ(ints.Get(0), (TPoint{2, -2}));
    const TPoints2D back(ints, TranslationMatrix(0.25, 0, 0));
    EXPECT_EQ(back.Get(0), (TPoint2D{2.25, -2}));
    d.Transform(TranslationMatrix(1, 1, 0));
    EXPECT_EQ(d.Get(1), (TPoint2D{2, 4}));
}

TEST(DibGeometry, BoundsAndBoxes) {
    const TPoint pts[] = {{3, -1}, {-4, 7}, {0, 2}, {100, 100}};
    EXPECT_EQ(PointsBounds(pts, 3), (TRect{-4, -1, 3, 7}));
    EXPECT_EQ(PointsBounds(pts, 0), (TRect{2147483647, 2147483647, -2147483647, -2147483647}));
    const int32_t counts[] = {1, 2};
    EXPECT_EQ(PolyPointsBounds(pts, counts, 2), (TRect{-4, -1, 3, 7}));

    // Container form: counts claiming more points than exist are cut short.
    TPoints list;
    for (const TPoint& p : pts) list.Add(p);
    TIntegerArray claims;
    claims.Add(2);
    claims.Add(50);
    EXPECT_EQ(PolyPointsBounds(list, claims), (TRect{-4, -1, 100, 100}));

    EXPECT_EQ(NormalizeRect({10, 10, 0, 0}), (TRect{0, 0, 10, 10}));
    const TBox2D box = MakeBox2D(2, 5, -1, 1);
    EXPECT_EQ(box, (TBox2D{-1, 1, 2, 5}));
    EXPECT_TRUE(PointInBox2D(box, {2, 5}));
    EXPECT_FALSE(PointInBox2D(box, {2.0001, 5}));
    const TPoint2D dpts[] = {{0.5, -0.5}, {-1.5, 2}};
    EXPECT_EQ(Points2DBounds(dpts, 2), (TBox2D{-1.5, -0.5, 0.5, 2}));
    EXPECT_TRUE(SamePoint2D({1, 2}, {1, 2}));
    EXPECT_FALSE(SamePoint2D({1, 2}, {1, 2.0000001}));
    EXPECT_EQ(RotatedSize(100, 50, 0, 1), (TPoint{50, 100}));
    EXPECT_EQ(RotatedSize(10, 10, std::cos(M_PI / 4), std::sin(M_PI / 4)), (TPoint{14, 14}));
}

TEST(DibGeometry, HitTesting) {
    const TPoint tri[] = {{0, 0}, {20, 0}, {20, 20}};
    EXPECT_EQ(FindVertex(22, 2, tri, 3), 1);
    EXPECT_EQ(FindVertex(23, 0, tri, 3), -1);

    EXPECT_EQ(FindSegment(10, 2, tri, false, 3), 0);
    EXPECT_EQ(FindSegment(18, 10, tri, false, 3), 1);
    EXPECT_EQ(FindSegment(10, 10, tri, false, 3), -1); // only the closing diagonal
    EXPECT_EQ(FindSegment(10, 10, tri, true, 3), 2);
    EXPECT_EQ(FindSegment(10, 3, tri, false, 3), -1);

    // Axis-parallel segments check the span along their own axis only.
    EXPECT_TRUE(PointOnSegment(2.5, {0, 0}, {10, 0}, {10, 2}));
    EXPECT_FALSE(PointOnSegment(2.5, {0, 0}, {10, 0}, {11, 0}));
    EXPECT_FALSE(PointOnSegment(2.5, {4, 4}, {4, 4}, {4, 4}));
    // A zero-length segment must not divide by zero.
    EXPECT_TRUE(PointNearLine(2.5, {4, 4}, {4, 4}, {6, 2}));
    EXPECT_FALSE(PointNearLine(2.5, {4, 4}, {4, 4}, {7, 4}));
    EXPECT_TRUE(PointNearLine(1, {INT32_MIN, 0}, {INT32_MAX, 0}, {0, 0}));

    const TPoint twoRings[] = {{0, 0}, {20, 0}, {20, 20}, {0, 20},
                               {5, 5}, {15, 5}, {15, 15}, {5, 15}};
    const int32_t counts[] = {4, 4};
    EXPECT_EQ(FindPolySegment(10, 15, twoRings, counts, 2), 2); // third edge of the hole
    EXPECT_EQ(FindPolySegment(0, 10, twoRings, counts, 2), 3);  // outer ring's closing edge
    EXPECT_EQ(FindPolySegment(10, 10, twoRings, counts, 2), -1);
}

TEST(DibGeometry, PointInPolygonEvenOdd) {
    const TPoint square[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    EXPECT_TRUE(PointInPolygon(5, 5, square, 4));
    EXPECT_FALSE(PointInPolygon(15, 5, square, 4));
    EXPECT_FALSE(PointInPolygon(5, -1, square, 4));
    EXPECT_FALSE(PointInPolygon(5, 5, square, 2)); // two points enclose nothing

    // A concave "U": the notch is outside.
    const TPoint u[] = {{0, 0}, {3, 0}, {3, 7}, {6, 7}, {6, 0}, {9, 0}, {9, 10}, {0, 10}};
    EXPECT_TRUE(PointInPolygon(1, 5, u, 8));
    EXPECT_FALSE(PointInPolygon(4, 5, u, 8));
    EXPECT_TRUE(PointInPolygon(4, 8, u, 8));

    // Coordinates near the 32-bit limits: the cross products need more than 64 bits.
    const TPoint huge[] = {{-2000000000, -2000000000}, {2000000000, -2000000000}, {0, 2000000000}};
    EXPECT_TRUE(PointInPolygon(0, 0, huge, 3));
    EXPECT_FALSE(PointInPolygon(1999999999, 1999999999, huge, 3));

    const TPoint rings[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {3, 3}, {7, 3}, {7, 7}, {3, 7}};
    const int32_t counts[] = {4, 4};
    EXPECT_TRUE(PointInPolyPolygon(1, 1, rings, counts, 2));
    EXPECT_FALSE(PointInPolyPolygon(5, 5, rings, counts, 2)); // the hole
    TPoints list;
    for (const TPoint& p : rings) list.Add(p);
    TIntegerArray tooMany;
    tooMany.Add(4);
    tooMany.Add(400);
    EXPECT_FALSE(PointInPolyPolygon(5, 5, list, tooMany));
}

TEST(DibGeometry, ClipLineAndBresenham) {
    const TRect r{0, 0, 9, 9};
    int32_t x1 = 3, y1 = 4, x2 = 3, y2 = 4;
    EXPECT_TRUE(ClipLine(x1, y1, x2, y2, r));
    x1 = x2 = 12;
    EXPECT_FALSE(ClipLine(x1, y1, x2, y2, r));
    x1 = x2 = 9; // a dot on the last column is kept like any other segment ending there
    EXPECT_TRUE(ClipLine(x1, y1, x2, y2, r));

    x1 = -10, y1 = 5, x2 = 20, y2 = 5;
    ASSERT_TRUE(ClipLine(x1, y1, x2, y2, r));
    EXPECT_EQ((std::vector<int32_t>{x1, y1, x2, y2}), (std::vector<int32_t>{0, 5, 9, 5}));
    x1 = -5, y1 = -5, x2 = 15, y2 = 15;
    ASSERT_TRUE(ClipLine(x1, y1, x2, y2, r));
    EXPECT_EQ((std::vector<int32_t>{x1, y1, x2, y2}), (std::vector<int32_t>{0, 0, 9, 9}));
    x1 = -5, y1 = 12, x2 = 15, y2 = 12; // parallel, below
    EXPECT_FALSE(ClipLine(x1, y1, x2, y2, r));
    x1 = 20, y1 = 0, x2 = 30, y2 = 9;
    EXPECT_FALSE(ClipLine(x1, y1, x2, y2, r));

    const auto h = Line(0, 0, 9, 0, 9, 9);
    ASSERT_EQ(h.size(), 10u);
    EXPECT_EQ(h.front(), (TPoint{0, 0}));
    EXPECT_EQ(h.back(), (TPoint{9, 0}));
    EXPECT_EQ(Line(4, 4, 4, 4, 9, 9).size(), 1u);

    // Every line is 8-connected, covers both ends, stays inside, and does not depend on the
    // order of its ends.
    for (int32_t x2 = -3; x2 <= 12; ++x2) {
        for (int32_t y2 = -3; y2 <= 12; ++y2) {
            const auto pts = Line(5, 5, x2, y2, 9, 9);
            const auto rev = Line(x2, y2, 5, 5, 9, 9);
            ASSERT_FALSE(pts.empty());
            EXPECT_EQ(pts.size(), rev.size());
            for (size_t i = 0; i < pts.size(); ++i) {
                EXPECT_TRUE(pts[i].X >= 0 && pts[i].X <= 9 && pts[i].Y >= 0 && pts[i].Y <= 9);
                if (i > 0) {
                    EXPECT_LE(std::abs(pts[i].X - pts[i - 1].X), 1);
                    EXPECT_LE(std::abs(pts[i].Y - pts[i - 1].Y), 1);
                }
            }
            if (x2 >= 0 && x2 <= 9 && y2 >= 0 && y2 <= 9) {
                const TPoint end{x2, y2};
                EXPECT_TRUE(pts.front() == end || pts.back() == end) << x2 << "," << y2;
            }
        }
    }
    // The early minor-axis step: from (0, 0) to (4, 1) y moves after the first pixel.
    EXPECT_EQ(Line(0, 0, 4, 1, 9, 9)[1], (TPoint{1, 1}));
}

TEST(DibGeometry, CurvesAndRegularShapes) {
    TPoints2D poly;
    RegularPolygon(4, poly);
    ASSERT_EQ(poly.Count(), 4);
    EXPECT_NEAR(poly.Get(0).X, std::sqrt(0.5), 1e-12);
    EXPECT_NEAR(poly.Get(0).Y, -std::sqrt(0.5), 1e-12);
    RegularPolygon(5, poly);
    ASSERT_EQ(poly.Count(), 5);
    EXPECT_NEAR(poly.Get(0).X, 0, 1e-12);
    EXPECT_NEAR(poly.Get(0).Y, -1, 1e-12);
    RegularPolygon(6, poly); // even, not a multiple of 4: flat top, first vertex at +x
    EXPECT_NEAR(poly.Get(0).X, 1, 1e-12);
    EXPECT_NEAR(poly.Get(1).Y, poly.Get(2).Y, 1e-12);
    RegularPolygon(1, poly);
    EXPECT_EQ(poly.Count(), 3);

    StarPolygon(5, poly);
    ASSERT_EQ(poly.Count(), 10);
    EXPECT_NEAR(poly.Get(0).Y, -1, 1e-12);
    for (int i = 0; i < 10; ++i) EXPECT_NEAR(VecLength(poly.Get(i)), i % 2 ? 0.25 : 1, 1e-12) << i;

    EXPECT_EQ(BSplineValue(1, 2, 3, 4, 0), 2);
    EXPECT_EQ(BSplineValue(1, 2, 3, 4, 1), 3);

    const TPoint ctrl[] = {{0, 0}, {30, 60}, {60, 0}, {90, 60}, {120, 0}};
    TPoints curve;
    curve.Add(-1, -1); // the curve is appended
    BSplineCurve(ctrl, 5, curve, 5);
    ASSERT_EQ(curve.Count(), 1 + 4 * 6);
    // The mirrored phantom ends make the curve start and end on the end points.
    EXPECT_EQ(curve.Get(1), (TPoint{0, 0}));
    EXPECT_EQ(curve.Get(curve.Count() - 1), (TPoint{120, 0}));
    // Consecutive segments meet.
    EXPECT_EQ(curve.Get(6), curve.Get(7));

    TPoints none;
    BSplineCurve(ctrl, 3, none, 5);
    BSplineCurve(ctrl, 5, none, 0);
    EXPECT_EQ(none.Count(), 0);
}
