#include "filters/GraphicFilter.h"

#include "raster/DibGeometry.h"
#include "raster/DibMath.h"

#include <algorithm>
#include <chrono>

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
    const uint32_t now = TickSource ? TickSource() : SystemTickCount();
    if (now - LastProgressTick <= ProgressInterval) return;
    LastProgressTick = now;
    if (OnProgress) OnProgress(Round(Row * ProgressFactor), Pass, PassCount);
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

} // namespace

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

void RunFilterPreview(TGraphicFilter& Filter, const TFilterSetup& Setup, TDibContainer& Preview) {
    const TRect whole{0, 0, Setup.PreviewWidth() - 1, Setup.PreviewHeight() - 1};
    for (int32_t i = 1; i <= Filter.PassCount; ++i) {
        Filter.SetPass(i);
        if (Filter.Pass == 1) Filter.PrepareTarget(Preview);
        FillOutline(Preview, Setup.Outline, whole, Filter.SpanProc);
        if (Filter.OnProgress) Filter.OnProgress(100, Filter.Pass, Filter.PassCount);
    }
}

void ApplyFilterThroughPreview(const TFilterFactory& FilterClass, TDibContainer& Image,
                               const TFilterSelection* Selection,
                               const std::function<void(TGraphicFilter&)>& configure,
                               const TFilterProgressEvent& progress) {
    const TFilterSetup setup = SetupFilterRegion(Image.Width(), Image.Height(), Selection);
    if (setup.PreviewWidth() == 0 || setup.PreviewHeight() == 0) return;
    std::unique_ptr<TGraphicFilter> filter = FilterClass(setup.Region, Image);
    filter->OnProgress = progress;
    if (configure) configure(*filter);
    TDibContainer preview(setup.PreviewWidth(), setup.PreviewHeight());
    RunFilterPreview(*filter, setup, preview);
    filter.reset();
    preview.BlendTo(Image, setup.Region.Left, setup.Region.Top, 0);
}

void ApplyFilterDirect(const TFilterFactory& FilterClass, TDibContainer& Image,
                       const TFilterSelection* Selection, bool wholeImage) {
    const TRect whole{0, 0, Image.Width() - 1, Image.Height() - 1};
    if (Image.Empty()) return;
    const TFilterSelection none;
    const TFilterSelection& outline = wholeImage || !Selection ? none : *Selection;
    std::unique_ptr<TGraphicFilter> filter = FilterClass(whole, Image);
    for (int32_t i = 1; i <= filter->PassCount; ++i) {
        filter->SetPass(i);
        FillOutline(Image, outline, whole, filter->SpanProc);
    }
}

} // namespace kolvar
