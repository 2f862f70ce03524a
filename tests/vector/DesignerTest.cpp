// The view transform and the action table, without a widget.

#include "vector/Designer.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace kolvar;

namespace {

bool SameMatrix(const TTransformMatrix& a, const TTransformMatrix& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TProjector DefaultProjector() {
    return TProjector(nullptr, TRect{0, 0, 300, 300}, {150, 150}, {-150, -150});
}

} // namespace

TEST(DesignerProjector, DefaultMapsWindowOntoViewport) {
    const TProjector p = DefaultProjector();
    EXPECT_EQ(p.Scale(), (TPoint2D{1, 1}));
    EXPECT_EQ(p.WorldToScreen(-150, -150), (TPoint2D{0, 0}));
    EXPECT_EQ(p.WorldToScreen(150, 150), (TPoint2D{300, 300}));
    EXPECT_EQ(p.ScreenToWorld(150, 150), (TPoint2D{0, 0}));
}

TEST(DesignerProjector, SetScaleAndSetCenterWithCurrentValuesChangeNothing) {
    TProjector p = DefaultProjector();
    p.SetViewport({0, 0, 383, 238});
    p.SetCenter({200.5, 100.25});
    p.SetScale({1.1, 1.1});
    const TTransformMatrix screen = p.ToScreen();
    const TTransformMatrix world = p.ToWorld();
    const TPoint2D min = p.WindowMin();
    const TPoint2D max = p.WindowMax();
    p.SetScale(p.Scale());
    p.SetScale({-p.Scale().X, -p.Scale().Y}); // the absolute values count
    p.SetCenter(p.Center());
    EXPECT_TRUE(SameMatrix(p.ToScreen(), screen));
    EXPECT_TRUE(SameMatrix(p.ToWorld(), world));
    EXPECT_EQ(p.WindowMin(), min);
    EXPECT_EQ(p.WindowMax(), max);
}

TEST(DesignerProjector, SetWindowShowsTheWholeWindowWithEqualScales) {
    struct TCase {
        TPoint2D Min, Max;
        TRect Viewport;
    };
    const TCase cases[] = {
        {{0, 0}, {400, 100}, {0, 0, 200, 200}},  // wider than the viewport
        {{10, 20}, {60, 420}, {0, 0, 300, 150}}, // taller
        {{-5, -5}, {5, 5}, {0, 0, 640, 480}},
        {{100, 100}, {0, 0}, {0, 0, 200, 100}}, // corners given the other way round
    };
    for (const TCase& c : cases) {
        TProjector p = DefaultProjector();
        p.SetWindow(c.Min, c.Max, c.Viewport);
        EXPECT_EQ(p.Scale().X, p.Scale().Y);
        const double w = c.Viewport.Right - c.Viewport.Left;
        const double h = c.Viewport.Bottom - c.Viewport.Top;
        for (const TPoint2D corner : {c.Min, c.Max}) {
            const TPoint2D s = p.WorldToScreen(corner.X, corner.Y);
            EXPECT_GE(s.X, -1e-9);
            EXPECT_LE(s.X, w + 1e-9);
            EXPECT_GE(s.Y, -1e-9);
            EXPECT_LE(s.Y, h + 1e-9);
        }
        // One axis of the window exactly fills the viewport.
        const TPoint2D a = p.WorldToScreen(c.Min.X, c.Min.Y);
        const TPoint2D b = p.WorldToScreen(c.Max.X, c.Max.Y);
        const bool fillsX = std::abs(std::abs(b.X - a.X) - w) < 1e-9;
        const bool fillsY = std::abs(std::abs(b.Y - a.Y) - h) < 1e-9;
        EXPECT_TRUE(fillsX || fillsY);
        const TPoint2D back = p.ScreenToWorld(b.X, b.Y);
        EXPECT_NEAR(back.X, c.Max.X, 1e-9);
        EXPECT_NEAR(back.Y, c.Max.Y, 1e-9);
    }
}

TEST(DesignerProjector, ZoomKeepsTheCentreAndAnEmptyViewportKeepsTheView) {
    TProjector p = DefaultProjector();
    p.SetViewport({0, 0, 400, 300});
    p.SetCenter({320, 240});
    p.SetScale({1.1, 1.1});
    EXPECT_EQ(p.Scale(), (TPoint2D{1.1, 1.1}));
    EXPECT_NEAR(p.Center().X, 320, 1e-9);
    EXPECT_NEAR(p.Center().Y, 240, 1e-9);
    const TPoint2D mid = p.WorldToScreen(320, 240);
    EXPECT_NEAR(mid.X, 200, 1e-4);
    EXPECT_NEAR(mid.Y, 150, 1e-4);

    // A minimised control must not turn the matrices into infinities, and the view must come
    // back when the control is restored.
    const TPoint2D scale = p.Scale();
    p.SetViewport({0, 0, 0, 0});
    p.SetScale({0, 0});
    EXPECT_EQ(p.Scale(), scale);
    p.SetViewport({0, 0, 400, 300});
    EXPECT_NEAR(p.Scale().X, scale.X, 1e-6);
    EXPECT_NEAR(p.Center().X, 320, 1e-6);
}

TEST(DesignerActions, ActiveIndexAndRebuildRules) {
    TActionCollection actions(nullptr, nullptr);
    EXPECT_EQ(actions.Interactor(), nullptr);
    TActionItem& point = actions.Add();
    TActionItem& line = actions.Add();
    line.SetInteractorType(itPoints);
    EXPECT_EQ(actions.ActiveItem(), &point);
    ASSERT_NE(actions.Interactor(), nullptr);
    EXPECT_EQ(actions.Interactor()->InteractorType(), itPoint);

    actions.SetActiveAction(5);
    actions.SetActiveAction(-1);
    EXPECT_EQ(actions.ActiveIndex(), 0);
    actions.SetActiveAction(1);
    EXPECT_EQ(actions.ActiveItem(), &line);
    EXPECT_EQ(actions.Interactor()->InteractorType(), itPoints);

    // A running gesture is dropped silently when the active item's settings change.
    int events = 0;
    line.OnCancel = [&](TActionItem&, TInteractor&) { ++events; };
    line.OnFinish = [&](TActionItem&, TInteractor&, TActionFinishMode) { ++events; };
    actions.MouseDown(Qt::LeftButton, {}, 10, 10);
    EXPECT_TRUE(actions.Interactor()->Active());
    line.SetVertCount(1);
    EXPECT_TRUE(actions.Interactor()->Active()); // ignored: below 2
    EXPECT_EQ(line.VertCount(), 2);
    line.SetActionName(QStringLiteral("DrawLine"));
    EXPECT_TRUE(actions.Interactor()->Active()); // a name is no reason to rebuild
    line.SetVertCount(3);
    EXPECT_FALSE(actions.Interactor()->Active());
    EXPECT_EQ(actions.Interactor()->VertCount(), 3);
    EXPECT_EQ(events, 0);
    EXPECT_EQ(line.DisplayName(), QStringLiteral("DrawLine"));
    EXPECT_EQ(point.DisplayName(), QStringLiteral("TActionItem"));
}

TEST(DesignerActions, HandlersMayReplaceTheirOwnInteractorAndItem) {
    // Regression: a finish handler that switches the tool used to free the interactor that
    // was still running it.
    TActionCollection actions(nullptr, nullptr);
    TActionItem& first = actions.Add();
    actions.Add();
    int finished = 0;
    first.OnFinish = [&](TActionItem&, TInteractor&, TActionFinishMode) {
        ++finished;
        actions.SetActiveAction(1);
        actions.Delete(0);
    };
    actions.MouseDown(Qt::LeftButton, {}, 4, 4);
    actions.MouseUp(Qt::LeftButton, {}, 4, 4);
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(actions.Count(), 1);
    EXPECT_EQ(actions.ActiveIndex(), 1); // now past the end: no item, no interactor
    EXPECT_EQ(actions.Interactor(), nullptr);

    TActionCollection copy(nullptr, nullptr);
    copy.Assign(actions);
    EXPECT_EQ(copy.Count(), 1);
    EXPECT_EQ(copy.ActiveIndex(), 0);
    ASSERT_NE(copy.Interactor(), nullptr);
}
