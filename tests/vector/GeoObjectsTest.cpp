#include "vector/GeoObjects.h"

#include "raster/DibContainer.h"
#include "raster/DibGraphics.h"
#include "vector/DesignerCanvas.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <initializer_list>

using namespace kolvar;

namespace {

const TTransformMatrix kIdentity = IdentityMatrix();

TPoints2D PointList(std::initializer_list<TPoint2D> points) {
    TPoints2D list;
    for (const TPoint2D& p : points) list.Add(p);
    return list;
}

void ExpectNear(const TPoint2D& p, double x, double y, double tol = 1e-9) {
    EXPECT_NEAR(p.X, x, tol);
    EXPECT_NEAR(p.Y, y, tol);
}

// Cross product of the frame's axes: positive for an unmirrored frame on a y-down screen.
double Handedness(const TBounds& b) {
    const TPoint2D x = VecSub(b.XAxisPoint, b.Center);
    const TPoint2D y = VecSub(b.YAxisPoint, b.Center);
    return x.X * y.Y - x.Y * y.X;
}

THitResult Hit(const TGeoBase& o, int32_t x, int32_t y, const TTransformMatrix& m = kIdentity) {
    THitResult h;
    o.HitTest(x, y, h, m);
    return h;
}

// A frame around a hole whose half size is key point 0's x, slid along 0..1.
TShapeDef FrameShape() {
    TShapeDef def;
    def.LoadFromStrings(
        {"Key:0.5:0:0:0:1:0:rmLine:", "Polygon:", "Point:cmValue:-1:cmValue:-1:",
         "Point:cmValue:1:cmValue:-1:", "Point:cmValue:1:cmValue:1:", "Point:cmValue:-1:cmValue:1:",
         "/Polygon:", "Polygon:", "Point:cmExpr:-KeyX(0):cmExpr:-KeyX(0):",
         "Point:cmExpr:KeyX(0):cmExpr:-KeyX(0):", "Point:cmExpr:KeyX(0):cmExpr:KeyX(0):",
         "Point:cmExpr:-KeyX(0):cmExpr:KeyX(0):", "/Polygon:"});
    return def;
}

TDibContainer Patterned(int32_t w, int32_t h) {
    TDibContainer d(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            d.SetPixel(x, y, TDibColor{uint8_t(x * 7), uint8_t(y * 5), uint8_t(x ^ y)});
    return d;
}

bool Inverted(const TDibContainer& now, const TDibContainer& before, int32_t x, int32_t y) {
    const TDibColor a = now.GetPixel(x, y);
    const TDibColor b = before.GetPixel(x, y);
    return a.Blue == uint8_t(~b.Blue) && a.Green == uint8_t(~b.Green) && a.Red == uint8_t(~b.Red);
}

} // namespace

TEST(Bounds, FramesFromCorners) {
    TBounds line;
    line.SetCorners(10, 20, 10, 40);
    EXPECT_EQ(line.HalfWidth, 1e-6);
    EXPECT_NEAR(line.HalfHeight, 10, 1e-12);
    ExpectNear(line.Center, 10, 30);
    // A box without width still runs from its top corner to its bottom one.
    ExpectNear(line.YAxisPoint, 10, 40, 1e-6);
    TPoint h[8];
    line.GetHandles(h);
    EXPECT_EQ(h[2], (TPoint{10, 40}));
    EXPECT_EQ(h[6], (TPoint{10, 20}));

    TBounds b;
    b.SetCorners(40, 20, 0, 0);
    EXPECT_NEAR(b.Angle, 2 * M_PI, 1e-12);
    ExpectNear(b.XAxisPoint, 40, 10);
    ExpectNear(b.YAxisPoint, 20, 20);
    const TTransformMatrix round = MultiplyMatrix(b.GetMatrix(), b.GetInverseMatrix());
    ExpectNear(TransformPoint2D(round, {7, -3}), 7, -3);
    ExpectNear(TransformPoint2D(b.GetMatrix(), {-1, -1}), 0, 0);

    // Created from corners given right to left, the box keeps the signs and mirrors.
    const TBounds created(40, 20, 0, 0);
    EXPECT_EQ(created.Angle, 0);
    EXPECT_NEAR(created.HalfWidth, -20, 1e-12);
    EXPECT_NEAR(created.HalfHeight, -10, 1e-12);
    ExpectNear(TransformPoint2D(created.GetMatrix(), {1, 1}), 0, 0);
    const TBounds point(5, 5, 5, 5);
    EXPECT_EQ(point.HalfWidth, 1e-6);
    EXPECT_EQ(point.HalfHeight, 1e-6);

    // Five handles are truncated, the lower, left and upper middles rounded.
    b.SetCorners(0.6, 0.6, 10.6, 20.6);
    b.GetHandles(h);
    EXPECT_EQ(h[0], (TPoint{10, 10}));
    EXPECT_EQ(h[1], (TPoint{10, 20}));
    EXPECT_EQ(h[2], (TPoint{6, 21}));
    EXPECT_EQ(h[4], (TPoint{1, 11}));
    EXPECT_EQ(h[6], (TPoint{6, 1}));

    // No points leave the frame where it was.
    b.SetFromPoints(TPoints2D());
    ExpectNear(b.Center, 5.6, 10.6);
    b.SetFromPoints(PointList({{3, 9}, {-1, 4}, {7, 5}}));
    ExpectNear(b.Center, 3, 6.5);
    EXPECT_NEAR(b.HalfWidth, 4, 1e-12);
}

TEST(Bounds, TransformKeepsTheFrameRectangularAndUnmirrored) {
    TBounds b;
    b.SetCorners(0, 0, 40, 20);
    const TTransformMatrix quarter =
        MultiplyMatrix(MultiplyMatrix(TranslationMatrix(-20, -10, 0), RotationZ(M_PI / 2)),
                       TranslationMatrix(20, 10, 0));
    b.Transform(quarter);
    EXPECT_NEAR(b.Angle, M_PI / 2, 1e-7);
    ExpectNear(b.XAxisPoint, 20, -10, 1e-6);
    ExpectNear(b.YAxisPoint, 30, 10, 1e-6);
    TPoint h[8];
    b.GetHandles(h);
    const TPoint expected[8] = {{20, -10}, {30, -10}, {30, 10}, {30, 30},
                                {20, 30},  {10, 30},  {10, 10}, {10, -10}};
    for (int i = 0; i < 8; ++i) {
        // The truncated handles may sit one pixel short of the exact corner.
        EXPECT_LE(std::abs(h[i].X - expected[i].X), 1) << i;
        EXPECT_LE(std::abs(h[i].Y - expected[i].Y), 1) << i;
    }
    EXPECT_EQ(h[2], expected[2]);
    EXPECT_EQ(h[4], expected[4]);
    EXPECT_EQ(h[6], expected[6]);

    b.SetCorners(0, 0, 40, 20);
    b.Transform(ScaleMatrix(-1, 1, 1));
    EXPECT_GT(Handedness(b), 0);
    ExpectNear(b.Center, -20, 10);
    ExpectNear(b.XAxisPoint, -40, 10, 1e-6);
    ExpectNear(b.YAxisPoint, -20, 0, 1e-6);
    EXPECT_NEAR(b.HalfWidth, 20, 1e-9);
    EXPECT_NEAR(b.HalfHeight, 10, 1e-9);

    TTransformMatrix shear = IdentityMatrix();
    shear.m[1][0] = 0.5;
    b.SetCorners(0, 0, 40, 20);
    b.Transform(shear);
    const TPoint2D x = VecSub(b.XAxisPoint, b.Center);
    const TPoint2D y = VecSub(b.YAxisPoint, b.Center);
    EXPECT_NEAR(VecDot(x, y), 0, 1e-6);
    EXPECT_GT(Handedness(b), 0);
}

TEST(GeoObjects, LinesAndPolygonsHitVerticesThenEdgesThenTheirInside) {
    const TPoints2D square = PointList({{10, 10}, {50, 10}, {50, 50}, {10, 50}});
    TGeoLine line(&square, nullptr, 0, 0, 0, 0);
    TGeoPolygon polygon(&square, nullptr, 0, 0, 0, 0);
    TGeoBase base(&square, nullptr, 0, 0, 0, 0);
    EXPECT_FALSE(line.Closed());
    EXPECT_TRUE(polygon.Closed());

    EXPECT_EQ(Hit(polygon, 10, 10), (THitResult{hkVertex, 0}));
    EXPECT_EQ(Hit(polygon, 52, 48), (THitResult{hkVertex, 2}));
    EXPECT_EQ(Hit(polygon, 30, 12), (THitResult{hkEdge, 0}));
    EXPECT_EQ(Hit(polygon, 9, 30), (THitResult{hkEdge, 3}));
    EXPECT_EQ(Hit(line, 9, 30), THitResult{});
    EXPECT_EQ(Hit(polygon, 30, 30), (THitResult{hkInside, -1}));
    EXPECT_EQ(Hit(line, 30, 30), THitResult{});
    EXPECT_EQ(Hit(base, 10, 10), THitResult{});
    EXPECT_EQ(Hit(polygon, 130, 30, TranslationMatrix(100, 0, 0)), (THitResult{hkInside, -1}));

    polygon.Brush().SetStyle(dbClear);
    EXPECT_EQ(Hit(polygon, 30, 30), THitResult{});
    EXPECT_EQ(Hit(polygon, 30, 12), (THitResult{hkEdge, 0}));
    TDibBrush solid;
    polygon.SetBrush(solid);
    EXPECT_EQ(Hit(polygon, 30, 30), (THitResult{hkInside, -1}));
    polygon.SetClosed(false);
    EXPECT_EQ(Hit(polygon, 30, 30), THitResult{});
}

TEST(GeoObjects, PointsBoundsAndTransforms) {
    TGeoPolygon polygon(nullptr, nullptr, 0, 0, 0, 0);
    polygon.SetPoints(PointList({{10, 20}, {30, 20}, {20, 60}}));
    ExpectNear(polygon.Bounds().Center, 20, 40);
    EXPECT_NEAR(polygon.Bounds().HalfHeight, 20, 1e-12);

    polygon.SetPoint(3, {0, 0});
    polygon.SetPoint(-1, {0, 0});
    EXPECT_EQ(polygon.Points().Count(), 3);
    polygon.SetPoint(2, {20, 80});
    ExpectNear(polygon.Points().Get(2), 20, 80);

    polygon.Transform(TranslationMatrix(5, -5, 0));
    ExpectNear(polygon.Points().Get(0), 15, 15);
    ExpectNear(polygon.Bounds().Center, 25, 35);

    TPoints moved;
    polygon.BuildMovedPointOutline(1, {1.4, 2.6}, moved);
    EXPECT_EQ(moved.Get(1), (TPoint{1, 3}));
    EXPECT_EQ(moved.Get(0), (TPoint{15, 15}));
    EXPECT_TRUE(polygon.InsideRect(TRect{0, 0, 40, 80}, false, kIdentity));
    EXPECT_FALSE(polygon.InsideRect(TRect{0, 0, 20, 20}, false, kIdentity));
    EXPECT_TRUE(polygon.InsideRect(TRect{0, 0, 20, 20}, true, kIdentity));

    // The local frame turns and moves but does not scale.
    polygon.Bounds().SetFrame({0, 0}, {0, -3}, {8, 0});
    ExpectNear(TransformPoint2D(polygon.GetLocalToWorld(), {1, 0}), 0, -1, 1e-7);
    ExpectNear(TransformPoint2D(polygon.GetWorldToLocal(), {0, -1}), 1, 0, 1e-7);
}

TEST(GeoObjects, ShapeOutlineFollowsItsDefinitionAndKeyPoints) {
    const TShapeDef frame = FrameShape();
    TGeoShape shape(nullptr, &frame, 0, 0, 100, 100);
    ASSERT_EQ(shape.Points().Count(), 1);
    ExpectNear(shape.Points().Get(0), 75, 50);
    ASSERT_EQ(shape.GetOutline().Count(), 8);
    ExpectNear(shape.GetOutline().Get(4), 25, 25);
    ExpectNear(shape.GetOutline().Get(6), 75, 75);

    EXPECT_EQ(Hit(shape, 76, 51), (THitResult{hkVertex, 0}));
    EXPECT_EQ(Hit(shape, 50, 76), (THitResult{hkEdge, 2}));
    EXPECT_EQ(Hit(shape, 50, 1), (THitResult{hkEdge, 0}));
    EXPECT_EQ(Hit(shape, 10, 50), (THitResult{hkInside, -1}));
    EXPECT_EQ(Hit(shape, 50, 50), THitResult{});

    // A dragged key point is held to its line.
    shape.SetPoint(0, {140, 50});
    ExpectNear(shape.GetOutline().Get(6), 100, 100);
    shape.SetPoint(0, {90, 70});
    ExpectNear(shape.GetOutline().Get(6), 90, 90);

    shape.Transform(TranslationMatrix(10, 0, 0));
    ExpectNear(shape.GetOutline().Get(0), 10, 0);
    ExpectNear(shape.GetOutline().Get(6), 100, 90);

    // A new definition puts the key points back at their default places.
    shape.SetShapeDef(DefaultShapeDef());
    EXPECT_EQ(shape.Points().Count(), 0);
    EXPECT_EQ(shape.GetOutline().Count(), 4);
    shape.SetShapeDef(frame);
    ASSERT_EQ(shape.Points().Count(), 1);
    ExpectNear(shape.Points().Get(0), 85, 50);

    TShapeDef broken;
    broken.LoadFromStrings({"Polygon:", "Point:cmExpr:1+:cmValue:0:", "/Polygon:"});
    EXPECT_NO_THROW(shape.SetShapeDef(broken));
    EXPECT_EQ(shape.GetOutline().Count(), 0);
    TPoints pts;
    EXPECT_NO_THROW(shape.BuildOutline(shape.Points(), shape.Bounds(), pts));
    EXPECT_EQ(pts.Count(), 0);
}

TEST(GeoObjects, ListBoundsCoverEveryOutline) {
    const TPoints2D a = PointList({{10, 10}, {20, 30}});
    const TPoints2D b = PointList({{-5, 15}, {0, 40}});
    TGeoLine first(&a, nullptr, 0, 0, 0, 0);
    TGeoLine second(&b, nullptr, 0, 0, 0, 0);
    TGeoLine empty(nullptr, nullptr, 0, 0, 0, 0);
    TGeoBaseList list;
    EXPECT_EQ(list.Add(&first), 0);
    EXPECT_EQ(list.Add(&second), 1);
    ExpectNear(list.Bounds().Center, 7.5, 25);
    EXPECT_NEAR(list.Bounds().HalfWidth, 12.5, 1e-12);

    list.Delete(0);
    list.Delete(5);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.IndexOf(&second), 0);
    EXPECT_EQ(list.IndexOf(&first), -1);
    EXPECT_EQ(list.Get(1), nullptr);
    ExpectNear(list.Bounds().Center, -2.5, 27.5);

