#pragma once
// The base of every image filter and the protocol that runs one.
//
// A filter is bound to one source image and one rectangular region of it. It produces its
// output through a span procedure: the image container calls it for every horizontal run of
// a rectangle, polygon or polygon set, and the filter writes the results for that run into
// whatever container the run belongs to. The same filter thus fills a region-sized preview
// buffer (the dialogs) or, for the per-pixel filters, the image itself (the direct commands).

#include "raster/DibContainer.h"
#include "raster/DibTypes.h"
#include "raster/DynamicArray.h"
#include "raster/Exceptions.h"

#include <atomic>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace kolvar {

// A filter parameter or selection a caller got wrong (unknown preset, malformed kernel, ...).
class EFilterError : public Exception {
public:
    using Exception::Exception;
};

// ClampRound(v, 0, 255) as a byte, for per-pixel loops. std::rint rounds exactly as Round does
// (to nearest, ties to even, in the default rounding mode) but, unlike std::nearbyint, needs
// no save and restore of the floating-point environment on every call.
inline uint8_t ClampRoundByte(double v) {
    const double c = v > 0 ? (v < 255 ? v : 255) : (v == v ? 0 : 255);
    return uint8_t(std::rint(c));
}

// Percent (0..100), the current pass and the number of passes.
using TFilterProgressEvent = std::function<void(int32_t Percent, int32_t Pass, int32_t PassCount)>;

// A millisecond tick count that wraps at 2^32.
using TTickSource = std::function<uint32_t()>;

// Milliseconds of a monotonic clock, truncated to 32 bits (the designer's clock).
uint32_t SystemTickCount();

// One band of rows of a pass, as the runner hands it to a thread of its own.
struct TFilterBand {
    // Target rows, inclusive.
    int32_t FirstRow = 0;
    int32_t LastRow = -1;
    // The pixels the pass's spans cover above FirstRow, after ClipSpan.
    int64_t PixelsBefore = 0;
    // The same for the whole pass.
    int64_t PixelsTotal = 0;
};

class TGraphicFilter {
public:
    // The progress reports come at most this often, however many runs a pass has.
    static constexpr uint32_t ProgressInterval = 300;

    // Region is clipped to the source image; a region wholly outside it leaves Bounds empty
    // (Right < Left or Bottom < Top) and the filter then writes nothing.
    TGraphicFilter(const TRect& Region, const TDibContainer& Source);
    virtual ~TGraphicFilter();
    TGraphicFilter(const TGraphicFilter&) = delete;
    TGraphicFilter& operator=(const TGraphicFilter&) = delete;

    TRect Bounds;
    const TDibContainer& Source;
    TFilterProgressEvent OnProgress;
    int32_t Pass = 1;
    int32_t PassCount = 1;
    TDibSpanProc SpanProc;
    double ProgressFactor = 100;
    uint32_t LastProgressTick = 0;
    // Where Progress reads the time; tests put a manual clock here.
    TTickSource TickSource = SystemTickCount;

    virtual void SetPass(int32_t Index);
    // Installs the span procedure, gives every parameter its default and builds the tables.
    // Concrete filters call their own Prepare as the last step of their constructor.
    virtual void Prepare();
    // Sizes Target to the region and fills it with the unfiltered region, so that every pixel
    // the filter does not reach keeps its source value.
    virtual void PrepareTarget(TDibContainer& Target);

    // Reports Row's share of the region, at most once per ProgressInterval. While the runner
    // splits a pass into bands, only the runner's own thread reports, with the share of the
    // spans every band has done so far.
    void Progress(int32_t Row);

    // A span procedure for one band of the current pass that may run while the other bands'
    // run on other threads, with scratch state of its own. Empty keeps the pass on one thread,
    // which is the default: a filter opts in only where its output does not depend on the
    // order in which rows are done. Once the band's spans are done the runner calls the
    // procedure once more with Y = -1 and no pixels (X2 < X1), so that one which gathers
    // spans can work through them then.
    virtual TDibSpanProc BandSpanProc(const TFilterBand& Band);
    // Called on the runner's thread once every band of a pass has finished.
    virtual void BandsFinished(const std::vector<TFilterBand>& Bands);

