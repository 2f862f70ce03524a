// The tool handlers driven through the real document window with synthetic mouse events, the
// image compared with what the raster engine draws for the same mapped points.

#include "document/TextOutput.h"
#include "document/WarpEffect.h"
#include "document/uFRMDesigner.h"
#include "raster/DibGeometry.h"
#include "raster/DibGraphicsBrush.h"
#include "raster/DibGraphicsPen.h"
#include "raster/DibMath.h"
#include "raster/DibRandom.h"
#include "shell/uKolvarGeneric.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>

#include <gtest/gtest.h>

#include <vector>

using namespace kolvar;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kPen = 0x102080;
constexpr uint32_t kBrush = 0x30C050;

enum : int32_t {
    aPoint,
    aLine,
    aPolyLine,
    aPolygon,
    aGetPen,
    aGetFill,
    aShape,
    aPen,
    aSpray,
    aFlood,
    aZoom,
    aErase,
    aSelectShape,
    aSelectPolygon,
    aPolygonCurve,
    aPolylineCurve,
    aBoundary,
    aText,
    aPaste,
    aSelectCurve,
    aWarp,
    aTextRect
};

class ToolHandlers : public ::testing::Test {
protected:
    static constexpr int32_t W = 120;
    static constexpr int32_t H = 90;

    void SetUp() override {
        state.ToolCanvas = std::make_unique<TDibCanvas>(8, 8);
        Pen().SetColor(kPen);
        Brush().SetColor(kBrush);
        SetToolState(&state);
        doc = std::make_unique<TfrmDesigner>(nullptr);
        doc->NewImage(H, W, 0x00FFFFFF);
        D().SetTickSource([this] { return tick; });
        D().SetPointerMover([](int32_t, int32_t) {});
        doc->show();
        QApplication::processEvents();
        ASSERT_EQ(D().ViewBuffer().Width(), D().width());
        ASSERT_GE(D().width(), W);
        ASSERT_GE(D().height(), H);
        View(1, {0, 0});
        blank = doc->Image();
    }
    void TearDown() override {
        doc.reset();
        SetToolState(nullptr);
        QGuiApplication::clipboard()->clear();
    }

    TNewDesigner& D() { return doc->Designer(); }
    TDibContainer& Img() { return doc->Image(); }
    TDibPen& Pen() { return state.ToolCanvas->Pen(); }
    TDibBrush& Brush() { return state.ToolCanvas->Brush(); }
    void Use(int32_t action) { D().Actions().SetActiveAction(action); }
    // Zoom Scale with the image point Origin at the view's top-left corner.
    void View(double Scale, TPoint2D Origin) {
        D().Projector().SetScale({Scale, Scale});
        D().Projector().SetCenter(
            {Origin.X + D().width() / 2.0 / Scale, Origin.Y + D().height() / 2.0 / Scale});
        doc->ViewChanged();
    }
    TPoint ToImage(TPoint p) {
        return RoundPoint(TransformPoint2D(D().Projector().ToWorld(), {double(p.X), double(p.Y)}));
    }
    TPoints ToImage(const std::vector<TPoint>& pts) {
        TPoints out;
        for (const TPoint& p : pts) out.Add(ToImage(p));
        return out;
    }

