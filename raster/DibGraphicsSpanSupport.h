#pragma once
// Small pieces shared by the brush's and the pen's pixel loops. Internal to the raster layer.

#include "raster/DibContainer.h"
#include "raster/DibMath.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace kolvar::dibspan {

// Clips the run x1..x2 of row y to the image; false when nothing is left.
inline bool ClipRun(const TDibContainer& d, int32_t y, int32_t& x1, int32_t& x2) {
    if (d.Empty() || y < 0 || y >= d.Height()) return false;
    x1 = std::max(x1, 0);
    x2 = std::min(x2, d.Width() - 1);
    return x1 <= x2;
}

// d x (255 - a) + s x a, shifted right by 8, per channel.
inline void BlendPixel(TDibColor& p, const TDibColor& s, uint32_t a) {
    const uint32_t inv = 255 - a;
    p.Blue = uint8_t((p.Blue * inv + s.Blue * a) >> 8);
    p.Green = uint8_t((p.Green * inv + s.Green * a) >> 8);
    p.Red = uint8_t((p.Red * inv + s.Red * a) >> 8);
}

// n pixels of one colour: a few stores, then the written part doubled with block moves.
inline void FillRun(TDibColor* p, int64_t n, TDibColor c) {
    if (n <= 0) return;
    const int64_t head = std::min<int64_t>(n, 16);
    for (int64_t i = 0; i < head; ++i) p[i] = c;
    uint8_t* bytes = reinterpret_cast<uint8_t*>(p);
    for (int64_t done = head; done < n;) {
        const int64_t part = std::min(done, n - done);
        std::memcpy(bytes + done * 3, bytes, size_t(part) * 3);
        done += part;
    }
}

// ClampRound(f, 0, n - 1) for a table of n >= 1 entries, without a library call: adding and
// removing 1.5 x 2^52 rounds to nearest with ties to even in the default rounding mode, exactly
// like nearbyint, for every value the clamp lets through. NaN clamps to n - 1 as FClamp does.
inline int32_t TableIndex(double f, int32_t n) {
    const double hi = double(n - 1);
    double v = f < hi ? f : hi;
    v = 0 > v ? 0 : v;
    constexpr double kMagic = 6755399441055744.0;
    return int32_t((v + kMagic) - kMagic);
}

// Conversions of reals that may be huge or NaN into 64-bit integers, limited to +-2^50 so that
// fixed-point scaling afterwards cannot overflow.
inline constexpr double kWideLimit = 1125899906842624.0;
inline int64_t TruncWide(double v) {
    if (!(v == v)) return 0;
    return int64_t(std::clamp(v, -kWideLimit, kWideLimit));
}
inline int64_t RoundWide(double v) {
    if (!(v == v)) return 0;
    return int64_t(std::nearbyint(std::clamp(v, -kWideLimit, kWideLimit)));
}

// Brings v into 0..range (inclusive): the result of repeatedly subtracting the range while v
// exceeds it, or adding it while v is negative. A range of 0 or below gives 0.
inline int64_t WrapStart(int64_t v, int64_t range) {
    if (range <= 0) return 0;
    if (v > range) return (v - 1) % range + 1;
    if (v < 0) {
        v %= range;
        if (v < 0) v += range;
    }
    return v;
}

} // namespace kolvar::dibspan
