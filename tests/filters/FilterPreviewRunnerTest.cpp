// The off-thread preview: abandoned runs leave no trace, and the pixels are those of the
// synchronous run. Meant to be run under the thread or address sanitizer as well.

#include "FakeFilterDocument.h"
#include "FilterRunSupport.h"
#include "FilterTestSupport.h"

#include "filters/Blur.h"
#include "filters/FilterPreviewRunner.h"
#include "filters/GraphicFilterTable.h"
#include "filters/uFRMFilterDialogs.h"

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <thread>

using namespace kolvar;
using namespace kolvar::test;

namespace {

const std::vector<TPoint> Triangle = {{3, 2}, {150, 40}, {30, 110}};

TFilterSelection TriangleSelection() {
    TPoints p;
    for (const TPoint& q : Triangle) p.Add(q.X, q.Y);
    return TFilterSelection::Polygon(p);
}

} // namespace

TEST(FilterPreviewRunner, AnAbandonedRunGivesWayToTheSynchronousResultOfTheLastParameters) {
    const TDibContainer src = NoiseImage(160, 120, 3);
    const TFilterSelection sel = TriangleSelection();
    const TFilterSetup setup = SetupFilterRegion(src.Width(), src.Height(), &sel);
    TBlurFilter filter(setup.Region, src);
    filter.SetRadius(15);
    TRowGate gate(3);
    filter.TickSource = gate.Clock();

    TFilterPreviewRunner runner;
    std::atomic<int> finished{0}, completed{0};
    auto done = [&](uint64_t, bool ok) {
        ++finished;
        completed += ok;
    };
    runner.Start(filter, setup, {}, done);
    gate.WaitUntilHeld();
    runner.RequestStop();
    EXPECT_FALSE(runner.Idle());
    gate.Release();
    EXPECT_FALSE(runner.Wait());
    EXPECT_TRUE(runner.Idle());
    EXPECT_EQ(completed, 0);
    EXPECT_EQ(gate.Rows(), 3) << "the run went on after it was abandoned";

    filter.SetRadius(6);
    runner.Start(filter, setup, {}, done);
    EXPECT_TRUE(runner.Wait());
    EXPECT_EQ(finished, 2);
    EXPECT_EQ(completed, 1);
    EXPECT_TRUE(filter.TickSource) << "the filter's own clock is back";

    TBlurFilter reference(setup.Region, src);
    reference.SetRadius(6);
    TDibContainer expected(setup.PreviewWidth(), setup.PreviewHeight());
    RunFilterPreview(reference, setup, expected);
    EXPECT_EQ(CountDifferences(runner.Result(), expected), 0);
}

TEST(FilterPreviewRunner, AFailingFilterIsReportedNotApplied) {
    const TDibContainer src = NoiseImage(20, 20, 1);
    TBlurFilter filter(TRect{0, 0, 19, 19}, src);
    filter.TickSource = []() -> uint32_t { throw std::runtime_error("out of memory"); };
    const TFilterSetup setup = SetupFilterRegion(20, 20, nullptr);
    TFilterPreviewRunner runner;
    runner.Start(filter, setup, {}, {});
    EXPECT_FALSE(runner.Wait());
    EXPECT_TRUE(runner.Failure());
}

TEST(FilterPreviewRunner, AChangeDuringASlowDialogRunEndsWithTheLastParameters) {
    const TDibContainer src = NoiseImage(160, 120, 5);
    TFakeFilterDocument doc(src);
    doc.SelectionPolygon = Triangle;
    TfrmFilterParams d(*FindFilter(25), doc);
    d.EnsureCreated();
    d.SetupFilter();
    TRowGate gate(5);
    d.Filter()->TickSource = gate.Clock();

    d.SetPosition(QStringLiteral("rgMethod"), 2);
    d.SetPosition(QStringLiteral("sbAmount"), 15);
    d.RunPreview();
    gate.WaitUntilHeld();
    ASSERT_TRUE(d.PreviewRunning());
    // The user moves on while the maximum of radius 15 is being computed.
    d.SetPosition(QStringLiteral("rgMethod"), 0);
    d.SetPosition(QStringLiteral("sbAmount"), 7);
    EXPECT_FALSE(d.PreviewRunning()) << "the stale run was abandoned";
    EXPECT_TRUE(gate.Held()) << "the change waited for the stale run to end";
    EXPECT_EQ(dynamic_cast<TRoughFilter&>(*d.Filter()).Method(), TRoughFilter::rmMaximum)
        << "the worker's filter changed under it";
    gate.Release();
    EXPECT_FALSE(d.PreviewCurrent());
    d.FinishPreview();
    ASSERT_TRUE(d.PreviewCurrent());

    TDibContainer expected = src;
    const TFilterSelection sel = TriangleSelection();
    ApplyFilterThroughPreview(NewFilter<TRoughFilter>, expected, &sel, [](TGraphicFilter& f) {
        auto& r = dynamic_cast<TRoughFilter&>(f);
        r.SetMethod(TRoughFilter::rmMedian);
        r.SetRadius(7 / 3);
    });
    EXPECT_EQ(CountDifferences(doc.ComposedView(), expected), 0);
    // Queued notices of the abandoned run change nothing once they arrive.
    QCoreApplication::processEvents();
    EXPECT_EQ(CountDifferences(doc.ComposedView(), expected), 0);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Rank"));
}