    void Down(TPoint p, Qt::MouseButton b = Qt::LeftButton) {
        D().MouseDown(b, Qt::NoModifier, p.X, p.Y);
    }
    void Move(TPoint p) { D().MouseMove(Qt::NoModifier, p.X, p.Y); }
    void Up(TPoint p, Qt::MouseButton b = Qt::LeftButton) {
        D().MouseUp(b, Qt::NoModifier, p.X, p.Y);
    }
    // Press at the first point, slow moves through the others, release at the last.
    void Drag(const std::vector<TPoint>& pts) {
        tick += 1000;
        Down(pts[0]);
        for (size_t i = 1; i < pts.size(); ++i) {
            tick += 300;
            Move(pts[i]);
        }
        tick += 300;
        Up(pts.back());
    }
    void Click(TPoint p) {
        tick += 1000;
        Down(p);
        tick += 10;
        Up(p);
    }
    void RightClick(TPoint p) {
        Down(p, Qt::RightButton);
        Up(p, Qt::RightButton);
    }
    // A drag to the second vertex, then a click on each further one.
    void Vertices(const std::vector<TPoint>& pts) {
        Drag({pts[0], pts[1]});
        for (size_t i = 2; i < pts.size(); ++i) {
            tick += 300;
            Move(pts[i]);
            Down(pts[i]);
            tick += 10;
            Up(pts[i]);
        }
    }
    void ExpectUndoOfBlankAndModified() {
        EXPECT_TRUE(doc->UndoAvailable());
        EXPECT_TRUE(doc->UndoImage().SameImage(blank));
        EXPECT_TRUE(doc->Modified());
    }
    // The bounding box of the pixels that differ from the blank page; false when none do.
    bool InkBox(TRect& box) {
        box = {INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W; ++x)
                if (Img().GetPixel(x, y) != TDibColorArg(kWhite).Color()) {
                    box = {std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x),
                           std::max(box.Bottom, y)};
                }
        return box.Left <= box.Right;
    }

    TToolState state;
    std::unique_ptr<TfrmDesigner> doc;
    TDibContainer blank;
    uint32_t tick = 0;
};

TDibColor C(uint32_t v) {
    return TDibColorArg(v).Color();
}

} // namespace

TEST_F(ToolHandlers, PointDotsEveryUpdateAndTakesTheUndoCopyAtTheEnd) {
    View(2, {30, 20});
    Use(aPoint);
    const TPoint a{40, 40}, b{41, 44}, c{70, 50};
    Drag({a, b, c});
    TDibContainer expected(blank);
    for (TPoint p : {b, c}) expected.SetPixel(ToImage(p).X, ToImage(p).Y, kPen);
    EXPECT_TRUE(Img().SameImage(expected));
    // The undo copy holds the dots of the drag, which ended where the last one is.
    EXPECT_TRUE(doc->UndoImage().SameImage(expected));
    EXPECT_TRUE(doc->Modified());
    EXPECT_EQ(D().ViewBuffer().GetPixel(c.X, c.Y), C(kPen));
}

TEST_F(ToolHandlers, LinesAndPolygonsEqualTheEngineOnTheMappedPoints) {
    View(1.5, {-5, -5});
    Pen().SetWidth(3);
    const std::vector<TPoint> line{{10, 12}, {100, 70}};
    Use(aLine);
    Drag(line);
    TDibContainer expected(blank);
    expected.Polyline(ToImage(line), Pen().LineProc(), false);
    EXPECT_TRUE(Img().SameImage(expected));
    ExpectUndoOfBlankAndModified();

    const std::vector<TPoint> poly{{20, 20}, {90, 25}, {40, 80}};
    Use(aPolyLine);
    Vertices(poly);
    RightClick({40, 80});
    const TDibContainer afterLine(expected);
    expected.Polyline(ToImage(poly), Pen().LineProc(), false);
    EXPECT_TRUE(Img().SameImage(expected));
    EXPECT_TRUE(doc->UndoImage().SameImage(afterLine));

    Use(aPolygon);
    Vertices({{20, 20}, {90, 25}, {40, 80}, {21, 21}});
    expected.FillPolygon(ToImage(poly), Brush().SpanProc());
    expected.Polyline(ToImage(poly), Pen().LineProc(), true);
    EXPECT_TRUE(Img().SameImage(expected));
}

