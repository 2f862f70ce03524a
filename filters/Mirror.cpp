#include "filters/Mirror.h"

#include "raster/DibMath.h"

namespace kolvar {

TMirrorFilter::TMirrorFilter(const TRect& Region, const TDibContainer& Source)
    : TGraphicFilter(Region, Source) {
    Prepare();
}

void TMirrorFilter::Prepare() {
    // Each output pixel reads the source and the filter's settings only.
    SpansIndependent = true;
    FHorizontal = false;
    FVertical = false;
    SelectSpanProc();
}

void TMirrorFilter::SetHorizontal(bool v) {
    FHorizontal = v;
    SelectSpanProc();
}

void TMirrorFilter::SetVertical(bool v) {
    FVertical = v;
    SelectSpanProc();
}

void TMirrorFilter::SelectSpanProc() {
    if (FHorizontal || FVertical)
        InstallSpanProc(&TMirrorFilter::Span);
    else
        SpanProc = nullptr;
}

void TMirrorFilter::Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2,
                         const TRect& Shape) {
    if (ClipSpan(Target, Y, X1, X2)) {
        const int32_t W = Source.Width(), H = Source.Height();
        const int64_t l = IMax(Shape.Left, 0), r = IMin(Shape.Right, W - 1);
        const int64_t t = IMax(Shape.Top, 0), b = IMin(Shape.Bottom, H - 1);
        const int64_t y = FVertical ? b + t + Bounds.Top - Y : int64_t(Y) + Bounds.Top;
        if (y >= 0 && y < H) {
            TDibColor* d = Target.PixelPtr(X1, Y);
            for (int32_t X = X1; X <= X2; ++X, ++d) {
                const int64_t x = FHorizontal ? r + l + Bounds.Left - X : int64_t(X) + Bounds.Left;
                if (x >= 0 && x < W) *d = Source.GetPixel(int32_t(x), int32_t(y));
            }
        }
    }
    Progress(Y);
}

} // namespace kolvar
