#pragma once
// Small helpers shared by the filter tests.

#include "filters/GraphicFilter.h"
#include "raster/DibColors.h"
#include "raster/DibContainer.h"

#include <random>

namespace kolvar::test {

inline void FillNoise(TDibContainer& d, uint32_t seed) {
    std::mt19937 rng(seed);
    for (int32_t y = 0; y < d.Height(); ++y)
        for (int32_t x = 0; x < d.Width(); ++x) d.SetPixel(x, y, rng() & 0xFFFFFF);
}

inline TDibContainer NoiseImage(int32_t w, int32_t h, uint32_t seed) {
    TDibContainer d(w, h);
    FillNoise(d, seed);
    return d;
}

// A one-pixel image of colour c (as r, g, b) run through a freshly made filter of class T,
// configured by set, the way the preview runs it.
template <class T, class TSet> TDibColor FilterPixel(uint8_t r, uint8_t g, uint8_t b, TSet&& set) {
    TDibContainer src(1, 1);
    src.SetPixel(0, 0, TDibColor{b, g, r});
    T f(TRect{0, 0, 0, 0}, src);
    set(f);
    TDibContainer out;
    f.PrepareTarget(out);
    out.FillRect(0, 0, 0, 0, f.SpanProc);
    return out.GetPixel(0, 0);
}

inline TDibColor Rgb(uint8_t r, uint8_t g, uint8_t b) {
    return TDibColor{b, g, r};
}

} // namespace kolvar::test
