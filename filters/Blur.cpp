#include "filters/Blur.h"

#include "raster/DibGeometry.h"
#include "raster/DibMath.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kolvar {

// ---- Box blur ------------------------------------------------------------------------------

TBlurFilter::TBlurFilter(const TRect& Region, const TDibContainer& Source)
    : TGraphicFilter(Region, Source) {
    Prepare();
}

void TBlurFilter::Prepare() {
    InstallSpanProc(&TBlurFilter::Span);
    FRadius = 0;
    SetRadius(1);
}

void TBlurFilter::SetRadius(int32_t v) {
    v = IClamp(v, 1, 255);
    if (v == FRadius) return;
    FRadius = v;
    const double n = 2.0 * v + 1;
    for (int32_t i = 0; i < 256; ++i) FWeights[size_t(i)] = Round(i * 65536.0 / (n * n));
    FColumnsRow = INT32_MIN;
}

void TBlurFilter::PrepareTarget(TDibContainer& Target) {
    TGraphicFilter::PrepareTarget(Target);
    // A new run may follow a change of the source image.
    FColumnsRow = INT32_MIN;
}

void TBlurFilter::ColumnSumsFor(int32_t sy) {
    if (sy == FColumnsRow) return;
    const int32_t W = Source.Width(), H = Source.Height(), R = FRadius;
    FFirstColumn = IMax(Bounds.Left - R, 0);
    const int32_t last = IMin(Bounds.Right + R, W - 1);
    const size_t bytes = size_t(last - FFirstColumn + 1) * 3;
    const int32_t* w = FWeights.data();
    if (sy == FColumnsRow + 1 && FColumns.size() == bytes) {
        // Slide every column's window down one row.
        const uint8_t* out = Source.ScanLine(IClamp(sy - 1 - R, 0, H - 1)) + FFirstColumn * 3;
        const uint8_t* in = Source.ScanLine(IClamp(sy + R, 0, H - 1)) + FFirstColumn * 3;
        int32_t* c = FColumns.data();
        for (size_t i = 0; i < bytes; ++i) c[i] += w[in[i]] - w[out[i]];
    } else {
        FColumns.assign(bytes, 0);
        int32_t* c = FColumns.data();
        for (int32_t d = -R; d <= R; ++d) {
            const uint8_t* row = Source.ScanLine(IClamp(sy + d, 0, H - 1)) + FFirstColumn * 3;
            for (size_t i = 0; i < bytes; ++i) c[i] += w[row[i]];
        }
    }
    FColumnsRow = sy;
}

void TBlurFilter::Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect&) {
    if (ClipSpan(Target, Y, X1, X2)) {
        ColumnSumsFor(Y + Bounds.Top);
        const int32_t W = Source.Width(), R = FRadius;
        // Column sums by source column; clamping the column repeats the edge column.
        auto col = [&](int32_t x) {
            return &FColumns[size_t(IClamp(x, 0, W - 1) - FFirstColumn) * 3];
        };
        const int32_t sx1 = X1 + Bounds.Left;
        int32_t s0 = 0, s1 = 0, s2 = 0;
        for (int32_t d = -R; d <= R; ++d) {
            const int32_t* c = col(sx1 + d);
            s0 += c[0];
            s1 += c[1];
            s2 += c[2];
        }
        uint8_t* out = Target.ScanLine(Y) + size_t(X1) * 3;
        for (int32_t sx = sx1, n = X2 - X1; n >= 0; --n, ++sx, out += 3) {
            out[0] = uint8_t(s0 >> 16);
            out[1] = uint8_t(s1 >> 16);
            out[2] = uint8_t(s2 >> 16);
            // The column past the last pixel's window may lie beyond the cached ones.
            if (n == 0) break;
            const int32_t* a = col(sx + R + 1);
            const int32_t* b = col(sx - R);
            s0 += a[0] - b[0];
            s1 += a[1] - b[1];
            s2 += a[2] - b[2];
        }
    }
    Progress(Y);
}

// ---- Split blur ----------------------------------------------------------------------------

TSplitBlurFilter::TSplitBlurFilter(const TRect& Region, const TDibContainer& Source)
    : TGraphicFilter(Region, Source) {
    Prepare();
}

void TSplitBlurFilter::Prepare() {
    InstallSpanProc(&TSplitBlurFilter::Span);
    FRadiusX = 0;
    FRadiusY = 0;
}

