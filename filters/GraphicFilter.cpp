#include "filters/GraphicFilter.h"

#include "raster/DibGeometry.h"
#include "raster/DibMath.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <exception>

namespace kolvar {

namespace {

TRect ClipToImage(const TRect& r, int32_t W, int32_t H) {
    return TRect{std::max(r.Left, 0), std::max(r.Top, 0), std::min(r.Right, W - 1),
                 std::min(r.Bottom, H - 1)};
}

} // namespace

TGraphicFilter::TGraphicFilter(const TRect& Region, const TDibContainer& Source)
    : Bounds(ClipToImage(Region, Source.Width(), Source.Height())), Source(Source) {
    ProgressFactor = 100.0 / double(std::max(int64_t(Bounds.Bottom) - Bounds.Top + 1, int64_t(1)));
}

TGraphicFilter::~TGraphicFilter() = default;

void TGraphicFilter::SetPass(int32_t Index) {
    if (Index != Pass) Pass = Index;
}

void TGraphicFilter::Prepare() {}

void TGraphicFilter::PrepareTarget(TDibContainer& Target) {
    const int32_t w = std::max(RegionWidth(), 0);
    const int32_t h = std::max(RegionHeight(), 0);
    if (w == 0 || h == 0) {
        Target.SetSize(0, 0);
        return;
    }
    if (Target.Width() != w || Target.Height() != h) Target.SetSize(w, h);
    Source.CopyRectTo(Bounds, Target);
}

void TGraphicFilter::Progress(int32_t Row) {
    int32_t percent = 0;
    if (FBanded) {
        const int64_t done = FSpansDone.fetch_add(1, std::memory_order_relaxed) + 1;
        if (std::this_thread::get_id() != FReporter) return;
        percent = int32_t(std::min<int64_t>(done * 100 / std::max<int64_t>(FSpanCount, 1), 100));
    } else {
        percent = Round(Row * ProgressFactor);
    }
    const uint32_t now = TickSource ? TickSource() : SystemTickCount();
    if (now - LastProgressTick <= ProgressInterval) return;
    LastProgressTick = now;
    if (OnProgress) OnProgress(percent, Pass, PassCount);
}

TDibSpanProc TGraphicFilter::BandSpanProc(const TFilterBand&) {
    return SpansIndependent ? SpanProc : TDibSpanProc();
}

void TGraphicFilter::BandsFinished(const std::vector<TFilterBand>&) {}

int64_t TGraphicFilter::ClippedSpanPixels(const TDibContainer& Target, int32_t Y, int32_t X1,
                                          int32_t X2) const {
    return ClipSpan(Target, Y, X1, X2) ? int64_t(X2) - X1 + 1 : 0;
}

void TGraphicFilter::BeginBands(int64_t SpanCount) {
    FSpansDone.store(0, std::memory_order_relaxed);
    FSpanCount = SpanCount;
    FReporter = std::this_thread::get_id();
    FBanded = true;
}

void TGraphicFilter::EndBands() {
    FBanded = false;
}

bool TGraphicFilter::ClipSpan(const TDibContainer& Target, int32_t Y, int32_t& X1,
                              int32_t& X2) const {
    if (Y < 0 || Y >= RegionHeight() || Y >= Target.Height()) return false;
    X1 = std::max(X1, 0);
    X2 = std::min({X2, RegionWidth() - 1, Target.Width() - 1});
    return X1 <= X2;
}

// ---- Selections ------------------------------------------------------------------------------

TFilterSelection TFilterSelection::Rectangle(const TRect& r) {
    TFilterSelection s;
    s.Kind = fsRectangle;
    s.Rect = NormalizeRect(r);
    return s;
}

TFilterSelection TFilterSelection::Polygon(const TPoints& points) {
    TFilterSelection s;
    s.Kind = fsPolygon;
    s.Points.Assign(points);
    return s;
}

TFilterSelection TFilterSelection::PolyPolygon(const TPoints& points, const TIntegerArray& counts) {
    TFilterSelection s = Polygon(points);
    if (counts.Count() >= 2) s.Counts.Assign(counts);
    return s;
}

namespace {

TRect SelectionBounds(const TFilterSelection& s) {
    if (s.Kind == TFilterSelection::fsRectangle) return s.Rect;
    if (s.Counts.Count() >= 2) return PolyPointsBounds(s.Points, s.Counts);
    return PointsBounds(s.Points.Data(), s.Points.Count());
}

// t := the selection moved by (dx, dy).
void TranslateInto(const TFilterSelection& s, int32_t dx, int32_t dy, TFilterSelection& t) {
    t.Kind = s.Kind;
    t.Rect = TRect{s.Rect.Left + dx, s.Rect.Top + dy, s.Rect.Right + dx, s.Rect.Bottom + dy};
    t.Counts.Assign(s.Counts);
    for (int32_t i = 0; i < s.Points.Count(); ++i) {
        const TPoint p = s.Points.Get(i);
        t.Points.Add(p.X + dx, p.Y + dy);
    }
}

// Calls the span procedure over the outline, or over the rectangle when there is none.
void FillOutline(TDibContainer& Target, const TFilterSelection& Outline, const TRect& Whole,
                 const TDibSpanProc& proc) {
    switch (Outline.Kind) {
    case TFilterSelection::fsNone:
        Target.FillRect(Whole.Left, Whole.Top, Whole.Right, Whole.Bottom, proc);
        break;
    case TFilterSelection::fsRectangle:
        Target.FillRect(Outline.Rect.Left, Outline.Rect.Top, Outline.Rect.Right,
                        Outline.Rect.Bottom, proc);
        break;
    case TFilterSelection::fsPolygon:
        if (Outline.Counts.Count() >= 2)
            Target.FillPolyPolygon(Outline.Points, Outline.Counts, proc);
        else
            Target.FillPolygon(Outline.Points, proc);
        break;
    }
}

// The pass's spans, counted once so that the bands can share the pixels out evenly and each
// can tell how many pixels lie above it.
struct TPassPlan {
    std::vector<TFilterBand> Bands;
    int64_t SpanCount = 0;
};

// The rows a pass leaves out, when it filters only some: rowMask[y] is 0 for them.
using TRowMask = std::vector<uint8_t>;

bool RowWanted(const TRowMask* rowMask, int32_t Y) {
    return !rowMask || (*rowMask)[size_t(Y)];
}

TPassPlan PlanBands(const TGraphicFilter& f, TDibContainer& target, const TFilterSelection& outline,
                    const TRect& whole, int32_t bandCount, const TRowMask* rowMask = nullptr) {
    TPassPlan plan;
    std::vector<int64_t> rowPixels(size_t(target.Height()), 0);
    FillOutline(target, outline, whole,
                [&](TDibContainer& t, int32_t Y, int32_t X1, int32_t X2, const TRect&) {
                    if (!RowWanted(rowMask, Y)) return;
                    rowPixels[size_t(Y)] += f.ClippedSpanPixels(t, Y, X1, X2);
                    ++plan.SpanCount;
                });
    int64_t total = 0;
    for (const int64_t n : rowPixels) total += n;
    // Band k ends on the row where the running count first reaches k/n of the pixels.
    TFilterBand band;
    band.PixelsTotal = total;
    int64_t before = 0;
    for (int32_t y = 0; y < target.Height(); ++y) {
        before += rowPixels[size_t(y)];
        const int32_t k = int32_t(plan.Bands.size()) + 1;
        const bool last = y == target.Height() - 1;
        if (last ||
            (k < bandCount && before * bandCount >= total * k && before > band.PixelsBefore)) {
            band.LastRow = y;
            plan.Bands.push_back(band);
            band.FirstRow = y + 1;
            band.PixelsBefore = before;
        }
    }
    return plan;
}

// The span procedure restricted to one band's rows, stopping once the run is abandoned.
TDibSpanProc BandRows(const TGraphicFilter& f, const TFilterBand& band, const TDibSpanProc& proc,
                      const TRowMask* rowMask) {
    return [&f, band, &proc, rowMask](TDibContainer& t, int32_t Y, int32_t X1, int32_t X2,
                                      const TRect& s) {
        if (Y >= band.FirstRow && Y <= band.LastRow && RowWanted(rowMask, Y) && !f.Cancelled())
            proc(t, Y, X1, X2, s);
    };
}

// Runs the bands on threads of their own, the first one on the calling thread.
void RunBands(TGraphicFilter& f, TDibContainer& target, const TFilterSelection& outline,
              const TRect& whole, const TPassPlan& plan, const std::vector<TDibSpanProc>& procs,
              const TRowMask* rowMask = nullptr) {
    const size_t n = plan.Bands.size();
    std::vector<std::exception_ptr> errors(n);
    const auto run = [&](size_t i) {
        try {
            FillOutline(target, outline, whole, BandRows(f, plan.Bands[i], procs[i], rowMask));
            if (!f.Cancelled()) procs[i](target, -1, 0, -1, whole);
        } catch (...) {
            errors[i] = std::current_exception();
            f.Cancel();
        }
    };
    // Progress must know it runs banded before any band reports.
    f.BeginBands(plan.SpanCount);
    std::vector<std::thread> threads;
    threads.reserve(n - 1);
    try {
        for (size_t i = 1; i < n; ++i) threads.emplace_back(run, i);
    } catch (...) {
        // No thread to be had: the bands already started stop, and the error goes up.
        errors[0] = std::current_exception();
        f.Cancel();
    }
    if (!errors[0]) run(0);
    for (std::thread& t : threads) t.join();
    f.EndBands();
    for (const std::exception_ptr& e : errors)
        if (e) std::rethrow_exception(e);
}

// One pass over the outline, in bands when the filter allows it; false once cancelled.
bool RunPass(TGraphicFilter& f, TDibContainer& target, const TFilterSelection& outline,
             const TRect& whole, int32_t bands) {
    if (!f.SpanProc) return !f.Cancelled();
    if (bands <= 0) bands = AutomaticBandCount(target.Width(), target.Height());
    bands = std::min(bands, std::max(target.Height(), 1));
    if (bands > 1) {
        const TPassPlan plan = PlanBands(f, target, outline, whole, bands);
        std::vector<TDibSpanProc> procs;
        for (const TFilterBand& b : plan.Bands) procs.push_back(f.BandSpanProc(b));
        const bool banded =
            plan.Bands.size() > 1 &&
            std::all_of(procs.begin(), procs.end(), [](const TDibSpanProc& p) { return bool(p); });
        if (banded) {
            RunBands(f, target, outline, whole, plan, procs);
            if (!f.Cancelled()) f.BandsFinished(plan.Bands);
            return !f.Cancelled();
        }
    }
    FillOutline(target, outline, whole,
                [&f](TDibContainer& t, int32_t Y, int32_t X1, int32_t X2, const TRect& s) {
                    if (!f.Cancelled()) f.SpanProc(t, Y, X1, X2, s);
                });
    return !f.Cancelled();
}

// Gives every preview pixel that the outline leaves out its source value again. The filter
// may have filled the whole target before it ran (Ripple's colour mode starts from black), but
// only the pixels inside the selection may change.
void RestoreOutsideOutline(const TGraphicFilter& f, const TFilterSetup& setup,
                           TDibContainer& preview, const TRect& whole) {
    const int32_t w = preview.Width(), h = preview.Height();
    std::vector<uint8_t> inside(size_t(w) * size_t(h), 0);
    FillOutline(preview, setup.Outline, whole,
                [&](TDibContainer&, int32_t Y, int32_t X1, int32_t X2, const TRect&) {
                    std::fill_n(&inside[size_t(Y) * size_t(w) + size_t(X1)], X2 - X1 + 1, 1);
                });
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* in = &inside[size_t(y) * size_t(w)];
        const TDibColor* s = f.Source.PixelPtr(setup.Region.Left, y + setup.Region.Top);
        TDibColor* d = preview.PixelPtr(0, y);
        for (int32_t x = 0; x < w; ++x)
            if (!in[x]) d[x] = s[x];
    }
}

} // namespace

