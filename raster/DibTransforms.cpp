#include "raster/DibTransforms.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace kolvar {

namespace {

inline void copyPixel(uint8_t* d, const uint8_t* s) {
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
}

// Quarter turns read columns while writing rows; blocks keep both in the cache.
constexpr int32_t kBlock = 64;

// Calls Fn(dx, dy, sx, sy) for every destination pixel of a W x H result, block by block.
template <class Fn> void forEachBlocked(int32_t W, int32_t H, Fn fn) {
    for (int32_t by = 0; by < H; by += kBlock)
        for (int32_t bx = 0; bx < W; bx += kBlock)
            for (int32_t y = by; y < std::min(by + kBlock, H); ++y)
                for (int32_t x = bx; x < std::min(bx + kBlock, W); ++x) fn(x, y);
}

// 11-bit fixed-point weights keep the bilinear products inside 32 bits.
constexpr int32_t kWeightBits = 11;
constexpr int32_t kOne = 1 << kWeightBits;

struct TSamplePos {
    int32_t I0;
    int32_t I1;
    int32_t F; // weight of I1, 0..kOne
};

// Where each destination pixel centre falls on the source axis.
std::vector<TSamplePos> smoothAxis(int32_t SourceLen, int32_t Len) {
    std::vector<TSamplePos> out(static_cast<size_t>(Len));
    const double step = double(SourceLen) / Len;
    for (int32_t i = 0; i < Len; ++i) {
        double s = (i + 0.5) * step - 0.5;
        s = std::clamp(s, 0.0, double(SourceLen - 1));
        const int32_t i0 = int32_t(s);
        const int32_t i1 = std::min(i0 + 1, SourceLen - 1);
        out[size_t(i)] = {i0, i1, int32_t(std::nearbyint((s - i0) * kOne))};
    }
    return out;
}

std::vector<int32_t> nearestAxis(int32_t SourceLen, int32_t Len) {
    std::vector<int32_t> out(static_cast<size_t>(Len));
    for (int32_t i = 0; i < Len; ++i)
        out[size_t(i)] = int32_t((int64_t(2 * i + 1) * SourceLen) / (int64_t(2) * Len));
    return out;
}

} // namespace

TDibContainer FlippedHorizontal(const TDibContainer& Source) {
    TDibContainer out(Source.Width(), Source.Height());
    const int32_t w = Source.Width();
    for (int32_t y = 0; y < Source.Height(); ++y) {
        const uint8_t* s = Source.ScanLine(y);
        uint8_t* d = out.ScanLine(y);
        for (int32_t x = 0; x < w; ++x) copyPixel(d + size_t(w - 1 - x) * 3, s + size_t(x) * 3);
    }
    return out;
}

TDibContainer FlippedVertical(const TDibContainer& Source) {
    TDibContainer out(Source.Width(), Source.Height());
    const int32_t h = Source.Height();
    for (int32_t y = 0; y < h; ++y)
        std::memcpy(out.ScanLine(h - 1 - y), Source.ScanLine(y), size_t(Source.Stride()));
    return out;
}

TDibContainer Rotated90(const TDibContainer& Source, bool Clockwise) {
    const int32_t w = Source.Width(), h = Source.Height();
    TDibContainer out(h, w);
    if (Source.Empty()) return out;
    if (Clockwise)
        forEachBlocked(h, w, [&](int32_t x, int32_t y) {
            copyPixel(out.ScanLine(y) + size_t(x) * 3, Source.ScanLine(h - 1 - x) + size_t(y) * 3);
        });
    else
        forEachBlocked(h, w, [&](int32_t x, int32_t y) {
            copyPixel(out.ScanLine(y) + size_t(x) * 3, Source.ScanLine(x) + size_t(w - 1 - y) * 3);
        });
    return out;
}

TDibContainer Rotated180(const TDibContainer& Source) {
    TDibContainer out(Source.Width(), Source.Height());
    const int32_t w = Source.Width(), h = Source.Height();
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* s = Source.ScanLine(y);
        uint8_t* d = out.ScanLine(h - 1 - y);
        for (int32_t x = 0; x < w; ++x) copyPixel(d + size_t(w - 1 - x) * 3, s + size_t(x) * 3);
    }
    return out;
}

