#include "filters/uFiltersTexture.h"

#include "filters/uFiltersDisplace.h"
#include "raster/DibColors.h"
#include "raster/DibMath.h"

#include <cmath>

namespace kolvar {

// ---- Marble --------------------------------------------------------------------------------

TMarbleFilter::TMarbleFilter(const TRect& Region, const TDibContainer& Source)
    : TGraphicFilter(Region, Source) {
    RowsAlone = true;
    Prepare();
}

void TMarbleFilter::Prepare() {
    // Each output pixel reads the source and the filter's settings only.
    SpansIndependent = true;
    InstallSpanProc(&TMarbleFilter::Span);
    FTurbulence = 1;
    FScale = 0.1;
}

void TMarbleFilter::SetTurbulence(int32_t v) {
    FTurbulence = IMax(v, 1);
}

void TMarbleFilter::SetScale(double v) {
    FScale = FMax(0.1, v);
}

void TMarbleFilter::Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect&) {
    if (ClipSpan(Target, Y, X1, X2)) {
        const double S = FScale;
        const int32_t T = FTurbulence;
        const double q = std::cos((Y % T) / S) * S - S / 2;
        TDibColor* d = Target.PixelPtr(X1, Y);
        for (int32_t X = X1; X <= X2; ++X, ++d) {
            const double g = -std::sin((X % T) / S) * S + S / 2;
            const int64_t x = int64_t(Round(std::abs(X - g + q))) + Bounds.Left;
            const int64_t y = int64_t(Round(std::abs(g + Y - q))) + Bounds.Top;
            *d = Source.GetPixel(int32_t(WrapCoordinate(x, Source.Width())),
                                 int32_t(WrapCoordinate(y, Source.Height())));
        }
    }
    Progress(Y);
}

// ---- Plasma --------------------------------------------------------------------------------

TPlasmaFilter::TPlasmaFilter(const TRect& Region, const TDibContainer& Source)
    : TGraphicFilter(Region, Source) {
    RowsAlone = true;
    Prepare();
}

void TPlasmaFilter::Prepare() {
    // Each output pixel reads the source and the filter's settings only.
    SpansIndependent = true;
    InstallSpanProc(&TPlasmaFilter::Span);
    FTurbulence = 0.01;
    FScale = 0;
    Rebuild();
}

void TPlasmaFilter::SetTurbulence(double v) {
    v = FMax(0.01, v);
    if (v == FTurbulence) return;
    FTurbulence = v;
    Rebuild();
}

void TPlasmaFilter::SetScale(double v) {
    if (v == FScale) return;
    FScale = v;
    Rebuild();
}

void TPlasmaFilter::Rebuild() {
    for (int32_t i = 0; i < 256; ++i) {
        FOffsetX[size_t(i)] = uint8_t(IClamp(Round(-std::sin(i / FTurbulence) * FScale), 0, 255));
        FOffsetY[size_t(i)] = uint8_t(IClamp(Round(std::cos(i / FTurbulence) * FScale), 0, 255));
    }
}

void TPlasmaFilter::Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect&) {
    if (ClipSpan(Target, Y, X1, X2)) {
        const int32_t W = Source.Width(), H = Source.Height();
        const int32_t sy = Y + Bounds.Top;
        const TDibColor* s = Source.PixelPtr(0, sy);
        TDibColor* d = Target.PixelPtr(X1, Y);
        for (int32_t X = X1; X <= X2; ++X, ++d) {
            const int32_t sx = X + Bounds.Left;
            const size_t v = size_t(DibLuminance(s[sx]));
            const int32_t x = sx + FOffsetX[v], y = sy + FOffsetY[v];
            if (x < W && y < H) *d = Source.GetPixel(x, y);
        }
    }
    Progress(Y);
}

} // namespace kolvar