    // Asks the runner to abandon the run; safe from any thread, including a progress callback.
    // The runner then stops at the next span and leaves the target partly filtered.
    void Cancel() { FCancelled.store(true, std::memory_order_relaxed); }
    bool Cancelled() const { return FCancelled.load(std::memory_order_relaxed); }
    // Clears a cancellation so that the filter can run again.
    void ResetCancel() { FCancelled.store(false, std::memory_order_relaxed); }

    // The pixels of a span that ClipSpan leaves for Target (0 when none).
    int64_t ClippedSpanPixels(const TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2) const;

    // Used by the runner around a banded pass.
    void BeginBands(int64_t SpanCount);
    void EndBands();

    // Each target pixel comes from the source pixel at the same place alone (read before it is
    // written), so the filter may take its source image as its target.
    bool IsPointWise() const { return PointWise; }
    // Any set of the region's rows may be filtered alone, in any order, each starting from its
    // source pixels: the filter has one pass, a span writes only its own row and does not
    // depend on the spans done before it, and the target starts as a copy of the region.
    bool FiltersRowsAlone() const { return (RowsAlone || PointWise) && PassCount == 1; }

    int32_t RegionWidth() const { return Bounds.Right - Bounds.Left + 1; }
    int32_t RegionHeight() const { return Bounds.Bottom - Bounds.Top + 1; }

protected:
    // Whether every span may run at the same time as others without sharing scratch state:
    // then BandSpanProc hands out SpanProc itself.
    bool SpansIndependent = false;
    // See IsPointWise.
    bool PointWise = false;
    // See FiltersRowsAlone.
    bool RowsAlone = false;

    // Limits a run to the part that has a source pixel behind it; false when nothing is left.
    // Containers only call with runs inside the target, but a target larger than the region
    // must not make the filter read outside its source.
    bool ClipSpan(const TDibContainer& Target, int32_t Y, int32_t& X1, int32_t& X2) const;

    // Maps each source pixel of the run to its target pixel through op(source, target&),
    // then reports progress. The source pixel is passed by value, so a filter whose target
    // is its own source reads each pixel before it is overwritten.
    template <class TOp>
    void MapSpan(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, TOp&& op) {
        if (ClipSpan(Target, Y, X1, X2)) {
            const TDibColor* s = Source.PixelPtr(X1 + Bounds.Left, Y + Bounds.Top);
            TDibColor* d = Target.PixelPtr(X1, Y);
            for (int32_t i = 0, n = X2 - X1; i <= n; ++i) op(TDibColor(s[i]), d[i]);
        }
        Progress(Y);
    }

    // Makes SpanProc call member function fn of this filter.
    template <class TFilter>
    void InstallSpanProc(void (TFilter::*fn)(TDibContainer&, int32_t, int32_t, int32_t,
                                             const TRect&)) {
        TFilter* self = static_cast<TFilter*>(this);
        SpanProc = [self, fn](TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2,
                              const TRect& Shape) { (self->*fn)(Target, Y, X1, X2, Shape); };
    }

    // A span procedure calling fn of this filter with a scratch state that belongs to the
    // procedure alone (one per band).
    template <class TState, class TFilter>
    TDibSpanProc SpanProcWithState(void (TFilter::*fn)(TState&, TDibContainer&, int32_t, int32_t,
                                                       int32_t)) {
        TFilter* self = static_cast<TFilter*>(this);
        auto state = std::make_shared<TState>();
        return [self, fn, state](TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2,
                                 const TRect&) { (self->*fn)(*state, Target, Y, X1, X2); };
    }

private:
    std::atomic<bool> FCancelled{false};
    // Banded progress: spans done by all bands, of how many, and the thread that reports.
    std::atomic<int64_t> FSpansDone{0};
    int64_t FSpanCount = 0;
    std::thread::id FReporter;
    bool FBanded = false;
};

// The virtual constructor: makes a filter of one class on a region of a source image.
using TFilterFactory = std::function<std::unique_ptr<TGraphicFilter>(const TRect& Region,
                                                                     const TDibContainer& Source)>;

template <class TFilter>
std::unique_ptr<TGraphicFilter> NewFilter(const TRect& Region, const TDibContainer& Source) {
    return std::make_unique<TFilter>(Region, Source);
}