TEST_F(ToolHandlers, ShapeFillsEveryRingEvenOddThenOutlinesThem) {
    // A square with a square hole.
    TIntegerArray counts;
    counts.Add(4);
    counts.Add(4);
    TShapePoints points;
    for (double s : {1.0, 0.5})
        for (TPoint2D p : {TPoint2D{-s, -s}, {s, -s}, {s, s}, {-s, s}})
            points.Add({TShapeCoord::FromValue(p.X), TShapeCoord::FromValue(p.Y)});
    TShapeDef ring;
    ring.SetData(counts, TKeyPoints(), points);
    D().Actions().Items(aShape)->ShapeDef().Assign(&ring);
    Use(aShape);
    Drag({{20, 10}, {100, 80}});
    TPoints outline;
    // The frame the gesture left behind: the box dragged from (20, 10) to (100, 80).
    const TBounds box = D().Actions().Interactor()->Bounds();
    EXPECT_NEAR(box.HalfWidth, 40, 1e-9);
    const TPoints2D noKeys;
    ring.BuildOutline(outline, &noKeys, box.GetMatrix(), box.GetInverseMatrix());
    for (int32_t i = 0; i < outline.Count(); ++i) outline.Put(i, ToImage(outline.Get(i)));
    TDibContainer expected(blank);
    expected.FillPolyPolygon(outline, counts, Brush().SpanProc());
    expected.PolyPolygonOutline(outline, counts, Pen().LineProc());
    EXPECT_TRUE(Img().SameImage(expected));
    EXPECT_EQ(Img().GetPixel(60, 45), C(kWhite)); // the hole
    EXPECT_EQ(Img().GetPixel(30, 45), C(kBrush));
    ExpectUndoOfBlankAndModified();
}

TEST_F(ToolHandlers, ColourPickersReadTheImageAndIgnoreTheOutside) {
    View(0.5, {-40, -40}); // the view's top-left shows the page around the image
    const TPoint inside{60, 45}, outside{5, 5};
    Img().SetPixel(ToImage(inside).X, ToImage(inside).Y, 0x123456);
    Use(aGetPen);
    Click(inside);
    EXPECT_EQ(Pen().Color(), C(0x123456));
    Img().SetPixel(ToImage(inside).X, ToImage(inside).Y, 0x654321);
    Use(aGetFill);
    Click(inside);
    EXPECT_EQ(Brush().Color(), C(0x654321));
    Img().SetPixel(ToImage(inside).X, ToImage(inside).Y, 0x0A0B0C);
    RightClick(inside);
    EXPECT_EQ(Pen().Color(), C(0x0A0B0C));
    EXPECT_EQ(Brush().Color(), C(0x654321));
    Click(outside);
    RightClick(outside);
    Use(aGetPen);
    Click(outside);
    EXPECT_EQ(Pen().Color(), C(0x0A0B0C));
    EXPECT_EQ(Brush().Color(), C(0x654321));
    EXPECT_FALSE(doc->Modified());
}

TEST_F(ToolHandlers, FreehandPenDrawsEachSegmentBackwardsWithoutAnUndoCopy) {
    View(1.5, {40, 30});
    const std::vector<TPoint> path{{10, 10}, {10, 10}, {50, 30}, {52, 80}, {100, 60}};
    Use(aPen);
    Drag(path);
    TDibContainer expected(blank);
    const TTransformMatrix& toWorld = D().Projector().ToWorld();
    for (size_t i = 1; i < path.size(); ++i) {
        if (path[i] == path[i - 1]) continue;
        const TPoint seg[2] = {TransformPoint(toWorld, path[i]),
                               TransformPoint(toWorld, path[i - 1])};
        expected.Polyline(seg, 2, Pen().LineProc(), false);
    }
    EXPECT_TRUE(Img().SameImage(expected));
    EXPECT_FALSE(doc->UndoAvailable());
    EXPECT_TRUE(doc->Modified());
}

TEST_F(ToolHandlers, SprayIsARandomWalkFromTheSharedGenerator) {
    View(2, {30, 22});
    state.SpraySize = 7;
    const TPoint a{30, 30}, b{80, 60};
    SetRandomSeed(4242);
    Use(aSpray);
    Drag({a, b});
    TDibContainer expected(blank);
    SetRandomSeed(4242);
    for (TPoint p : {a, b}) {
        for (int32_t i = 0; i < 7; ++i) {
            p.X += Random(7) - 3;
            p.Y += Random(7) - 3;
            const TPoint q = ToImage(p);
            if (q.X >= 0 && q.Y >= 0 && q.X < W && q.Y < H) expected.SetPixel(q.X, q.Y, kBrush);
        }
    }
    EXPECT_TRUE(Img().SameImage(expected));
    ExpectUndoOfBlankAndModified();

    // Size 2: two dots, each step -1 or 0 on both axes.
    doc->NewImage(H, W, 0x00FFFFFF);
    View(1, {0, 0});
    state.SpraySize = 2;
    Click({50, 40});
    TRect box;
    ASSERT_TRUE(InkBox(box));
    EXPECT_GE(box.Left, 48);
    EXPECT_LE(box.Right, 50);
    EXPECT_GE(box.Top, 38);
    EXPECT_LE(box.Bottom, 40);
}

