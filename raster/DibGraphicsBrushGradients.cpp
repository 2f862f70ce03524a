// The brush's gradient span procedures. Each looks its colours up in the gradient's table; an
// empty table paints nothing. Positions are taken relative to the unclipped bounds of the
// whole shape, in 64 bits, so shapes reaching far outside the image stay well defined.
#include "raster/DibGraphicsBrush.h"
#include "raster/DibGraphicsSpanSupport.h"

#include <cmath>

namespace kolvar {

using namespace dibspan;

namespace {

struct TTable {
    const TDibColor* Colors;
    int32_t N;
    TDibColor At(double f) const { return Colors[TableIndex(f, N)]; }
};

// A side of the bounds used as a divisor: a one-pixel side divides by 1 rather than 0.
double Divisor(int64_t side) {
    return side == 0 ? 1.0 : double(side);
}

// The gradient's colour table; false when it is empty.
bool TableOf(const TDibGradient& g, TTable& t) {
    const TDibColorArray& table = g.Table();
    t = TTable{table.Data(), table.Count()};
    return t.N > 0 && t.Colors;
}

} // namespace

void TDibBrush::SpanLinearVertical(TDibContainer& d, int32_t y, int32_t x1, int32_t x2,
                                   const TRect& b) {
    if (!ClipRun(d, y, x1, x2)) return;
    TTable t;
    if (!TableOf(*FGradient, t)) return;
    const double k = t.N / Divisor(int64_t(b.Bottom) - b.Top);
    const double dy = std::fabs(double(y) - b.Top);
    const double f = FAngle == 180 ? t.N - dy * k : dy * k;
    FillRun(d.PixelPtr(x1, y), x2 - x1 + 1, t.At(f));
}

void TDibBrush::SpanLinearHorizontal(TDibContainer& d, int32_t y, int32_t x1, int32_t x2,
                                     const TRect& b) {
    if (!ClipRun(d, y, x1, x2)) return;
    TTable t;
    if (!TableOf(*FGradient, t)) return;
    const float k = float(ToSingle(t.N / Divisor(int64_t(b.Right) - b.Left)));
    float pos = float(std::fabs(double(x1) - b.Left) * k);
    TDibColor* p = d.PixelPtr(x1, y);
    const int32_t n = x2 - x1 + 1;
    if (FAngle == 270) {
        for (int32_t i = 0; i < n; ++i, pos += k) p[i] = t.At(t.N - double(pos));
    } else {
        for (int32_t i = 0; i < n; ++i, pos += k) p[i] = t.At(pos);
    }
}

namespace {

// The steps of the slanted linear gradients per column (kx) and per row (ky) for cosine c
// and sine s over a w x h box.
void SlantSteps(double c, double s, double w, double h, int32_t n, float& kx, float& ky) {
    kx = float(ToSingle(n / (c * w / s * (h / w) + w)));
    ky = float(ToSingle(n / (s * h / c * (w / h) + h)));
}

} // namespace

void TDibBrush::SpanLinearAC(TDibContainer& d, int32_t y, int32_t x1, int32_t x2, const TRect& b) {
    if (!ClipRun(d, y, x1, x2)) return;
    TTable t;
    if (!TableOf(*FGradient, t)) return;
    const double w = double(int64_t(b.Right) - b.Left + 1);
    const double h = double(int64_t(b.Bottom) - b.Top + 1);
    float kx, ky;
    SlantSteps(ToSingle(FCos), ToSingle(FSin), w, h, t.N, kx, ky);
    float v = float((double(y) - b.Top) * ky + (double(x1) - b.Left) * kx);
    TDibColor* p = d.PixelPtr(x1, y);
    const int32_t n = x2 - x1 + 1;
    if (FSpanKind == TDibSpanKind::LinearC) {
        for (int32_t i = 0; i < n; ++i, v += kx) p[i] = t.At(t.N - double(v));
    } else {
        for (int32_t i = 0; i < n; ++i, v += kx) p[i] = t.At(v);
    }
}

void TDibBrush::SpanLinearBD(TDibContainer& d, int32_t y, int32_t x1, int32_t x2, const TRect& b) {
    if (!ClipRun(d, y, x1, x2)) return;
    TTable t;
    if (!TableOf(*FGradient, t)) return;
    const double w = double(int64_t(b.Right) - b.Left + 1);
    const double h = double(int64_t(b.Bottom) - b.Top + 1);
    // The cosine and sine of the negated angle.
    float kx, ky;
    SlantSteps(ToSingle(FCos), ToSingle(-FSin), w, h, t.N, kx, ky);
    float v = float((double(y) - b.Top) * ky + (double(b.Right) - x2) * kx);
    // Walks from the right end to the left one.
    TDibColor* p = d.PixelPtr(x2, y);
    const int32_t n = x2 - x1 + 1;
    if (FSpanKind == TDibSpanKind::LinearB) {
        for (int32_t i = 0; i < n; ++i, v += kx) p[-i] = t.At(t.N - double(v));
    } else {
        for (int32_t i = 0; i < n; ++i, v += kx) p[-i] = t.At(v);
    }
}

void TDibBrush::SpanRectangle(TDibContainer& d, int32_t y, int32_t x1, int32_t x2, const TRect& b) {
    if (!ClipRun(d, y, x1, x2)) return;
    TTable t;
    if (!TableOf(*FGradient, t)) return;
    const int64_t w = int64_t(b.Right) - b.Left + 1;
    const int64_t h = int64_t(b.Bottom) - b.Top + 1;
    const int64_t cx = b.Left + w / 2;
    const float kx = float(ToSingle(t.N / (Divisor(w) / 2)));
    const float ky = float(ToSingle(t.N / (Divisor(h) / 2)));
    const int64_t dv = y >= b.Top + h / 2 ? int64_t(b.Bottom) - y : int64_t(y) - b.Top;
    const float vy = float(double(dv) * ky);
    TDibColor* row = d.PixelPtr(0, y);
    // Left part: rising towards the centre column.
    const int64_t leftEnd = std::min<int64_t>(x2, cx);
    float vx = float((double(x1) - b.Left) * kx);
    for (int64_t x = x1; x <= leftEnd; ++x, vx += kx) row[x] = t.At(FMin(vy, vx));
    // Right part: falling from the centre column.
    const int64_t rightStart = std::max<int64_t>(x1, cx);
    vx = float(double(int64_t(b.Right) - rightStart) * kx);
    for (int64_t x = rightStart; x <= x2; ++x, vx -= kx) row[x] = t.At(FMin(vy, vx));
}

void TDibBrush::SpanConic(TDibContainer& d, int32_t y, int32_t x1, int32_t x2, const TRect& b) {
    if (!ClipRun(d, y, x1, x2)) return;
    TTable t;
    if (!TableOf(*FGradient, t)) return;
    const int64_t L = b.Left, T = b.Top, R = b.Right, B = b.Bottom;
    const int64_t cx = (L + R) / 2, cy = (T + B) / 2;
    const int64_t hw = (R - L) / 2, hh = (B - T) / 2;
    const bool lower = y > cy;
    const int64_t dy = lower ? hh - (B - y) : hh - (y - T);

    // Ray directions for 127 angles between 0 and a quarter turn, scaled so that the rounding
    // matches the sweep's own; they depend only on the larger half side.
    const int64_t side = std::max(hw, hh);
    if (FConic.Side != side) {
        const double l = double(side);
        const double rr = std::sqrt(2 * l * l * l * l);
        for (int k = 0; k < 127; ++k) {
            const double a = (k + 1) * M_PI / 256;
            FConic.Ax[size_t(k)] = std::fabs(std::nearbyint(rr * std::cos(a)));
            FConic.Ay[size_t(k)] = std::fabs(std::nearbyint(rr * std::sin(a)));
        }
        FConic.Side = side;
    }
    // off[k + 1] is the column offset where ray k crosses this row; off[0] and off[128] close
    // the quarter at the bounds' half width and at the centre column.
    int64_t off[129];
    off[0] = hw;
    off[128] = 0;
    for (size_t k = 0; k < 127; ++k) {
        const double ay = FConic.Ay[k];
        off[k + 1] = ay == 0 ? hw : RoundWide(double(dy) * FConic.Ax[k] / ay);
    }
    TDibColor* row = d.PixelPtr(0, y);
    const auto paint = [&](int64_t from, int64_t to, int64_t step) {
        from = std::max<int64_t>(from, x1);
        to = std::min<int64_t>(to, x2);
        if (from > to) return;
        FillRun(row + from, to - from + 1, t.At(double(step) * t.N / 512));
    };
    for (int64_t k = 0; k < 128; ++k) {
        paint(cx + off[k + 1], cx + off[k], lower ? 513 - k : k);
        paint(cx - off[127 - k], cx - off[128 - k], lower ? 385 - k : 128 + k);
    }
}

} // namespace kolvar
