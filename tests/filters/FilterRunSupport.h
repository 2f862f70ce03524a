#pragma once
// Running one filter object the way the preview does, for the filter tests.

#include "filters/GraphicFilter.h"
#include "raster/DibContainer.h"

#include <gtest/gtest.h>

namespace kolvar::test {

// Every pass of the filter over the whole region (or the selection) into a fresh preview.
inline TDibContainer RunPreview(TGraphicFilter& f, int32_t W, int32_t H,
                                const TFilterSelection* sel = nullptr) {
    const TFilterSetup setup = SetupFilterRegion(W, H, sel);
    TDibContainer out(setup.PreviewWidth(), setup.PreviewHeight());
    RunFilterPreview(f, setup, out);
    return out;
}

// A filter of class T on the whole of src, configured by set, run as the preview runs it.
template <class T, class TSet> TDibContainer RunWhole(const TDibContainer& src, TSet&& set) {
    T f(TRect{0, 0, src.Width() - 1, src.Height() - 1}, src);
    set(f);
    return RunPreview(f, src.Width(), src.Height());
}

inline int32_t CountDifferences(const TDibContainer& a, const TDibContainer& b) {
    int32_t n = 0;
    for (int32_t y = 0; y < a.Height(); ++y)
        for (int32_t x = 0; x < a.Width(); ++x) n += !(a.GetPixel(x, y) == b.GetPixel(x, y));
    return n;
}

} // namespace kolvar::test
