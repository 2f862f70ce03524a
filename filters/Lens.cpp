#include "filters/Lens.h"

#include "raster/DibMath.h"

#include <algorithm>
#include <cmath>

namespace kolvar {

namespace {

struct TBoxGeometry {
    double cx, cy, w, h;
};

TBoxGeometry BoxOf(const TRect& Shape) {
    return TBoxGeometry{(double(Shape.Left) + Shape.Right) / 2,
                        (double(Shape.Top) + Shape.Bottom) / 2,
                        std::abs(double(Shape.Right) - Shape.Left) + 1,
                        std::abs(double(Shape.Bottom) - Shape.Top) + 1};
}

} // namespace

// ---- Lens ----------------------------------------------------------------------------------

TLensFilter::TLensFilter(const TRect& Region, const TDibContainer& Source)
    : TGraphicFilter(Region, Source) {
    RowsAlone = true;
    Prepare();
}

void TLensFilter::Prepare() {
    // Each output pixel reads the source and the filter's settings only.
    SpansIndependent = true;
    InstallSpanProc(&TLensFilter::Span);
    FRefraction = 1.0;
}

void TLensFilter::SetRefraction(double v) {
    if (v == FRefraction) return;
    FRefraction = std::max(v, 1.0);
}

double TLensFilter::Bend(double q, double z) const {
    const double t1 = M_PI / 2 - std::acos(q / std::sqrt(q * q + z * z));
    const double t2 = std::asin(std::sin(t1) / FRefraction);
    return q - z * std::tan(t1 - t2);
}

void TLensFilter::Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2,
                       const TRect& Shape) {
    if (ClipSpan(Target, Y, X1, X2)) {
        const TBoxGeometry b = BoxOf(Shape);
        const double c = std::min(b.w, b.h);
        const double v = -(Y - b.cy) - 0.5;
        const double W = Source.Width(), H = Source.Height();
        TDibColor* d = Target.PixelPtr(X1, Y);
        for (int32_t X = X1; X <= X2; ++X, ++d) {
            const double u = X - b.cx + 0.5;
            if (!(b.h * b.h - b.h * b.h * u * u / (b.w * b.w) > v * v)) continue;
            const double z = std::sqrt((1 - u * u / (b.w * b.w) - v * v / (b.h * b.h)) * c * c);
            const double x = Bend(u, z) + b.cx + Bounds.Left;
            const double y = b.cy - Bend(v, z) + Bounds.Top;
            if (x > -1 && x < W && y > -1 && y < H) *d = Source.GetPixel(Trunc(x), Trunc(y));
        }
    }
    Progress(Y);
}

// ---- Fish eye ------------------------------------------------------------------------------

TFishEyeFilter::TFishEyeFilter(const TRect& Region, const TDibContainer& Source)
    : TGraphicFilter(Region, Source) {
    RowsAlone = true;
    Prepare();
}

void TFishEyeFilter::Prepare() {
    // Each output pixel reads the source and the filter's settings only.
    SpansIndependent = true;
    InstallSpanProc(&TFishEyeFilter::Span);
    FIterations = 1;
}

void TFishEyeFilter::SetIterations(int32_t v) {
    if (v == FIterations) return;
    FIterations = IClamp(v, 0, 5);
}

void TFishEyeFilter::Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2,
                          const TRect& Shape) {
    if (ClipSpan(Target, Y, X1, X2)) {
        const TBoxGeometry b = BoxOf(Shape);
        const double W = Source.Width(), H = Source.Height();
        TDibColor* d = Target.PixelPtr(X1, Y);
        for (int32_t X = X1; X <= X2; ++X, ++d) {
            double px = X, py = Y;
            bool singular = false;
            for (int32_t i = 0; i < FIterations && !singular; ++i) {
                const double dx = px - b.cx, dy = py - b.cy;
                const double r = std::sqrt(dx * dx + dy * dy);
                if (r == 0) {
                    px = b.cx;
                    py = b.cy;
                } else if (r >= b.w) {
                    singular = true;
                } else {
                    const double k = (1 / (1 - r / b.w) - 1) * (b.w / 2);
                    px = b.cx + dx * k / r;
                    py = b.cy + dy * k / r;
                }
            }
            if (singular) continue;
            const double x = px + Bounds.Left, y = py + Bounds.Top;
            if (x >= 0 && x < W && y >= 0 && y < H) *d = Source.GetPixel(Trunc(x), Trunc(y));
        }
    }
    Progress(Y);
}

} // namespace kolvar
