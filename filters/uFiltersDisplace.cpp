#include "filters/uFiltersDisplace.h"

#include "raster/DibMath.h"

#include <cmath>
#include <cstdlib>

namespace kolvar {

int64_t WrapCoordinate(int64_t v, int32_t Size) {
    const int64_t range = int64_t(Size) - 1;
    if (range <= 0) return 0;
    // The closed forms of "subtract while above" and "add while below zero".
    if (v > range) return (v - 1) % range + 1;
    if (v < 0) return v % range == 0 ? 0 : v % range + range;
    return v;
}

namespace {

// Copies source pixel (x, y) to *d when it lies inside the source.
inline void CopyIfInside(const TDibContainer& Source, int64_t x, int64_t y, TDibColor* d) {
    if (x >= 0 && y >= 0 && x < Source.Width() && y < Source.Height())
        *d = Source.GetPixel(int32_t(x), int32_t(y));
}

} // namespace

// ---- Ripple --------------------------------------------------------------------------------

TRippleFilter::TRippleFilter(const TRect& Region, const TDibContainer& Source)
    : TGraphicFilter(Region, Source) {
    Prepare();
}

void TRippleFilter::Prepare() {
    // Each output pixel reads the source and the filter's settings only.
    SpansIndependent = true;
    InstallSpanProc(&TRippleFilter::Span);
    FWaveForm = wfSine;
    FEdgeMode = emWrap;
    FAmplitude = TPoint{10, 10};
    FPeriod = TPoint{10, 10};
}

void TRippleFilter::PrepareTarget(TDibContainer& Target) {
    if (FEdgeMode != emColor) {
        TGraphicFilter::PrepareTarget(Target);
        return;
    }
    const int32_t w = std::max(RegionWidth(), 0), h = std::max(RegionHeight(), 0);
    if (w == 0 || h == 0) {
        Target.SetSize(0, 0);
        return;
    }
    if (Target.Width() != w || Target.Height() != h) Target.SetSize(w, h);
    Target.Clear(TDibColor{0, 0, 0});
}

double TRippleFilter::Offset(int32_t pos, int32_t amplitude, int32_t period) const {
    if (FWaveForm == wfSawTooth)
        return amplitude * (std::abs(4.0 * double(pos % period) / period - 2) - 1);
    return amplitude * std::sin(2 * M_PI * pos / period);
}

void TRippleFilter::Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect&) {
    if (ClipSpan(Target, Y, X1, X2)) {
        const bool still = FPeriod.X == 0 || FPeriod.Y == 0;
        // The Y axis group shifts horizontally as Y varies, the X axis group vertically as X does.
        const double dx = still ? 0 : Offset(Y, FAmplitude.Y, FPeriod.Y);
        TDibColor* d = Target.PixelPtr(X1, Y);
        for (int32_t X = X1; X <= X2; ++X, ++d) {
            const double dy = still ? 0 : Offset(X, FAmplitude.X, FPeriod.X);
            int64_t x = int64_t(Trunc(X + dx)) + Bounds.Left;
            int64_t y = int64_t(Trunc(Y + dy)) + Bounds.Top;
            if (FEdgeMode == emWrap) {
                x = WrapCoordinate(x, Source.Width());
                y = WrapCoordinate(y, Source.Height());
            }
            CopyIfInside(Source, x, y, d);
        }
    }
    Progress(Y);
}

// ---- Waves ---------------------------------------------------------------------------------

TWavesFilter::TWavesFilter(const TRect& Region, const TDibContainer& Source)
    : TGraphicFilter(Region, Source) {
    RowsAlone = true;
    Prepare();
}

void TWavesFilter::Prepare() {
    // Each output pixel reads the source and the filter's settings only.
    SpansIndependent = true;
    InstallSpanProc(&TWavesFilter::Span);
    FAmplitude = 30;
    FWaveLength = 30;
    FPhase = 30;
    FReflective = false;
    FRegular = true;
}

