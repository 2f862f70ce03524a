#include "filters/Emboss.h"

#include "raster/DibColors.h"
#include "raster/DibMath.h"

#include <cmath>

namespace kolvar {

TEmbossFilter::TEmbossFilter(const TRect& Region, const TDibContainer& Source)
    : TGraphicFilter(Region, Source) {
    RowsAlone = true;
    Prepare();
}

void TEmbossFilter::Prepare() {
    // Each output pixel reads the source and the filter's settings only.
    SpansIndependent = true;
    InstallSpanProc(&TEmbossFilter::Span);
    FAzimuth = 45;
    FElevation = 45;
    FDepth = 10;
    FColored = false;
    Recalculate();
}

void TEmbossFilter::SetAzimuth(double v) {
    if (v == FAzimuth) return;
    FAzimuth = v;
    Recalculate();
}

void TEmbossFilter::SetElevation(double v) {
    if (v == FElevation) return;
    FElevation = v;
    Recalculate();
}

void TEmbossFilter::SetDepth(double v) {
    v = FMax(0.1, v);
    if (v == FDepth) return;
    FDepth = v;
    Recalculate();
}

void TEmbossFilter::Recalculate() {
    const double a = DegToRad(FAzimuth), e = DegToRad(FElevation);
    FLightX = std::cos(a) * std::cos(e) * 255.9;
    FLightY = std::sin(a) * std::cos(e) * 255.9;
    FLightZ = std::sin(e) * 255.9;
    FNormalZ = 1530 / FDepth;
    FNormalZSquared = FNormalZ * FNormalZ;
    FNormalZLightZ = FNormalZ * FLightZ;
    FBackground = FLightZ;
}

void TEmbossFilter::Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect&) {
    if (ClipSpan(Target, Y, X1, X2)) {
        const int32_t W = Source.Width(), H = Source.Height();
        const int32_t sy = Y + Bounds.Top;
        const TDibColor* r0 = Source.PixelPtr(0, IClamp(sy - 1, 0, H - 1));
        const TDibColor* r1 = Source.PixelPtr(0, IClamp(sy, 0, H - 1));
        const TDibColor* r2 = Source.PixelPtr(0, IClamp(sy + 1, 0, H - 1));
        const auto L = [](const TDibColor* row, int32_t x) { return DibLuminance(row[x]); };
        TDibColor* d = Target.PixelPtr(X1, Y);
        for (int32_t X = X1; X <= X2; ++X, ++d) {
            // Three columns are needed; on narrower images the centre stays where it is and
            // its neighbours are clamped into the image instead.
            const int32_t c = W >= 3 ? IClamp(X + Bounds.Left, 1, W - 2) : X + Bounds.Left;
            const int32_t cl = IMax(c - 1, 0), cr = IMin(c + 1, W - 1);
            const int32_t nx =
                L(r0, cl) + L(r1, cl) + L(r2, cl) - L(r0, cr) - L(r1, cr) - L(r2, cr);
            const int32_t ny = L(r2, cl) + L(r2, c) + L(r2, cr) - L(r0, cl) - L(r0, c) - L(r0, cr);
            double shade = FBackground;
            if (nx != 0 || ny != 0) {
                const double dot = nx * FLightX + ny * FLightY + FNormalZLightZ;
                shade = dot < 0
                            ? 0
                            : dot / std::sqrt(double(nx) * nx + double(ny) * ny + FNormalZSquared);
            }
            const TDibColor s = r1[c];
            if (FColored) {
                *d = TDibColor{uint8_t(ClampRound(s.Blue * shade / 255, 0, 255)),
                               uint8_t(ClampRound(s.Green * shade / 255, 0, 255)),
                               uint8_t(ClampRound(s.Red * shade / 255, 0, 255))};
            } else {
                const uint8_t g = uint8_t(ClampRound(DibLuminance(s) * shade / 255, 0, 255));
                *d = TDibColor{g, g, g};
            }
        }
    }
    Progress(Y);
}

} // namespace kolvar