TEST_F(ToolHandlers, FillsPaintThePlainBrushColourInsideTheImageOnly) {
    Img().Rectangle(20, 20, 60, 50, Pen().LineProc());
    blank = Img();
    Use(aFlood);
    Click({30, 30});
    TDibContainer expected(blank);
    expected.FloodFill(30, 30, kBrush, kWhite);
    EXPECT_TRUE(Img().SameImage(expected));
    EXPECT_TRUE(doc->Modified());

    doc->SetModified(false);
    Img().AssignContainer(blank);
    Use(aBoundary);
    Click({80, 10});
    expected = blank;
    expected.BoundaryFill(80, 10, kBrush, kPen);
    EXPECT_TRUE(Img().SameImage(expected));
    EXPECT_EQ(Img().GetPixel(30, 30), C(kWhite)); // inside the pen's boundary

    // Outside the picture: the undo copy is taken, nothing else happens.
    // (The new page's undo copy holds the filled picture before it.)
    doc->NewImage(H, W, 0x00FFFFFF);
    View(0.5, {-40, -40});
    Use(aFlood);
    Click({3, 3});
    TDibContainer white(W, H);
    white.Clear(kWhite);
    EXPECT_TRUE(doc->UndoImage().SameImage(white));
    EXPECT_FALSE(doc->Modified());
    EXPECT_TRUE(Img().SameImage(white));
}

TEST_F(ToolHandlers, ZoomClicksBoxesAndSelectionOutlinesStayOnTheirPixels) {
    Use(aSelectPolygon);
    Vertices({{20, 20}, {90, 25}, {40, 80}, {21, 21}});
    ASSERT_EQ(D().Selection().List().Count(), 1);
    auto outlineInImage = [&] {
        TPoints2D pts(D().Selection().List().Get(0)->GetOutline());
        pts.Transform(D().Projector().ToWorld());
        return pts;
    };
    const TPoints2D before = outlineInImage();

    Use(aZoom);
    Click({110, 5}); // away from the selection, which would take the click
    EXPECT_DOUBLE_EQ(D().Projector().Scale().X, 1.1);
    RightClick({110, 5});
    EXPECT_DOUBLE_EQ(D().Projector().Scale().Y, 1.1 * 0.9);
    const TPoint2D a = D().Projector().ScreenToWorld(10, 10);
    const int32_t w = D().width() / 2, h = D().height() / 2;
    const TPoint2D b = D().Projector().ScreenToWorld(10 + w, 10 + h);
    Drag({{10, 10}, {10 + w, 10 + h}});
    // The box had the view's shape, so it now fills the view.
    const QRect view = D().rect();
    const TPoint2D sa = D().Projector().WorldToScreen(a.X, a.Y);
    const TPoint2D sb = D().Projector().WorldToScreen(b.X, b.Y);
    EXPECT_NEAR(sa.X, 0, 1);
    EXPECT_NEAR(sa.Y, 0, 1);
    EXPECT_NEAR(sb.X, view.width(), 1);
    EXPECT_NEAR(sb.Y, view.height(), 1);

    const TPoints2D after = outlineInImage();
    ASSERT_EQ(after.Count(), before.Count());
    for (int32_t i = 0; i < after.Count(); ++i) {
        EXPECT_NEAR(after.Get(i).X, before.Get(i).X, 1e-6);
        EXPECT_NEAR(after.Get(i).Y, before.Get(i).Y, 1e-6);
    }
    EXPECT_FALSE(doc->Modified());
}

