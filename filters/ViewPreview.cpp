#include "filters/ViewPreview.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

namespace kolvar {

bool PreviewThroughView(const TGraphicFilter& Filter, const TFilterSetup& Setup,
                        size_t LimitBytes) {
    if (Setup.Outline.Kind == TFilterSelection::fsPolygon || !Filter.FiltersRowsAlone())
        return false;
    const size_t bytes =
        size_t(TDibContainer::StrideFor(Setup.PreviewWidth())) * size_t(Setup.PreviewHeight());
    return bytes > LimitBytes;
}

namespace {

// Source rows filtered at a time: each batch gets a fresh region-sized image and gives its
// memory back before the next, so a zoomed-out view never holds more than a batch of rows.
constexpr size_t kRowsPerBatch = 64;

// Reports each batch's progress as its share of the whole run, and puts the filter's own
// report back however the run ends.
class TBatchProgress {
public:
    TBatchProgress(TGraphicFilter& f, size_t batches) : FFilter(f), FOwn(f.OnProgress) {
        if (!FOwn) return;
        f.OnProgress = [this, batches](int32_t percent, int32_t pass, int32_t passes) {
            FOwn(int32_t((FBatch * 100 + size_t(percent)) / batches), pass, passes);
        };
    }
    ~TBatchProgress() { FFilter.OnProgress = FOwn; }
    void Next() { ++FBatch; }

private:
    TGraphicFilter& FFilter;
    TFilterProgressEvent FOwn;
    size_t FBatch = 0;
};

} // namespace

bool RunViewPreview(TGraphicFilter& Filter, const TFilterSetup& Setup, const TRect& Rect,
                    int32_t ViewW, int32_t ViewH, TDibContainer& Result, int32_t Bands) {
    const int32_t w = Setup.PreviewWidth(), h = Setup.PreviewHeight();
    const TStretchSamples s = NearestStretchSamples(Rect, w, h, ViewW, ViewH);
    Result.SetSize(0, 0);
    Result.SetSize(ViewW, ViewH);
    if (s.Columns.empty() || s.Rows.empty()) return true;
    const auto [left, right] = std::minmax_element(s.Columns.begin(), s.Columns.end());
    // The stretch walks the source rows downwards, so equal rows come together.
    std::vector<int32_t> rows(s.Rows);
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    const size_t batches = (rows.size() + kRowsPerBatch - 1) / kRowsPerBatch;
    TBatchProgress progress(Filter, batches);
    size_t j = 0; // the next destination row to fill
    for (size_t first = 0; first < rows.size(); first += kRowsPerBatch, progress.Next()) {
        const std::vector<int32_t> batch(
            rows.begin() + std::ptrdiff_t(first),
            rows.begin() + std::ptrdiff_t(std::min(first + kRowsPerBatch, rows.size())));
        // A fresh image: the rows the run leaves alone are never touched, so cost no memory.
        TDibContainer region(w, h);
        if (!RunFilterPreviewRows(Filter, Setup, region, batch, *left, *right, Bands)) return false;
        for (; j < s.Rows.size() && s.Rows[j] <= batch.back(); ++j) {
            const TDibColor* src = region.PixelPtr(0, s.Rows[j]);
            TDibColor* d = Result.PixelPtr(s.FirstColumn, s.FirstRow + int32_t(j));
            for (size_t i = 0; i < s.Columns.size(); ++i) d[i] = src[s.Columns[i]];
        }
    }
    return true;
}

void PaintViewPreview(const TDibContainer& Picture, const TRect& Rect, TDibContainer& Buffer) {
    if (Picture.Empty() || Picture.Width() != Buffer.Width() || Picture.Height() != Buffer.Height())
        return;
    const int32_t left = std::max(Rect.Left, 0), right = std::min(Rect.Right, Buffer.Width() - 1);
    const int32_t top = std::max(Rect.Top, 0), bottom = std::min(Rect.Bottom, Buffer.Height() - 1);
    if (left > right) return;
    for (int32_t y = top; y <= bottom; ++y)
        std::memcpy(Buffer.PixelPtr(left, y), Picture.PixelPtr(left, y),
                    size_t(right - left + 1) * 3);
}

} // namespace kolvar