void TSplitBlurFilter::Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2,
                            const TRect&) {
    if (ClipSpan(Target, Y, X1, X2)) {
        const int32_t W = Source.Width(), H = Source.Height();
        const int64_t sy = int64_t(Y) + Bounds.Top;
        const uint8_t* r1 = Source.ScanLine(int32_t(std::clamp<int64_t>(sy - FRadiusY, 0, H - 1)));
        const uint8_t* r2 = Source.ScanLine(int32_t(std::clamp<int64_t>(sy + FRadiusY, 0, H - 1)));
        uint8_t* out = Target.ScanLine(Y) + size_t(X1) * 3;
        for (int32_t X = X1; X <= X2; ++X, out += 3) {
            const int64_t sx = int64_t(X) + Bounds.Left;
            const size_t a = size_t(std::clamp<int64_t>(sx - FRadiusX, 0, W - 1)) * 3;
            const size_t b = size_t(std::clamp<int64_t>(sx + FRadiusX, 0, W - 1)) * 3;
            for (int c = 0; c < 3; ++c)
                out[c] = uint8_t((r1[a + c] + r1[b + c] + r2[a + c] + r2[b + c]) / 4);
        }
    }
    Progress(Y);
}

// ---- Motion blur ---------------------------------------------------------------------------

TMotionBlurFilter::TMotionBlurFilter(const TRect& Region, const TDibContainer& Source)
    : TGraphicFilter(Region, Source) {
    Prepare();
}

void TMotionBlurFilter::Prepare() {
    InstallSpanProc(&TMotionBlurFilter::Span);
    FLength = 0;
    FAngle = 0;
    Recalculate();
}

void TMotionBlurFilter::SetLength(int32_t v) {
    if (v == FLength) return;
    FLength = v;
    Recalculate();
}

void TMotionBlurFilter::SetAngle(double v) {
    if (v == FAngle) return;
    FAngle = v;
    Recalculate();
}

void TMotionBlurFilter::Recalculate() {
    const double a = DegToRad(FAngle);
    // Halved toward zero, not down: a floor would make the streak of a direction longer than
    // that of the opposite one (3 pixels instead of 1 for a length of 1 at 180 degrees).
    FHalfDX = Round(std::cos(a) * FLength) / 2;
    FHalfDY = Round(-std::sin(a) * FLength) / 2;
    // Walk the line once inside a box that just holds it, so nothing is clipped.
    const int32_t ax = std::abs(FHalfDX), ay = std::abs(FHalfDY);
    FLine.clear();
    BresenhamLine(
        ax - FHalfDX, ay - FHalfDY, ax + FHalfDX, ay + FHalfDY,
        [&](int32_t x, int32_t y) {
            FLine.push_back(TPoint{x - ax, y - ay});
        },
        2 * ax, 2 * ay);
}

namespace {

TDibColor Average(int32_t b, int32_t g, int32_t r, int32_t n) {
    return TDibColor{uint8_t(ClampRound(double(b) / n, 0, 255)),
                     uint8_t(ClampRound(double(g) / n, 0, 255)),
                     uint8_t(ClampRound(double(r) / n, 0, 255))};
}

} // namespace

TDibColor TMotionBlurFilter::EdgePixel(int32_t sx, int32_t sy) const {
    const int32_t W = Source.Width(), H = Source.Height();
    int32_t b = 0, g = 0, r = 0, n = 0;
    BresenhamLine(
        sx - FHalfDX, sy - FHalfDY, sx + FHalfDX, sy + FHalfDY,
        [&](int32_t x, int32_t y) {
            const TDibColor c = Source.GetPixel(x, y);
            b += c.Blue;
            g += c.Green;
            r += c.Red;
            ++n;
        },
        W - 1, H - 1);
    if (n == 0) return Source.GetPixel(IClamp(sx, 0, W - 1), IClamp(sy, 0, H - 1));
    return Average(b, g, r, n);
}

void TMotionBlurFilter::Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2,
                             const TRect&) {
    if (ClipSpan(Target, Y, X1, X2)) {
        const int32_t W = Source.Width(), H = Source.Height();
        const int32_t ax = std::abs(FHalfDX), ay = std::abs(FHalfDY);
        const int32_t sy = Y + Bounds.Top;
        const bool rowInside = sy - ay >= 0 && sy + ay <= H - 1;
        const int32_t n = int32_t(FLine.size());
        // Byte offsets of the line's pixels from the centre pixel.
        std::vector<ptrdiff_t> offsets;
        if (rowInside) {
            const uint8_t* centre = Source.ScanLine(sy);
            for (const TPoint& p : FLine)
                offsets.push_back((Source.ScanLine(sy + p.Y) - centre) + ptrdiff_t(p.X) * 3);
        }
        TDibColor* d = Target.PixelPtr(X1, Y);
        for (int32_t X = X1; X <= X2; ++X, ++d) {
            const int32_t sx = X + Bounds.Left;
            if (!rowInside || sx - ax < 0 || sx + ax > W - 1 || n == 0) {
                *d = EdgePixel(sx, sy);
                continue;
            }
            const uint8_t* c = Source.ScanLine(sy) + size_t(sx) * 3;
            int32_t b = 0, g = 0, r = 0;
            for (const ptrdiff_t o : offsets) {
                b += c[o];
                g += c[o + 1];
                r += c[o + 2];
            }
            *d = Average(b, g, r, n);
        }
    }
    Progress(Y);
}

} // namespace kolvar