int32_t AutomaticBandCount(int32_t Width, int32_t Height) {
    // Below this many pixels a thread costs more to start than it saves.
    constexpr int64_t MinPixelsPerBand = 16384;
    const int64_t pixels = int64_t(std::max(Width, 0)) * std::max(Height, 0);
    const int64_t cores = std::max<int64_t>(std::thread::hardware_concurrency(), 1);
    return int32_t(std::clamp<int64_t>(pixels / MinPixelsPerBand, 1, cores));
}

int32_t TFilterSetup::PreviewWidth() const {
    return std::max(Region.Right - Region.Left + 1, 0);
}

int32_t TFilterSetup::PreviewHeight() const {
    return std::max(Region.Bottom - Region.Top + 1, 0);
}

TFilterSetup SetupFilterRegion(int32_t W, int32_t H, const TFilterSelection* Selection) {
    TFilterSetup setup;
    setup.HasSelection = Selection && Selection->Kind != TFilterSelection::fsNone;
    if (!setup.HasSelection) {
        setup.Region = TRect{0, 0, W - 1, H - 1};
        return setup;
    }
    setup.Region = ClipToImage(SelectionBounds(*Selection), W, H);
    TranslateInto(*Selection, -setup.Region.Left, -setup.Region.Top, setup.Outline);
    return setup;
}