void TWavesFilter::WaveFactors(const TRect& Shape, bool Regular, double& fx, double& fy) {
    const int64_t w = std::llabs(int64_t(Shape.Right) - Shape.Left) + 1;
    const int64_t h = std::llabs(int64_t(Shape.Bottom) - Shape.Top) + 1;
    fx = 1;
    fy = 1;
    if (Regular || w == h) return;
    if (h > w)
        fx = double(h) / double(w);
    else
        fy = double(w) / double(h);
}

void TWavesFilter::Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2,
                        const TRect& Shape) {
    if (ClipSpan(Target, Y, X1, X2)) {
        const int64_t cx = (int64_t(Shape.Left) + Shape.Right) / 2;
        const int64_t cy = (int64_t(Shape.Top) + Shape.Bottom) / 2;
        double fx, fy;
        WaveFactors(Shape, FRegular, fx, fy);
        const double phase = FPhase * M_PI / 180;
        const double dy = double(Y - cy) * fy;
        TDibColor* d = Target.PixelPtr(X1, Y);
        for (int32_t X = X1; X <= X2; ++X, ++d) {
            const double dx = double(X - cx) * fx;
            const double r = std::sqrt(dx * dx + dy * dy);
            const double s = std::sin(2 * M_PI * r / (2 * FWaveLength) + phase);
            const double disp = FAmplitude * (FReflective ? std::abs(s) : s);
            if (!std::isfinite(disp)) continue;
            const int64_t x = int64_t(Trunc((dx + disp) / fx + double(cx))) + Bounds.Left;
            const int64_t y = int64_t(Trunc((dy + disp) / fy + double(cy))) + Bounds.Top;
            CopyIfInside(Source, x, y, d);
        }
    }
    Progress(Y);
}

// ---- Whirl and pinch -----------------------------------------------------------------------

TWhirlPinchFilter::TWhirlPinchFilter(const TRect& Region, const TDibContainer& Source)
    : TGraphicFilter(Region, Source) {
    RowsAlone = true;
    Prepare();
}

void TWhirlPinchFilter::Prepare() {
    // Each output pixel reads the source and the filter's settings only.
    SpansIndependent = true;
    InstallSpanProc(&TWhirlPinchFilter::Span);
    FWhirl = 0;
    FPinch = 0;
    FWhirlRadians = 0;
}

void TWhirlPinchFilter::SetWhirl(double v) {
    if (v == FWhirl) return;
    FWhirl = v;
    FWhirlRadians = v * M_PI / 180;
}

void TWhirlPinchFilter::SetPinch(double v) {
    v = FClamp(v, -3, 1);
    if (v == FPinch) return;
    FPinch = v;
}

void TWhirlPinchFilter::Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2,
                             const TRect& Shape) {
    if (ClipSpan(Target, Y, X1, X2)) {
        const double cx = (double(Shape.Left) + Shape.Right) / 2;
        const double cy = (double(Shape.Top) + Shape.Bottom) / 2;
        const double w = std::abs(double(Shape.Right) - Shape.Left) + 1;
        const double h = std::abs(double(Shape.Bottom) - Shape.Top) + 1;
        const double radius = std::max(h / 2, w / 2);
        const double radius2 = radius * radius;
        const double W = Source.Width(), H = Source.Height();
        TDibColor* d = Target.PixelPtr(X1, Y);
        for (int32_t X = X1; X <= X2; ++X, ++d) {
            double dx = X - cx, dy = Y - cy;
            const double e = dx * dx + dy * dy;
            double sx = X, sy = Y;
            if (e < radius2) {
                const double t = std::sqrt(e) / radius;
                const double p = std::sin(t * M_PI / 2);
                const double f = p != 0 ? std::pow(p, -FPinch) : 0;
                dx *= f;
                dy *= f;
                const double a = (1 - t) * (1 - t) * FWhirlRadians;
                const double ca = std::cos(a), sa = std::sin(a);
                sx = ca * dx - sa * dy + cx;
                sy = sa * dx + ca * dy + cy;
            }
            const double x = Bounds.Left + sx, y = Bounds.Top + sy;
            if (x >= 0 && x < W - 1 && y >= 0 && y < H - 1)
                *d = Source.GetPixel(Round(x), Round(y));
        }
    }
    Progress(Y);
}

} // namespace kolvar
