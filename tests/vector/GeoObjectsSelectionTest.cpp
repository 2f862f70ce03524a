#include "vector/GeoObjects.h"

#include "raster/DibContainer.h"
#include "raster/DibGraphics.h"
#include "raster/DibMath.h"
#include "vector/DesignerCanvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <vector>

using namespace kolvar;

namespace {

TPoints2D PointList(std::initializer_list<TPoint2D> points) {
    TPoints2D list;
    for (const TPoint2D& p : points) list.Add(p);
    return list;
}

TDibContainer Patterned(int32_t w, int32_t h) {
    TDibContainer d(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            d.SetPixel(x, y, TDibColor{uint8_t(x * 3), uint8_t(y * 11), uint8_t(x + y)});
    return d;
}

// An arrow-like outline with a notch whose tip (100, 70) lies inside the frame
// (50, 50)-(150, 100).
struct TSelectionRig {
    TDibContainer Before = Patterned(200, 160);
    TDibContainer View{Before};
    TDibDesignerCanvas Canvas{View};
    TSelection Selection{&Canvas};
    TGeoPolygon Outline{nullptr, nullptr, 0, 0, 0, 0};
    std::vector<TTransformationInfo> Starts, Updates, Finishes;
    std::vector<TPoint> Clicks;
    TPoint H[8];

    TSelectionRig() {
        Outline.SetPoints(PointList({{50, 50}, {150, 50}, {150, 100}, {100, 70}, {50, 100}}));
        Selection.List().Add(&Outline);
        Selection.GetBounds().GetHandles(H);
        Selection.OnStartTrans = [this](TTransformationInfo i) { Starts.push_back(i); };
        Selection.OnUpdateTrans = [this](TTransformationInfo i) { Updates.push_back(i); };
        Selection.OnFinishTrans = [this](TTransformationInfo i) { Finishes.push_back(i); };
        Selection.OnRightClick = [this](int32_t x, int32_t y) { Clicks.push_back({x, y}); };
    }
    THitResult HitAt(int32_t x, int32_t y) const { return Selection.HitTest(x, y).Hit; }
    void Press(int32_t x, int32_t y, Qt::MouseButton b = Qt::LeftButton) {
        Selection.MouseDown(b, {}, x, y);
    }
    void Move(double x, double y) { Selection.MouseMove({}, Round(x), Round(y)); }
    void Release(int32_t x, int32_t y, Qt::MouseButton b = Qt::LeftButton) {
        Selection.MouseUp(b, {}, x, y);
    }
    // A point of the frame given in its unit square, unrounded.
    TPoint2D Unit(double u, double v) const {
        return TransformPoint2D(Selection.GetBounds().GetMatrix(), {u, v});
    }
};

void ExpectNeutral(const TTransformationInfo& i) {
    EXPECT_EQ(i.Angle, 0);
    EXPECT_EQ(i.DX, 0);
    EXPECT_EQ(i.DY, 0);
    EXPECT_EQ(i.SX, 1);
    EXPECT_EQ(i.SY, 1);
}

} // namespace

TEST(Selection, HitOrderRunsFromHandlesToFrameToOutlines) {
    TSelectionRig r;
    const TPoint* h = r.H;
    EXPECT_EQ(r.HitAt(h[0].X, h[0].Y), (THitResult{hkRotateHandle, 0}));
    EXPECT_EQ(r.HitAt(h[0].X + 2, h[0].Y - 2), (THitResult{hkRotateHandle, 0}));
    EXPECT_EQ(r.HitAt(h[0].X + 3, h[0].Y), THitResult{});
    for (int32_t i = 1; i < 8; ++i)
        EXPECT_EQ(r.HitAt(h[i].X, h[i].Y), (THitResult{hkScaleHandle, i})) << i;

    // The outline's top edge lies on the frame's; the frame wins.
    const TSelectionHit frame = r.Selection.HitTest(125, 51);
    EXPECT_EQ(frame.Hit, (THitResult{hkFrameEdge, 6}));
    EXPECT_EQ(frame.Object, nullptr);

    const TSelectionHit vertex = r.Selection.HitTest(101, 71);
    EXPECT_EQ(vertex.Hit, (THitResult{hkVertex, 3}));
    EXPECT_EQ(vertex.Object, &r.Outline);
    EXPECT_EQ(r.HitAt(125, 84), (THitResult{hkEdge, 2}));
    EXPECT_EQ(r.HitAt(75, 60), (THitResult{hkInside, -1}));
    EXPECT_EQ(r.HitAt(100, 90), THitResult{});
    r.Outline.Brush().SetStyle(dbClear);
    EXPECT_EQ(r.HitAt(75, 60), THitResult{});

    r.Selection.List().Clear();
    EXPECT_EQ(r.HitAt(0, 0), THitResult{});
    EXPECT_EQ(r.HitAt(h[4].X, h[4].Y), THitResult{});
}

TEST(Selection, MoveFollowsThePointerAndFinishesWithTheLastMove) {
    TSelectionRig r;
    r.Press(75, 60);
    EXPECT_TRUE(r.Selection.Transforming());
    ASSERT_EQ(r.Starts.size(), 1u);
    EXPECT_EQ(r.Starts[0].X, 75);
    ExpectNeutral(r.Starts[0]);
    EXPECT_FALSE(r.View.SameImage(r.Before));

    r.Move(85, 65);
    r.Move(95, 40);
    ASSERT_EQ(r.Updates.size(), 2u);
    EXPECT_EQ(r.Updates[0].DX, 10);
    EXPECT_EQ(r.Updates[0].DY, 5);
    r.Release(0, 0);
    EXPECT_FALSE(r.Selection.Transforming());
    ASSERT_EQ(r.Finishes.size(), 1u);
    EXPECT_EQ(r.Finishes[0].X, 95);
    EXPECT_EQ(r.Finishes[0].DX, 20);
    EXPECT_EQ(r.Finishes[0].DY, -20);
    EXPECT_EQ(r.Finishes[0].SX, 1);
    // The feedback of every step was erased again.
    EXPECT_TRUE(r.View.SameImage(r.Before));
    EXPECT_TRUE(r.Clicks.empty());
}

TEST(Selection, HandlesAndFrameEdgesScaleTheirOwnDimensions) {
    TSelectionRig r;
    const TPoint2D c = r.Selection.GetBounds().Center;
    // Unit-square places of the handles, and whether each changes width and height.
    const double handle[8][2] = {{1, 0},  {1, 1},   {0, 1},  {-1, 1},
                                 {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
    const bool handleScales[8][2] = {{true, false}, {true, true}, {false, true}, {true, true},
                                     {true, false}, {true, true}, {false, true}, {true, true}};
    const bool edgeScales[8][2] = {{true, false}, {false, true}, {false, true}, {true, false},
                                   {true, false}, {false, true}, {false, true}, {true, false}};
    auto dragTo = [&](double u, double v) {
        const TPoint2D p = r.Unit(u, v);
        // Twice as far from the centre as the grabbed place.
        r.Move(2 * p.X - c.X, 2 * p.Y - c.Y);
        const TTransformationInfo i = r.Selection.Info();
        r.Release(0, 0);
        return i;
    };
    for (int i = 1; i < 8; ++i) {
        r.Press(r.H[i].X, r.H[i].Y);
        ASSERT_EQ(r.Selection.HitKind(), hkScaleHandle) << i;
        const TTransformationInfo info = dragTo(handle[i][0], handle[i][1]);
        EXPECT_NEAR(info.SX, handleScales[i][0] ? 2 : 1, 1e-9) << "handle " << i;
        EXPECT_NEAR(info.SY, handleScales[i][1] ? 2 : 1, 1e-9) << "handle " << i;
        EXPECT_EQ(info.DX, 0);
        EXPECT_EQ(info.Angle, 0);
    }
    for (int e = 0; e < 8; ++e) {
        const TPoint a = r.H[e];
        const TPoint b = r.H[(e + 1) % 8];
        r.Press((a.X + b.X) / 2, (a.Y + b.Y) / 2);
        ASSERT_EQ(r.Selection.HitKind(), hkFrameEdge) << e;
        ASSERT_EQ(r.Selection.HitIndex(), e);
        const int n = (e + 1) % 8;
        const TTransformationInfo info =
            dragTo((handle[e][0] + handle[n][0]) / 2, (handle[e][1] + handle[n][1]) / 2);
        EXPECT_NEAR(info.SX, edgeScales[e][0] ? 2 : 1, 1e-9) << "edge " << e;
        EXPECT_NEAR(info.SY, edgeScales[e][1] ? 2 : 1, 1e-9) << "edge " << e;
    }
    EXPECT_TRUE(r.View.SameImage(r.Before));

    // A corner dragged onto the centre collapses the frame; beyond it the frame grows again,
    // unmirrored.
    r.Press(r.H[1].X, r.H[1].Y);
    r.Move(100, 75);
    EXPECT_EQ(r.Selection.Info().SX, 0);
    EXPECT_EQ(r.Selection.Info().SY, 0);
    r.Move(60, 55);
    EXPECT_NEAR(r.Selection.Info().SX, 0.8, 1e-9);
    EXPECT_NEAR(r.Selection.Info().SY, 0.8, 1e-9);
    r.Release(60, 55);
    EXPECT_NEAR(r.Finishes.back().SX, 0.8, 1e-9);
}

TEST(Selection, RotationVertexPressesAndRightClicks) {
    TSelectionRig r;
    r.Press(r.H[0].X + 1, r.H[0].Y + 1);
    ASSERT_EQ(r.Selection.HitKind(), hkRotateHandle);
    r.Move(100, 25);
    const TTransformationInfo turn = r.Selection.Info();
    EXPECT_NEAR(std::remainder(turn.Angle - M_PI / 2, 2 * M_PI), 0, 1e-9);
    r.Release(100, 25);
    // Applied to the frame, the turn carries the rotate handle to the pointer.
    const TTransformMatrix m = TransformMatrix(turn, r.Selection.GetBounds());
    const TPoint2D handle = TransformPoint2D(m, r.Unit(1, 0));
    EXPECT_NEAR(handle.X, 100, 1e-4);
    EXPECT_NEAR(handle.Y, 25, 1e-4);

    r.Press(101, 71);
    EXPECT_TRUE(r.Selection.Transforming());
    EXPECT_EQ(r.Selection.HitKind(), hkVertex);
    r.Move(130, 90);
    ExpectNeutral(r.Selection.Info());
    r.Release(130, 90);
    ExpectNeutral(r.Finishes.back());

    // The right button starts no drag; its release over the selection is a right click.
    const size_t starts = r.Starts.size();
    r.Press(75, 60, Qt::RightButton);
    EXPECT_FALSE(r.Selection.Transforming());
    r.Release(76, 61, Qt::RightButton);
    ASSERT_EQ(r.Clicks.size(), 1u);
    EXPECT_EQ(r.Clicks[0], (TPoint{76, 61}));
    EXPECT_EQ(r.Starts.size(), starts);
    r.Move(5, 5);
    r.Press(5, 5, Qt::RightButton);
    r.Release(5, 5, Qt::RightButton);
    EXPECT_EQ(r.Clicks.size(), 1u);
    EXPECT_TRUE(r.View.SameImage(r.Before));
}

TEST(Selection, DrawingTwiceRestoresEveryPixelEvenPastTheEdges) {
    TSelectionRig r;
    r.Selection.DrawSelection();
    // Inside a handle's square and inside the rotate handle's circle, away from the outline.
    const TPoint square{r.H[3].X - 2, r.H[3].Y + 2};
    const TPoint circle{r.H[0].X - 3, r.H[0].Y};
    EXPECT_NE(r.View.GetPixel(square.X, square.Y), r.Before.GetPixel(square.X, square.Y));
    EXPECT_NE(r.View.GetPixel(circle.X, circle.Y), r.Before.GetPixel(circle.X, circle.Y));
    EXPECT_EQ(r.View.GetPixel(75, 60), r.Before.GetPixel(75, 60));
    r.Selection.DrawSelection();
    EXPECT_TRUE(r.View.SameImage(r.Before));

    r.Outline.Transform(TranslationMatrix(120, 100, 0));
    r.Selection.List().UpdateBounds();
    r.Selection.DrawSelection();
    EXPECT_FALSE(r.View.SameImage(r.Before));
    r.Selection.DrawSelection();
    EXPECT_TRUE(r.View.SameImage(r.Before));

    TTransformationInfo info;
    info.Angle = 0.7;
    info.SX = 40;
    r.Selection.DrawTransformed(info);
    r.Selection.DrawTransformed(info);
    EXPECT_TRUE(r.View.SameImage(r.Before));
}

TEST(Selection, TransformMatrixScalesAlongTheFramesAxesAboutItsCentre) {
    TBounds up;
    up.SetFrame({10, 10}, {10, 0}, {15, 10});
    TTransformationInfo info;
    info.SX = 2;
    TTransformMatrix m = TransformMatrix(info, up);
    TPoint2D p = TransformPoint2D(m, {10, 0});
    EXPECT_NEAR(p.X, 10, 1e-6);
    EXPECT_NEAR(p.Y, -10, 1e-6);
    p = TransformPoint2D(m, {15, 10});
    EXPECT_NEAR(p.X, 15, 1e-6);
    EXPECT_NEAR(p.Y, 10, 1e-6);

    info = TTransformationInfo{};
    info.DX = 3;
    info.DY = -4;
    p = TransformPoint2D(TransformMatrix(info, up), {1, 2});
    EXPECT_NEAR(p.X, 4, 1e-6);
    EXPECT_NEAR(p.Y, -2, 1e-6);
}

TEST(RasterSelection, GrabCopiesThePixelsInsideTheOutline) {
    TDibContainer source = Patterned(20, 20);
    TRasterSelection grab;
    EXPECT_EQ(grab.Image(), nullptr);
    EXPECT_EQ(grab.BackColor, clDibMagenta);

    TPoints triangle;
    triangle.Add(2, 2);
    triangle.Add(12, 2);
    triangle.Add(2, 12);
    TIntegerArray one;
    one.Add(3);
    grab.Grab(source, triangle, one);
    ASSERT_NE(grab.Image(), nullptr);
    const TDibContainer& t = *grab.Image();
    ASSERT_EQ(t.Width(), 11);
    ASSERT_EQ(t.Height(), 11);
    EXPECT_EQ(t.GetPixel(1, 1), source.GetPixel(3, 3));
    EXPECT_EQ(t.GetPixel(0, 0), source.GetPixel(2, 2));
    EXPECT_EQ(t.GetPixel(9, 9), clDibMagenta);
    EXPECT_EQ(t.GetPixel(10, 0), source.GetPixel(12, 2));
    EXPECT_EQ(t.GetPixel(10, 1), clDibMagenta);
    EXPECT_EQ(t.GetPixel(0, 10), clDibMagenta);
    for (int32_t y = 0; y < 11; ++y)
        for (int32_t x = 0; x < 11; ++x)
            if (x + y > 10) EXPECT_EQ(t.GetPixel(x, y), clDibMagenta) << x << "," << y;

    // Even-odd over both rings: the hole keeps the background colour.
    TPoints framed;
    for (const TPoint p :
         {TPoint{2, 2}, {17, 2}, {17, 17}, {2, 17}, {6, 6}, {13, 6}, {13, 13}, {6, 13}})
        framed.Add(p);
    TIntegerArray two;
    two.Add(4);
    two.Add(4);
    grab.BackColor = clDibGreen;
    grab.Grab(source, framed, two);
    const TDibContainer& f = *grab.Image();
    ASSERT_EQ(f.Width(), 16);
    EXPECT_EQ(f.GetPixel(8, 8), clDibGreen);
    EXPECT_EQ(f.GetPixel(2, 2), source.GetPixel(4, 4));
    EXPECT_EQ(f.GetPixel(2, 12), source.GetPixel(4, 14));

    // Partly outside the image: the box is the outline's, and only the image's part is copied.
    TPoints outside;
    outside.Add(-5, -5);
    outside.Add(10, -5);
    outside.Add(-5, 10);
    grab.Grab(source, outside, one);
    const TDibContainer& o = *grab.Image();
    ASSERT_EQ(o.Width(), 16);
    ASSERT_EQ(o.Height(), 16);
    EXPECT_EQ(o.GetPixel(2, 2), clDibGreen);
    EXPECT_EQ(o.GetPixel(4, 7), clDibGreen);
    EXPECT_EQ(o.GetPixel(7, 7), source.GetPixel(2, 2));
    EXPECT_EQ(o.GetPixel(5, 5), source.GetPixel(0, 0));

    grab.Grab(source, TPoints(), one);
    EXPECT_TRUE(grab.Image()->Empty());
    TPoints huge;
    huge.Add(-2000000000, 0);
    huge.Add(2000000000, 0);
    huge.Add(0, 2000000000);
    EXPECT_THROW(grab.Grab(source, huge, one), EDibSizeError);
}
