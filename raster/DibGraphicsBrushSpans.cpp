// The brush's span procedures for solid colours, tiled patterns and rotated textures. Every
// procedure clips its run to the image itself, so a direct call with any arguments stays
// inside the pixels.
#include "raster/DibGraphicsBrush.h"
#include "raster/DibGraphicsSpanSupport.h"

#include <cstring>

namespace kolvar {

using namespace dibspan;

void TDibBrush::SpanSolid(TDibContainer& d, int32_t y, int32_t x1, int32_t x2, const TRect&) {
    if (!ClipRun(d, y, x1, x2)) return;
    FillRun(d.PixelPtr(x1, y), x2 - x1 + 1, FColor);
}

void TDibBrush::SpanSolidBlend(TDibContainer& d, int32_t y, int32_t x1, int32_t x2, const TRect&) {
    if (!ClipRun(d, y, x1, x2)) return;
    const uint32_t a = FAlpha, inv = 255 - a;
    const uint32_t b = FColor.Blue * a, g = FColor.Green * a, r = FColor.Red * a;
    TDibColor* p = d.PixelPtr(x1, y);
    for (int32_t n = x2 - x1 + 1; n > 0; --n, ++p) {
        p->Blue = uint8_t((p->Blue * inv + b) >> 8);
        p->Green = uint8_t((p->Green * inv + g) >> 8);
        p->Red = uint8_t((p->Red * inv + r) >> 8);
    }
}

// ---- Patterns: tiles anchored at the image origin -------------------------------------------

template <class TWrite>
void TDibBrush::WalkPattern(TDibContainer& d, int32_t y, int32_t x1, int32_t x2, TWrite write) {
    if (!ClipRun(d, y, x1, x2)) return;
    const TDibContainer& pat = FPattern->Image();
    if (pat.Empty()) return;
    const int32_t pw = pat.Width();
    const TDibColor* src = pat.PixelPtr(0, y % pat.Height());
    int32_t col = x1 % pw;
    TDibColor* p = d.PixelPtr(x1, y);
    for (int32_t n = x2 - x1 + 1; n > 0; --n, ++p) {
        write(*p, src[col]);
        if (++col == pw) col = 0;
    }
}

void TDibBrush::SpanPatternOpaque(TDibContainer& d, int32_t y, int32_t x1, int32_t x2,
                                  const TRect&) {
    if (!ClipRun(d, y, x1, x2)) return;
    const TDibContainer& pat = FPattern->Image();
    if (pat.Empty()) return;
    const size_t pw = size_t(pat.Width());
    const uint8_t* src = pat.ScanLine(y % pat.Height());
    uint8_t* dst = reinterpret_cast<uint8_t*>(d.PixelPtr(x1, y));
    size_t n = size_t(x2 - x1 + 1);
    // The rest of the first tile row, then whole tile rows, then the remainder.
    const size_t col = size_t(x1) % pw;
    size_t part = std::min(n, pw - col);
    std::memcpy(dst, src + col * 3, part * 3);
    dst += part * 3;
    n -= part;
    for (; n >= pw; n -= pw, dst += pw * 3) std::memcpy(dst, src, pw * 3);
    if (n) std::memcpy(dst, src, n * 3);
}

void TDibBrush::SpanPatternKeyed(TDibContainer& d, int32_t y, int32_t x1, int32_t x2,
                                 const TRect&) {
    const TDibColor key = FColor;
    WalkPattern(d, y, x1, x2, [key](TDibColor& p, const TDibColor& t) {
        if (!(t == key)) p = t;
    });
}

void TDibBrush::SpanPatternBlend(TDibContainer& d, int32_t y, int32_t x1, int32_t x2,
                                 const TRect&) {
    const uint32_t a = FAlpha;
    WalkPattern(d, y, x1, x2, [a](TDibColor& p, const TDibColor& t) { BlendPixel(p, t, a); });
}

// ---- Rotated textures: anchored at the shape's top-left corner --------------------------------

template <class TWrite>
void TDibBrush::WalkTexture(TDibContainer& d, int32_t y, int32_t x1, int32_t x2, const TRect& b,
                            TWrite write) {
    if (!ClipRun(d, y, x1, x2)) return;
    const TDibContainer& tex = FPattern->Image();
    if (tex.Empty()) return;
    const int64_t n = int64_t(x2) - x1 + 1;
    const double fy = double(y) - b.Top;
    const double fx1 = double(x1) - b.Left, fx2 = double(x2) - b.Left;
    const int64_t ua = TruncWide(fx1 * FCos - fy * FSin);
    const int64_t va = TruncWide(fx1 * FSin + fy * FCos);
    const int64_t ub = TruncWide(fx2 * FCos - fy * FSin);
    const int64_t vb = TruncWide(fx2 * FSin + fy * FCos);
    // 24.8 fixed point.
    int64_t u = ua * 256, v = va * 256;
    int64_t du = RoundWide(double(ub - ua) * 256 / double(n));
    int64_t dv = RoundWide(double(vb - va) * 256 / double(n));
    const int64_t mu = int64_t(tex.Width() - 1) * 256;
    const int64_t mv = int64_t(tex.Height() - 1) * 256;
    // A texture one texel wide (or high) has nothing to wrap over: stay on texel 0.
    if (mu == 0) u = du = 0;
    if (mv == 0) v = dv = 0;
    u = WrapStart(u, mu);
    v = WrapStart(v, mv);
    TDibColor* p = d.PixelPtr(x1, y);
    for (int64_t i = 0; i < n; ++i, ++p) {
        write(*p, *tex.PixelPtr(int32_t(u >> 8), int32_t(v >> 8)));
        u += du;
        v += dv;
        while (u > mu) u -= mu;
        while (u < 0) u += mu;
        while (v > mv) v -= mv;
        while (v < 0) v += mv;
    }
}

void TDibBrush::SpanTextureOpaque(TDibContainer& d, int32_t y, int32_t x1, int32_t x2,
                                  const TRect& b) {
    WalkTexture(d, y, x1, x2, b, [](TDibColor& p, const TDibColor& t) { p = t; });
}

void TDibBrush::SpanTextureKeyed(TDibContainer& d, int32_t y, int32_t x1, int32_t x2,
                                 const TRect& b) {
    const TDibColor key = FBackColor;
    WalkTexture(d, y, x1, x2, b, [key](TDibColor& p, const TDibColor& t) {
        if (!(t == key)) p = t;
    });
}

void TDibBrush::SpanTextureBlend(TDibContainer& d, int32_t y, int32_t x1, int32_t x2,
                                 const TRect& b) {
    const uint32_t a = FAlpha;
    WalkTexture(d, y, x1, x2, b, [a](TDibColor& p, const TDibColor& t) { BlendPixel(p, t, a); });
}

} // namespace kolvar
