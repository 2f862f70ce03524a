// Gestures driven through the real designer control with synthetic mouse events.

#include "vector/DesignerWidget.h"

#include <QApplication>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace kolvar;

namespace {

struct TFinish {
    int32_t Action;
    TActionFinishMode Mode;
    std::vector<TPoint2D> Points;
};

class DesignerWidget : public ::testing::Test {
protected:
    void SetUp() override {
        Designer.resize(200, 160);
        Designer.SetTickSource([this] { return Now; });
        Designer.SetPointerMover([this](int32_t X, int32_t Y) { Pointer.push_back({X, Y}); });
        // A picture in which an inverted pixel never equals its neighbour's original.
        Designer.OnComposeView = [](TNewDesigner&, TDibContainer& b) {
            for (int32_t y = 0; y < b.Height(); ++y)
                for (int32_t x = 0; x < b.Width(); ++x)
                    b.SetPixel(x, y, TDibColor{uint8_t(x * 7), uint8_t(y * 5), uint8_t(x ^ y)});
        };
        Designer.Invalidate();
    }

    TActionItem& AddAction(TInteractorType type, TActionDrawMode mode = admSegment) {
        TActionItem& item = Designer.Actions().Add();
        item.SetInteractorType(type);
        item.SetDrawMode(mode);
        const int32_t index = item.Index();
        item.OnFinish = [this, index](TActionItem&, TInteractor& i, TActionFinishMode m) {
            TFinish f{index, m, {}};
            for (int32_t k = 0; k < i.Points().Count(); ++k) f.Points.push_back(i.Points().Get(k));
            Finished.push_back(f);
        };
        item.OnCancel = [this](TActionItem&, TInteractor&) { ++Cancelled; };
        Designer.Actions().SetActiveAction(index);
        return item;
    }

    void Send(QEvent::Type type, Qt::MouseButton button, int x, int y) {
        const QPointF local(x, y);
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
        QMouseEvent e(type, local, Designer.mapToGlobal(local), button, held, Qt::NoModifier);
        QApplication::sendEvent(&Designer, &e);
    }
    void Press(int x, int y, Qt::MouseButton b = Qt::LeftButton) {
        Send(QEvent::MouseButtonPress, b, x, y);
    }
    void Release(int x, int y, Qt::MouseButton b = Qt::LeftButton) {
        Send(QEvent::MouseButtonRelease, b, x, y);
    }
    void Move(int x, int y) { Send(QEvent::MouseMove, Qt::NoButton, x, y); }
    // Press, drag to (x2, y2) over dt milliseconds, release there.
    void Drag(int x1, int y1, int x2, int y2, uint32_t dt = 50) {
        Press(x1, y1);
        Move((x1 + x2) / 2, (y1 + y2) / 2);
        Move(x2, y2);
        Now += dt;
        Release(x2, y2);
    }
    void Click(int x, int y, Qt::MouseButton b = Qt::LeftButton) {
        Press(x, y, b);
        Now += 20;
        Release(x, y, b);
    }

    QByteArray Buffer() {
        const TDibContainer& b = Designer.ViewBuffer();
        return QByteArray(reinterpret_cast<const char*>(b.Bits()), qsizetype(b.ByteSize()));
    }