bool RunFilterPreview(TGraphicFilter& Filter, const TFilterSetup& Setup, TDibContainer& Preview,
                      int32_t Bands) {
    const TRect whole{0, 0, Setup.PreviewWidth() - 1, Setup.PreviewHeight() - 1};
    for (int32_t i = 1; i <= Filter.PassCount; ++i) {
        if (Filter.Cancelled()) return false;
        Filter.SetPass(i);
        if (Filter.Pass == 1) Filter.PrepareTarget(Preview);
        if (!RunPass(Filter, Preview, Setup.Outline, whole, Bands)) return false;
        if (Filter.OnProgress) Filter.OnProgress(100, Filter.Pass, Filter.PassCount);
    }
    if (Filter.Cancelled()) return false;
    if (Setup.HasSelection && !Preview.Empty())
        RestoreOutsideOutline(Filter, Setup, Preview, whole);
    return true;
}

bool RunFilterPreviewRows(TGraphicFilter& Filter, const TFilterSetup& Setup, TDibContainer& Preview,
                          const std::vector<int32_t>& Rows, int32_t Left, int32_t Right,
                          int32_t Bands) {
    const int32_t w = Setup.PreviewWidth(), h = Setup.PreviewHeight();
    Left = std::max(Left, 0);
    Right = std::min(Right, w - 1);
    const bool polygon = Setup.Outline.Kind == TFilterSelection::fsPolygon;
    if (!Filter.FiltersRowsAlone() || polygon)
        return RunFilterPreview(Filter, Setup, Preview, Bands);
    if (Filter.Cancelled()) return false;
    Filter.SetPass(1);
    if (Preview.Width() != w || Preview.Height() != h) Preview.SetSize(w, h);
    if (Preview.Empty() || Left > Right) return true;
    TRowMask mask(size_t(h), 0);
    int32_t count = 0;
    const size_t bytes = size_t(Right - Left + 1) * 3;
    for (const int32_t y : Rows) {
        if (y < 0 || y >= h || mask[size_t(y)]) continue;
        mask[size_t(y)] = 1;
        ++count;
        std::memcpy(Preview.PixelPtr(Left, y),
                    Filter.Source.PixelPtr(Left + Setup.Region.Left, y + Setup.Region.Top), bytes);
    }
    // The spans are the whole preview's, cut to the columns: some filters take their geometry
    // from the shape a span belongs to.
    const TRect whole{0, 0, w - 1, h - 1};
    if (Bands <= 0) Bands = AutomaticBandCount(Right - Left + 1, count);
    const TPassPlan plan = PlanBands(Filter, Preview, Setup.Outline, whole,
                                     std::clamp(Bands, 1, std::max(count, 1)), &mask);
    std::vector<TDibSpanProc> procs;
    for (const TFilterBand& b : plan.Bands) {
        TDibSpanProc proc = Filter.BandSpanProc(b);
        if (!proc) return RunFilterPreview(Filter, Setup, Preview, Bands);
        procs.push_back([proc, Left, Right](TDibContainer& t, int32_t Y, int32_t X1, int32_t X2,
                                            const TRect& Shape) {
            if (Y < 0)
                proc(t, Y, X1, X2, Shape);
            else if (std::max(X1, Left) <= std::min(X2, Right))
                proc(t, Y, std::max(X1, Left), std::min(X2, Right), Shape);
        });
    }
    RunBands(Filter, Preview, Setup.Outline, whole, plan, procs, &mask);
    if (Filter.Cancelled()) return false;
    Filter.BandsFinished(plan.Bands);
    if (Filter.OnProgress) Filter.OnProgress(100, Filter.Pass, Filter.PassCount);
    return !Filter.Cancelled();
}