TDibContainer Resized(const TDibContainer& Source, int32_t W, int32_t H, TResample Mode) {
    if (Source.Empty() || W <= 0 || H <= 0) return {};
    TDibContainer out(W, H);
    if (Mode == TResample::Nearest) {
        const std::vector<int32_t> xs = nearestAxis(Source.Width(), W);
        const std::vector<int32_t> ys = nearestAxis(Source.Height(), H);
        for (int32_t y = 0; y < H; ++y) {
            const uint8_t* s = Source.ScanLine(ys[size_t(y)]);
            uint8_t* d = out.ScanLine(y);
            for (int32_t x = 0; x < W; ++x)
                copyPixel(d + size_t(x) * 3, s + size_t(xs[size_t(x)]) * 3);
        }
        return out;
    }
    const std::vector<TSamplePos> xs = smoothAxis(Source.Width(), W);
    const std::vector<TSamplePos> ys = smoothAxis(Source.Height(), H);
    constexpr uint32_t half = 1u << (2 * kWeightBits - 1);
    for (int32_t y = 0; y < H; ++y) {
        const TSamplePos& py = ys[size_t(y)];
        const uint8_t* r0 = Source.ScanLine(py.I0);
        const uint8_t* r1 = Source.ScanLine(py.I1);
        const uint32_t wy1 = uint32_t(py.F), wy0 = uint32_t(kOne - py.F);
        uint8_t* d = out.ScanLine(y);
        for (int32_t x = 0; x < W; ++x, d += 3) {
            const TSamplePos& px = xs[size_t(x)];
            const size_t a = size_t(px.I0) * 3, b = size_t(px.I1) * 3;
            const uint32_t wx1 = uint32_t(px.F), wx0 = uint32_t(kOne - px.F);
            for (int k = 0; k < 3; ++k) {
                const uint32_t top = r0[a + k] * wx0 + r0[b + k] * wx1;
                const uint32_t bottom = r1[a + k] * wx0 + r1[b + k] * wx1;
                d[k] = uint8_t((top * wy0 + bottom * wy1 + half) >> (2 * kWeightBits));
            }
        }
    }
    return out;
}

TPoint CanvasOffset(int32_t OldW, int32_t OldH, int32_t W, int32_t H, int32_t Anchor) {
    const int32_t ax = std::clamp(Anchor, 0, 8) % 3, ay = std::clamp(Anchor, 0, 8) / 3;
    auto along = [](int32_t from, int32_t to, int32_t a) {
        const int64_t d = int64_t(to) - from;
        if (a == 0) return int32_t(0);
        if (a == 2) return int32_t(d);
        return int32_t(d / 2);
    };
    return {along(OldW, W, ax), along(OldH, H, ay)};
}

TDibContainer CanvasResized(const TDibContainer& Source, int32_t W, int32_t H, int32_t Anchor,
                            TDibColor Paper) {
    if (W <= 0 || H <= 0) return {};
    TDibContainer out(W, H);
    out.Clear(Paper);
    const TPoint o = CanvasOffset(Source.Width(), Source.Height(), W, H, Anchor);
    const int32_t x0 = std::max(0, o.X), x1 = std::min(W, o.X + Source.Width());
    if (x1 <= x0) return out;
    for (int32_t y = std::max(0, o.Y); y < std::min(H, o.Y + Source.Height()); ++y)
        std::memcpy(out.ScanLine(y) + size_t(x0) * 3,
                    Source.ScanLine(y - o.Y) + size_t(x0 - o.X) * 3, size_t(x1 - x0) * 3);
    return out;
}

TDibContainer Cropped(const TDibContainer& Source, const TRect& Rect) {
    const int32_t l = std::max(0, std::min(Rect.Left, Rect.Right));
    const int32_t t = std::max(0, std::min(Rect.Top, Rect.Bottom));
    const int32_t r = std::min(Source.Width() - 1, std::max(Rect.Left, Rect.Right));
    const int32_t b = std::min(Source.Height() - 1, std::max(Rect.Top, Rect.Bottom));
    if (Source.Empty() || r < l || b < t) return {};
    TDibContainer out(r - l + 1, b - t + 1);
    for (int32_t y = t; y <= b; ++y)
        std::memcpy(out.ScanLine(y - t), Source.ScanLine(y) + size_t(l) * 3, size_t(r - l + 1) * 3);
    return out;
}

} // namespace kolvar
