#include "filters/ViewPreview.h"

#include <algorithm>
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

bool RunViewPreview(TGraphicFilter& Filter, const TFilterSetup& Setup, const TRect& Rect,
                    int32_t ViewW, int32_t ViewH, TDibContainer& Result, int32_t Bands) {
    const int32_t w = Setup.PreviewWidth(), h = Setup.PreviewHeight();
    const TStretchSamples s = NearestStretchSamples(Rect, w, h, ViewW, ViewH);
    Result.SetSize(0, 0);
    Result.SetSize(ViewW, ViewH);
    if (s.Columns.empty() || s.Rows.empty()) return true;
    const auto [left, right] = std::minmax_element(s.Columns.begin(), s.Columns.end());
    // A fresh image: the rows the run leaves alone are never touched, so they cost no memory.
    TDibContainer region(w, h);
    if (!RunFilterPreviewRows(Filter, Setup, region, s.Rows, *left, *right, Bands)) return false;
    region.StretchTo(Result, Rect, false);
    return true;
}

void PaintViewPreview(const TDibContainer& Picture, const TRect& Rect, TDibContainer& Buffer) {
    if (Picture.Empty() || Picture.Width() != Buffer.Width() || Picture.Height() != Buffer.Height())
        return;
    const int32_t left = std::max(Rect.Left, 0), right = std::min(Rect.Right, Buffer.Width() - 1);
    const int32_t top = std::max(Rect.Top, 0), bottom = std::min(Rect.Bottom, Buffer.Height() - 1);
    if (left > right) return;
    for (int32_t y = top; y <= bottom; ++y)
        std::memcpy(Buffer.PixelPtr(left, y), Picture.PixelPtr(left, y), size_t(right - left + 1) * 3);
}

} // namespace kolvar