namespace {

bool ApplyPreviewProtocol(const TFilterFactory& FilterClass, TDibContainer& Image,
                          const TFilterSelection* Selection,
                          const std::function<void(TGraphicFilter&)>& configure,
                          const TFilterProgressEvent& progress, int32_t Bands, bool inPlace) {
    const TFilterSetup setup = SetupFilterRegion(Image.Width(), Image.Height(), Selection);
    if (setup.PreviewWidth() == 0 || setup.PreviewHeight() == 0) return true;
    std::unique_ptr<TGraphicFilter> filter = FilterClass(setup.Region, Image);
    filter->OnProgress = progress;
    if (configure) configure(*filter);
    if (inPlace && !setup.HasSelection && filter->IsPointWise()) {
        // The image is its own preview: the same spans, without the copy PrepareTarget makes.
        const TRect whole{0, 0, Image.Width() - 1, Image.Height() - 1};
        for (int32_t i = 1; i <= filter->PassCount; ++i) {
            filter->SetPass(i);
            if (!RunPass(*filter, Image, setup.Outline, whole, Bands)) return false;
            if (filter->OnProgress) filter->OnProgress(100, filter->Pass, filter->PassCount);
        }
        return true;
    }
    TDibContainer preview(setup.PreviewWidth(), setup.PreviewHeight());
    if (!RunFilterPreview(*filter, setup, preview, Bands)) return false;
    filter.reset();
    if (!setup.HasSelection)
        Image = std::move(preview);
    else
        preview.BlendTo(Image, setup.Region.Left, setup.Region.Top, 0);
    return true;
}

} // namespace