TEST_F(ToolHandlers, EraserPaintsASizePlusOneSquareWithTheWholeBrush) {
    state.EraserSize = 2;
    Use(aErase);
    Click({50, 40});
    TDibContainer expected(blank);
    expected.FillRect(50, 40, 52, 42, Brush().SpanProc());
    EXPECT_TRUE(Img().SameImage(expected));
    ExpectUndoOfBlankAndModified();
    for (int32_t y = 39; y <= 43; ++y)
        for (int32_t x = 49; x <= 53; ++x) {
            const bool block = x >= 50 && x <= 52 && y >= 40 && y <= 42;
            EXPECT_EQ(D().ViewBuffer().GetPixel(x, y), C(block ? kBrush : kWhite)) << x << "," << y;
        }
    // At zoom 2 the same stamp covers fewer image pixels: the view square is mapped.
    doc->NewImage(H, W, 0x00FFFFFF);
    View(2, {30, 22});
    state.EraserSize = 4;
    Click({40, 40});
    expected = blank;
    const TPoint p = ToImage(TPoint{40, 40}), q = ToImage(TPoint{44, 44});
    expected.FillRect(p.X, p.Y, q.X, q.Y, Brush().SpanProc());
    EXPECT_TRUE(Img().SameImage(expected));
}

TEST_F(ToolHandlers, ShapeSelectionNeedsADragAndTakesOnlyTheUndoCopy) {
    Use(aSelectShape);
    Click({30, 30});
    EXPECT_EQ(D().Selection().List().Count(), 0);
    Drag({{20, 15}, {80, 60}});
    ASSERT_EQ(D().Selection().List().Count(), 1);
    const TBounds& b = D().Selection().List().Bounds();
    EXPECT_NEAR(b.Center.X, 50, 1e-9);
    EXPECT_NEAR(b.Center.Y, 37.5, 1e-9);
    EXPECT_NEAR(b.HalfWidth, 30, 1e-9);
    EXPECT_TRUE(doc->UndoAvailable());
    EXPECT_FALSE(doc->Modified());
    // A new selection gesture replaces the old outline.
    Drag({{10, 10}, {40, 40}});
    EXPECT_EQ(D().Selection().List().Count(), 1);
    EXPECT_NEAR(D().Selection().List().Bounds().Center.X, 25, 1e-9);
}

TEST_F(ToolHandlers, PolygonSelectionMovesWithItsOutlineAndOpensThePopUp) {
    Use(aSelectPolygon);
    Vertices({{20, 20}, {80, 25}, {40, 70}, {21, 21}});
    TGeoBaseList& list = D().Selection().List();
    ASSERT_EQ(list.Count(), 1);
    ASSERT_EQ(list.Get(0)->GetOutline().Count(), 3);
    EXPECT_EQ(list.Get(0)->GetOutline().Get(1), (TPoint2D{80, 25}));
    // Drag the middle of the edge from (80, 25) to (40, 70) by (7, -4).
    Drag({{60, 47}, {67, 43}});
    EXPECT_FALSE(D().Selection().Transforming());
    EXPECT_EQ(list.Get(0)->GetOutline().Get(1), (TPoint2D{87, 21}));
    EXPECT_NEAR(list.Bounds().Center.X, 57, 1e-6);
    EXPECT_TRUE(Img().SameImage(blank));

    RightClick({67, 43});
    EXPECT_TRUE(doc->SelectionPopup()->isVisible());
    doc->SelectionPopup()->hide();
}

