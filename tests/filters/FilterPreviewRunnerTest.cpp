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

// Counts the rows a filter has reported and holds the run up at one row for a while, so that a
// test can act while the run is surely under way.
struct TRowCounter {
    explicit TRowCounter(int gateRow) : GateRow(gateRow) {}
    int GateRow;
    std::shared_ptr<std::atomic<int>> Rows = std::make_shared<std::atomic<int>>(0);
    TTickSource Clock() const {
        return [rows = Rows, gate = GateRow] {
            if (++*rows == gate) std::this_thread::sleep_for(std::chrono::milliseconds(500));
            return SystemTickCount();
        };
    }
    void WaitForGate() const {
        while (*Rows < GateRow) std::this_thread::yield();
    }
};

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
    TRowCounter counter(3);
    filter.TickSource = counter.Clock();

    TFilterPreviewRunner runner;
    std::atomic<int> finished{0}, completed{0};
    auto done = [&](uint64_t, bool ok) {
        ++finished;
        completed += ok;
    };
    runner.Start(filter, setup, {}, done);
    counter.WaitForGate();
    runner.Abandon();
    EXPECT_FALSE(runner.Wait());
    EXPECT_EQ(completed, 0);
    EXPECT_LT(*counter.Rows, setup.PreviewHeight()) << "the run went on to the end";

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
    TFilterPreviewRunner runner;
    runner.Start(filter, SetupFilterRegion(20, 20, nullptr), {}, {});
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
    TRowCounter counter(5);
    d.Filter()->TickSource = counter.Clock();

    d.SetPosition(QStringLiteral("rgMethod"), 2);
    d.SetPosition(QStringLiteral("sbAmount"), 15);
    d.RunPreview();
    counter.WaitForGate();
    ASSERT_TRUE(d.PreviewRunning());
    // The user moves on while the maximum of radius 15 is being computed.
    d.SetPosition(QStringLiteral("rgMethod"), 0);
    d.SetPosition(QStringLiteral("sbAmount"), 7);
    EXPECT_FALSE(d.PreviewRunning()) << "the stale run was abandoned";
    EXPECT_LE(*counter.Rows, 6);
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