    list.Clear();
    list.Add(&empty);
    ExpectNear(list.Bounds().Center, 0, 0);
    list.Bounds().SetCorners(1, 2, 3, 4);
    list.UpdateBounds();
    ExpectNear(list.Bounds().Center, 2, 3);
}

TEST(DesignerCanvas, InvertingFiguresRestoreWhenDrawnTwice) {
    const TDibContainer before = Patterned(60, 40);
    TDibContainer view(before);
    TDibDesignerCanvas canvas(view);
    canvas.SetPenMode(TCanvasPenMode::NotXor);

    const TPoints2D square = PointList({{10, 10}, {30, 10}, {30, 30}, {10, 30}});
    TGeoPolygon polygon(&square, nullptr, 0, 0, 0, 0);
    polygon.DrawOutline(canvas, kIdentity);
    // Each corner is inverted once although two edges meet there.
    EXPECT_TRUE(Inverted(view, before, 10, 10));
    EXPECT_TRUE(Inverted(view, before, 30, 30));
    EXPECT_TRUE(Inverted(view, before, 20, 10));
    EXPECT_TRUE(Inverted(view, before, 10, 20));
    EXPECT_FALSE(Inverted(view, before, 20, 20));
    polygon.DrawOutline(canvas, kIdentity);
    EXPECT_TRUE(view.SameImage(before));

    canvas.SetPenStyle(TCanvasPenStyle::Dot);
    canvas.Line(0, 5, 10, 5);
    EXPECT_TRUE(Inverted(view, before, 0, 5));
    EXPECT_FALSE(Inverted(view, before, 1, 5));
    EXPECT_TRUE(Inverted(view, before, 8, 5));
    EXPECT_FALSE(Inverted(view, before, 10, 5));
    canvas.Line(0, 5, 10, 5);

    // Figures that leave the buffer, by a little or by far.
    const auto start = std::chrono::steady_clock::now();
    canvas.SetPenStyle(TCanvasPenStyle::Solid);
    for (int pass = 0; pass < 2; ++pass) {
        canvas.Line(-2000000000, -1000000000, 2000000000, 1000000000);
        canvas.Line(50, 30, 90, 70);
        canvas.Rectangle(55, 35, 65, 45);
        canvas.Ellipse(-4, -4, 4, 4);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_TRUE(view.SameImage(before));

    canvas.Rectangle(5, 5, 2, 1);
    EXPECT_TRUE(Inverted(view, before, 2, 1));
    EXPECT_TRUE(Inverted(view, before, 4, 4));
    EXPECT_FALSE(Inverted(view, before, 5, 4));
    canvas.Ellipse(10, 10, 18, 18);
    EXPECT_TRUE(Inverted(view, before, 14, 14));
    EXPECT_FALSE(Inverted(view, before, 10, 10));
    EXPECT_TRUE(Inverted(view, before, 10, 13));

    // Copy mode paints the pen colour.
    canvas.SetPenMode(TCanvasPenMode::Copy);
    canvas.SetPenColor(clDibRed);
    canvas.Line(0, 39, 3, 39);
    EXPECT_EQ(view.GetPixel(2, 39), clDibRed);
    EXPECT_NE(view.GetPixel(3, 39), clDibRed);
}

TEST(GeoObjects, RenderPaintsWithTheObjectsOwnPenAndBrush) {
    TDibContainer image(40, 40);
    image.Clear(clDibBlack);
    const TPoints2D square = PointList({{5, 5}, {30, 5}, {30, 30}, {5, 30}});
    TGeoPolygon polygon(&square, nullptr, 0, 0, 0, 0);
    polygon.Brush().SetColor(clDibGreen);
    polygon.Pen().SetColor(clDibRed);
    polygon.Render(image, kIdentity);
    EXPECT_EQ(image.GetPixel(15, 15), clDibGreen);
    EXPECT_EQ(image.GetPixel(5, 15), clDibRed);
    EXPECT_EQ(image.GetPixel(35, 35), clDibBlack);

    // An open line leaves out its closing edge; the base object and the clear objects paint
    // nothing.
    image.Clear(clDibBlack);
    TGeoLine line(&square, nullptr, 0, 0, 0, 0);
    line.Pen().SetColor(clDibWhite);
    line.Render(image, TranslationMatrix(2, 0, 0));
    EXPECT_EQ(image.GetPixel(20, 5), clDibWhite);
    EXPECT_EQ(image.GetPixel(7, 15), clDibBlack);
    TGeoBase base(&square, nullptr, 0, 0, 0, 0);
    base.Render(image, kIdentity);
    EXPECT_EQ(image.GetPixel(5, 15), clDibBlack);
    EXPECT_FALSE(ClearBrush().SpanProc());
    EXPECT_EQ(&base.GetPen(), &ClearPen());

    const TShapeDef frame = FrameShape();
    TGeoShape shape(nullptr, &frame, 0, 0, 38, 38);
    shape.Brush().SetColor(clDibBlue);
    image.Clear(clDibBlack);
    shape.Render(image, kIdentity);
    EXPECT_EQ(image.GetPixel(4, 19), clDibBlue);
    EXPECT_EQ(image.GetPixel(19, 19), clDibBlack);
}