// The selection a filter command works inside, in image coordinates.
struct TFilterSelection {
    enum TKind { fsNone, fsRectangle, fsPolygon };
    TKind Kind = fsNone;
    // fsRectangle: an inclusive rectangle, filled exactly.
    TRect Rect;
    // fsPolygon: the outline, filled by the container's polygon rule.
    TPoints Points;
    // fsPolygon with two or more polygons: the point count of each; otherwise empty.
    TIntegerArray Counts;

    static TFilterSelection Rectangle(const TRect& r);
    static TFilterSelection Polygon(const TPoints& points);
    static TFilterSelection PolyPolygon(const TPoints& points, const TIntegerArray& counts);
};

// What a filter dialog derives from the document before it runs anything: the region it
// filters and the outline, translated so that the region's top-left corner is (0, 0).
struct TFilterSetup {
    TRect Region;
    TFilterSelection Outline;
    bool HasSelection = false;

    int32_t PreviewWidth() const;
    int32_t PreviewHeight() const;
};

// The region and translated outline for an image of W x H and an optional selection. With a
// selection the region is the selection's bounding box clipped to the image; the outline keeps
// its unclipped points, since the container clips the spans.
TFilterSetup SetupFilterRegion(int32_t W, int32_t H, const TFilterSelection* Selection);

// The number of bands the runner uses when given 0: one per core, fewer for small regions.
int32_t AutomaticBandCount(int32_t Width, int32_t Height);

// Runs every pass of Filter into Preview, as the dialogs' preview does: for each pass the
// filter's SetPass, PrepareTarget while the pass is 1, then the span procedure over the
// translated outline (or the whole preview without a selection), then a report of 100.
// A pass whose filter hands out band procedures runs as Bands bands of rows on as many
// threads (0: AutomaticBandCount), with the same result as on one. False when the run was
// abandoned through Filter.Cancel(); Preview is then only partly filtered.
bool RunFilterPreview(TGraphicFilter& Filter, const TFilterSetup& Setup, TDibContainer& Preview,
                      int32_t Bands = 0);

// As RunFilterPreview, but only the listed rows (region coordinates, ascending), and in them only
// the columns Left..Right, for a preview that shows a part of the region. Each pixel so filtered
// gets the value RunFilterPreview gives it; every other pixel of Preview is left as it was, so a
// fresh Preview costs memory only for the rows filtered. Preview takes the region's size. A
// filter that cannot filter rows alone (TGraphicFilter::FiltersRowsAlone), or a polygon
// selection, runs the whole preview instead.
bool RunFilterPreviewRows(TGraphicFilter& Filter, const TFilterSetup& Setup, TDibContainer& Preview,
                          const std::vector<int32_t>& Rows, int32_t Left, int32_t Right,
                          int32_t Bands = 0);

// The whole dialog protocol without a dialog: creates the filter on the setup's region of
// Image, lets configure set its parameters, runs the preview and writes it back into Image at
// the region's corner. Pixels outside the selection keep their values. Without a selection the
// preview becomes the image instead of being copied into it. A cancelled run (see
// TGraphicFilter::Cancel) leaves Image as it was and gives false.
bool ApplyFilterThroughPreview(const TFilterFactory& FilterClass, TDibContainer& Image,
                               const TFilterSelection* Selection,
                               const std::function<void(TGraphicFilter&)>& configure = {},
                               const TFilterProgressEvent& progress = {}, int32_t Bands = 0);

// As ApplyFilterThroughPreview, but a point-wise filter (TGraphicFilter::IsPointWise) without
// a selection works in Image itself, with no second image; a run cancelled then leaves Image
// partly filtered.
bool ApplyFilterSparingMemory(const TFilterFactory& FilterClass, TDibContainer& Image,
                              const TFilterSelection* Selection,
                              const std::function<void(TGraphicFilter&)>& configure = {},
                              const TFilterProgressEvent& progress = {}, int32_t Bands = 0);

// The dialog-less command for the per-pixel filters: the filter's region is the whole image,
// its source and target are Image itself, and the span procedure runs over the selection (or
// over the whole image without one, or when wholeImage is set).
void ApplyFilterDirect(const TFilterFactory& FilterClass, TDibContainer& Image,
                       const TFilterSelection* Selection, bool wholeImage = false,
                       int32_t Bands = 0, const TFilterProgressEvent& progress = {});

} // namespace kolvar