TEST_F(ToolHandlers, CurvesAreFiveStepBSplinesAndTheirFeedbackLeavesTheUndoCopy) {
    View(1.25, {5, 5});
    const std::vector<TPoint> pts{{20, 20}, {100, 15}, {90, 70}, {25, 60}};
    Use(aPolygonCurve);
    Vertices({pts[0], pts[1], pts[2], pts[3], {21, 21}});
    TPoints curve;
    const TPoints mapped = ToImage(pts);
    BSplineCurve(mapped.Data(), mapped.Count(), curve, 5);
    TDibContainer expected(blank);
    expected.FillPolygon(curve, Brush().SpanProc());
    expected.Polyline(curve, Pen().LineProc(), true);
    EXPECT_TRUE(Img().SameImage(expected));
    ExpectUndoOfBlankAndModified();

    const TDibContainer afterPolygon(expected);
    Pen().SetColor(0x00FF00); // the open curve retraces the outline: make it show
    Use(aPolylineCurve);
    Vertices(pts);
    RightClick(pts.back());
    expected.Polyline(curve, Pen().LineProc(), false);
    EXPECT_TRUE(Img().SameImage(expected));
    EXPECT_FALSE(expected.SameImage(afterPolygon));
    EXPECT_TRUE(doc->UndoImage().SameImage(afterPolygon));

    // Three vertices: feedback only, the image, the undo copy and the flag stay.
    doc->SetModified(false);
    const TDibContainer beforeThree(Img());
    Use(aPolygonCurve);
    Vertices({{30, 30}, {60, 35}, {50, 60}, {31, 31}});
    EXPECT_TRUE(Img().SameImage(beforeThree));
    EXPECT_TRUE(doc->UndoImage().SameImage(afterPolygon));
    EXPECT_FALSE(doc->Modified());
    // A cancelled curve (right click on a polygon) takes nothing either.
    Vertices({{30, 30}, {60, 35}, {50, 60}});
    Move({70, 70});
    RightClick({70, 70});
    EXPECT_TRUE(doc->UndoImage().SameImage(afterPolygon));
    EXPECT_FALSE(doc->Modified());
}

TEST_F(ToolHandlers, CurveSelectionTakesTheCurveOfTheViewPoints) {
    const std::vector<TPoint> pts{{20, 20}, {100, 15}, {90, 70}, {25, 60}};
    Use(aSelectCurve);
    Vertices({pts[0], pts[1], pts[2], pts[3], {21, 21}});
    ASSERT_EQ(D().Selection().List().Count(), 1);
    TPoints view;
    for (TPoint p : pts) view.Add(p);
    TPoints curve;
    BSplineCurve(view.Data(), view.Count(), curve, 5);
    const TPoints2D& outline = D().Selection().List().Get(0)->GetOutline();
    ASSERT_EQ(outline.Count(), curve.Count());
    for (int32_t i = 0; i < curve.Count(); ++i) EXPECT_EQ(RoundPoint(outline.Get(i)), curve.Get(i));
    EXPECT_FALSE(doc->UndoAvailable());
}

TEST_F(ToolHandlers, TextPreviewFollowsTheZoomAndTheImageGetsTheMeasuredSize) {
    state.ToolText = QStringLiteral("Kolvar");
    state.ToolFontName = QStringLiteral("DejaVu Sans");
    state.ToolFontSize = 10;
    View(2, {30, 22});
    Use(aText);
    const TPoint p{10, 12};
    tick += 1000;
    Down(p);
    const TPoint extent = TextExtent();
    EXPECT_EQ(extent, MeasureText(state.ToolText, state.ToolFontName, 10, 0));
    ASSERT_GT(extent.X, 0);
    // The preview box is twice the text's size, drawn inverted (white turns black).
    const TPoint far{p.X + 2 * extent.X, p.Y + 2 * extent.Y};
    const TDibContainer& v = D().ViewBuffer();
    EXPECT_EQ(v.GetPixel(p.X, p.Y), C(0));
    EXPECT_EQ(v.GetPixel(far.X, far.Y), C(0));
    EXPECT_EQ(v.GetPixel(far.X, p.Y + extent.Y), C(0));
    EXPECT_EQ(v.GetPixel(far.X + 1, p.Y + extent.Y), C(kWhite));
    EXPECT_EQ(v.GetPixel(p.X + extent.X, p.Y + extent.Y), C(kWhite));
    Up(p);

    TRect ink;
    ASSERT_TRUE(InkBox(ink));
    const TPoint q = ToImage(p);
    EXPECT_GE(ink.Left, q.X);
    EXPECT_GE(ink.Top, q.Y);
    EXPECT_LE(ink.Right, q.X + extent.X + 2);
    EXPECT_LE(ink.Bottom, q.Y + extent.Y + 2);
    EXPECT_GT(ink.Right - ink.Left, extent.X * 3 / 4);
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x)
            ASSERT_TRUE(Img().GetPixel(x, y) == C(kWhite) || Img().GetPixel(x, y) == C(kBrush));
    ExpectUndoOfBlankAndModified();
}