    TNewDesigner Designer;
    uint32_t Now = 100000;
    std::vector<TPoint> Pointer;
    std::vector<TFinish> Finished;
    int Cancelled = 0;
};

// A rectangle over the unit square whose first n corners follow key points placed inside it.
TShapeDef KeyedRectangle(int n) {
    TIntegerArray counts;
    counts.Add(4);
    TKeyPoints keys;
    TShapePoints points;
    const double corner[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    for (int i = 0; i < 4; ++i) {
        TShapePoint p;
        if (i < n) {
            keys.Add(TKeyPoint{0.5 * corner[i][0], 0.5 * corner[i][1], -1, -1, 1, 1, rmRect});
            p.X = TShapeCoord::FromExpr(QStringLiteral("KeyX(%1)").arg(i));
            p.Y = TShapeCoord::FromExpr(QStringLiteral("KeyY(%1)").arg(i));
        } else {
            p.X = TShapeCoord::FromValue(corner[i][0]);
            p.Y = TShapeCoord::FromValue(corner[i][1]);
        }
        points.Add(p);
    }
    TShapeDef def;
    def.SetData(counts, keys, points);
    return def;
}

} // namespace

TEST_F(DesignerWidget, LineFinishesOnReleaseFarAwayOrLateButNotOnAQuickClick) {
    AddAction(itPoints);
    Click(20, 20);
    EXPECT_TRUE(Finished.empty());
    Move(80, 40);
    Click(80, 40); // the second click ends it
    ASSERT_EQ(Finished.size(), 1u);
    EXPECT_EQ(Finished[0].Mode, afmNormal);
    EXPECT_EQ(Finished[0].Points, (std::vector<TPoint2D>{{20, 20}, {80, 40}}));

    Drag(30, 30, 34, 30); // more than 3 pixels
    EXPECT_EQ(Finished.size(), 2u);

    Press(50, 50);
    Move(51, 52);
    Now += 201; // held too long to be a click
    Release(51, 52);
    ASSERT_EQ(Finished.size(), 3u);
    EXPECT_EQ(Finished[2].Points.back(), (TPoint2D{51, 52}));
}

TEST_F(DesignerWidget, PolygonClosesNearItsFirstVertexAndRightButtonRules) {
    AddAction(itPolygon);
    Drag(10, 10, 60, 10);
    Move(60, 60);
    Click(60, 60);
    Move(12, 11);
    Click(12, 11);
    ASSERT_EQ(Finished.size(), 1u);
    EXPECT_EQ(Finished[0].Points, (std::vector<TPoint2D>{{10, 10}, {60, 10}, {60, 60}}));

    // The right button cancels a polygon.
    Drag(10, 10, 60, 10);
    Click(60, 60, Qt::RightButton);
    EXPECT_EQ(Cancelled, 1);
    EXPECT_EQ(Finished.size(), 1u);

    // A polyline with two fixed vertices finishes, dropping the floating one; with one it is
    // cancelled.
    AddAction(itPolyLine);
    Drag(10, 10, 60, 10);
    Move(90, 90);
    Click(90, 90, Qt::RightButton);
    ASSERT_EQ(Finished.size(), 2u);
    EXPECT_EQ(Finished[1].Points, (std::vector<TPoint2D>{{10, 10}, {60, 10}}));
    Press(10, 10);
    Move(50, 50);
    Click(50, 50, Qt::RightButton);
    EXPECT_EQ(Cancelled, 2);

    // With no gesture, a right click is reported as such, with the press position.
    Click(33, 44, Qt::RightButton);
    ASSERT_EQ(Finished.size(), 3u);
    EXPECT_EQ(Finished[2].Mode, afmRightClick);
    EXPECT_EQ(Finished[2].Points, (std::vector<TPoint2D>{{33, 44}}));
}

TEST_F(DesignerWidget, ZoomReportsClicksAndDraggedBoxes) {
    TActionItem& zoom = AddAction(itZoom);
    Click(40, 40);
    ASSERT_EQ(Finished.size(), 1u);
    EXPECT_EQ(Finished[0].Mode, afmClick);

    TBounds box;
    zoom.OnFinish = [&](TActionItem&, TInteractor& i, TActionFinishMode m) {
        Finished.push_back({0, m, {}});
        box = i.Bounds();
    };
    Drag(20, 30, 120, 90);
    ASSERT_EQ(Finished.size(), 2u);
    EXPECT_EQ(Finished[1].Mode, afmNormal);
    EXPECT_EQ(box.Center, (TPoint2D{70, 60}));
    EXPECT_NEAR(box.HalfWidth, 50, 1e-9);
    EXPECT_NEAR(box.HalfHeight, 30, 1e-9);

    Press(20, 30);
    Move(60, 60);
    Click(60, 60, Qt::RightButton); // ignored while zooming
    EXPECT_EQ(Cancelled, 0);
    Release(60, 60);
    EXPECT_EQ(Finished.size(), 3u);
}

TEST_F(DesignerWidget, ShapesTakeOneReleasePerKeyPointAfterTheBox) {
    for (int keys = 0; keys <= 2; ++keys) {
        TActionItem& shape = AddAction(itShape);
        const TShapeDef def = KeyedRectangle(keys);
        shape.ShapeDef().Assign(&def);
        Finished.clear();
        Pointer.clear();
        const QByteArray before = Buffer();

        Drag(20, 20, 120, 80);
        int releases = 1;
        const TPoint expected[2] = {{45, 35}, {95, 35}}; // (+-0.5, -0.5) in the box
        while (Finished.empty() && releases < 5) {
            ASSERT_EQ(int(Pointer.size()), releases);
            EXPECT_EQ(Pointer.back(), expected[releases - 1]);
            Move(Pointer.back().X + 3, Pointer.back().Y + 2);
            Click(Pointer.back().X + 3, Pointer.back().Y + 2);
            ++releases;
        }
        EXPECT_EQ(releases, keys + 1) << keys << " key points";
        ASSERT_EQ(Finished.size(), 1u);
        EXPECT_EQ(int(Finished[0].Points.size()), keys);
        if (keys > 0) EXPECT_EQ(Finished[0].Points[0], (TPoint2D{48, 37}));
        EXPECT_EQ(Buffer(), before);
    }
}

TEST_F(DesignerWidget, FeedbackOfAWholeGestureLeavesTheBufferAsItWas) {
    struct TCase {
        TInteractorType Type;
        TActionDrawMode Mode;
        bool Cancel;
    };
    // Cancel: a right click ends a second gesture (it finishes a polyline).
    const TCase cases[] = {
        {itPoint, admSegment, false}, {itPoints, admSegment, false}, {itPolyLine, admSegment, true},
        {itPolyLine, admFull, true},  {itPolygon, admSegment, true}, {itPolygon, admFull, false},
        {itZoom, admSegment, false},  {itSelect, admSegment, true},  {itShape, admSegment, false},
        {itShape, admSegment, true},
    };
    for (const TCase& c : cases) {
        AddAction(c.Type, c.Mode);
        const QByteArray before = Buffer();
        Press(30, 30);
        Move(70, 35);
        const bool drawn = Buffer() != before;
        Now += 50;
        Release(70, 35);
        Move(90, 100);
        Move(40, 120);
        Click(40, 120);
        Move(28, 31); // closes a polygon, ends the others
        Click(28, 31);
        if (c.Cancel) {
            Press(20, 90);
            Move(60, 60);
            Move(80, 70);
            Click(80, 70, Qt::RightButton);
        }
        EXPECT_TRUE(drawn) << int(c.Type);
        EXPECT_FALSE(Designer.Actions().Interactor()->Active()) << int(c.Type);
        EXPECT_EQ(Buffer(), before) << int(c.Type) << " " << int(c.Mode);
    }
}

TEST_F(DesignerWidget, TheToolSeesNothingWhilePointerRestsOverTheSelection) {
    TActionItem& tool = AddAction(itPoint);
    int toolEvents = 0;
    tool.OnStart = [&](TActionItem&, TInteractor&) { ++toolEvents; };
    tool.OnFinish = [&](TActionItem&, TInteractor&, TActionFinishMode) { ++toolEvents; };
    int selects = 0;
    Designer.OnSelect = [&](TNewDesigner&) { ++selects; };
    std::vector<TPoint> rightClicks;
    Designer.OnSelectRightClick = [&](int32_t X, int32_t Y) { rightClicks.push_back({X, Y}); };
    int transforms = 0;
    Designer.OnSelectStartTrans = [&](TTransformationInfo) { ++transforms; };
    Designer.OnSelectFinishTrans = [&](TTransformationInfo) { ++transforms; };

    TPoints2D square;
    square.Add(50, 50);
    square.Add(100, 50);
    square.Add(100, 100);
    square.Add(50, 100);
    TGeoPolygon outline(&square, nullptr, 50, 50, 100, 100);
    Designer.Selection().List().Add(&outline);
    Designer.Invalidate();

    Move(75, 50); // on an edge
    Click(75, 50);
    EXPECT_EQ(toolEvents, 0);
    EXPECT_GT(selects, 0);
    EXPECT_EQ(transforms, 2);
    Move(75, 50);
    Click(75, 50, Qt::RightButton);
    EXPECT_EQ(rightClicks, (std::vector<TPoint>{{75, 50}}));

    Move(10, 10); // empty canvas
    Click(10, 10);
    EXPECT_EQ(toolEvents, 2);
    Designer.Selection().List().Clear();
}