bool ApplyFilterThroughPreview(const TFilterFactory& FilterClass, TDibContainer& Image,
                               const TFilterSelection* Selection,
                               const std::function<void(TGraphicFilter&)>& configure,
                               const TFilterProgressEvent& progress, int32_t Bands) {
    return ApplyPreviewProtocol(FilterClass, Image, Selection, configure, progress, Bands, false);
}

bool ApplyFilterSparingMemory(const TFilterFactory& FilterClass, TDibContainer& Image,
                              const TFilterSelection* Selection,
                              const std::function<void(TGraphicFilter&)>& configure,
                              const TFilterProgressEvent& progress, int32_t Bands) {
    return ApplyPreviewProtocol(FilterClass, Image, Selection, configure, progress, Bands, true);
}

void ApplyFilterDirect(const TFilterFactory& FilterClass, TDibContainer& Image,
                       const TFilterSelection* Selection, bool wholeImage, int32_t Bands,
                       const TFilterProgressEvent& progress) {
    const TRect whole{0, 0, Image.Width() - 1, Image.Height() - 1};
    if (Image.Empty()) return;
    const TFilterSelection none;
    const TFilterSelection& outline = wholeImage || !Selection ? none : *Selection;
    std::unique_ptr<TGraphicFilter> filter = FilterClass(whole, Image);
    filter->OnProgress = progress;
    for (int32_t i = 1; i <= filter->PassCount; ++i) {
        filter->SetPass(i);
        RunPass(*filter, Image, outline, whole, Bands);
    }
}

} // namespace kolvar