TEST_F(ToolHandlers, TextInRectStretchesTheTextIntoTheDraggedBox) {
    state.ToolText = QStringLiteral("Kol");
    state.ToolFontName = QStringLiteral("DejaVu Sans");
    Use(aTextRect);
    Drag({{100, 70}, {20, 30}}); // corners given backwards
    EXPECT_GT(D().Actions().Items(aTextRect)->ShapeDef().Counts().Count(), 1);
    TRect ink;
    ASSERT_TRUE(InkBox(ink));
    // The box is (20, 30)..(100, 70); the letters reach most of it and stay near it.
    EXPECT_GE(ink.Left, 18);
    EXPECT_LE(ink.Right, 104);
    EXPECT_GE(ink.Top, 28);
    EXPECT_LE(ink.Bottom, 72);
    EXPECT_GT(ink.Right - ink.Left, 50);
    EXPECT_GT(ink.Bottom - ink.Top, 20);
    ExpectUndoOfBlankAndModified();
}

TEST_F(ToolHandlers, PasteCopiesBlendsAndKeysOutTheBrushColour) {
    QImage picture(6, 5, QImage::Format_RGB32);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) picture.setPixel(x, y, qRgb(x * 40, y * 50, 7));
    picture.setPixel(2, 2, qRgb(0x30, 0xC0, 0x50)); // the brush colour
    Use(aPaste);
    Click({30, 20}); // an empty clipboard: nothing happens
    EXPECT_FALSE(doc->UndoAvailable());
    QGuiApplication::clipboard()->setImage(picture);
    ASSERT_FALSE(QGuiApplication::clipboard()->image().isNull());

    View(2, {30, 22});
    const TPoint p{40, 30};
    Click(p);
    const TPoint q = ToImage(p);
    TDibContainer pasted;
    pasted.AssignBitmap(picture);
    TDibContainer expected(blank);
    pasted.BlendTo(expected, q.X, q.Y, 0);
    EXPECT_TRUE(Img().SameImage(expected));
    EXPECT_EQ(Img().GetPixel(q.X + 2, q.Y + 2), C(kBrush));
    ExpectUndoOfBlankAndModified();

    // Keyed: the brush-coloured pixel keeps the image's; half transparency mixes the rest.
    Img().Clear(0x000000);
    state.PasteWithoutColor = true;
    state.PasteTransparency = 128;
    Click(p);
    EXPECT_EQ(Img().GetPixel(q.X + 2, q.Y + 2), C(0));
    const QRgb s = picture.pixel(4, 3);
    EXPECT_EQ(Img().GetPixel(q.X + 4, q.Y + 3),
              (TDibColor{uint8_t(qBlue(s) * 127 >> 8), uint8_t(qGreen(s) * 127 >> 8),
                         uint8_t(qRed(s) * 127 >> 8)}));
}

TEST_F(ToolHandlers, WarpDragsThePictureAndEqualEndsTouchNothing) {
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x)
            Img().SetPixel(x, y, uint32_t(x * 2) << 16 | uint32_t(y * 2));
    blank = Img();
    View(3, {20, 15});
    Use(aWarp);
    Drag({{30, 30}, {31, 30}}); // one view pixel at zoom 3 is the same image pixel
    EXPECT_TRUE(Img().SameImage(blank));
    EXPECT_FALSE(doc->UndoAvailable());
    EXPECT_FALSE(doc->Modified());

    Drag({{30, 30}, {60, 45}});
    TDibContainer expected(blank);
    WarpImage(expected, ToImage(TPoint{30, 30}), ToImage(TPoint{60, 45}));
    EXPECT_FALSE(expected.SameImage(blank));
    EXPECT_TRUE(Img().SameImage(expected));
    ExpectUndoOfBlankAndModified();
}
