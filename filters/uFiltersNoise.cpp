#include "filters/uFiltersNoise.h"

#include "raster/DibMath.h"
#include "raster/DibRandom.h"

#include <cmath>

namespace kolvar {

TNoiseFilter::TNoiseFilter(const TRect& Region, const TDibContainer& Source)
    : TGraphicFilter(Region, Source) {
    Prepare();
}

void TNoiseFilter::Prepare() {
    InstallSpanProc(&TNoiseFilter::Span);
    FMethod = nmGaussian;
    FVariance = 0;
    FMean = 0;
    FColorNoise = true;
    Recalculate();
}

void TNoiseFilter::SetMethod(uint8_t v) {
    if (v == FMethod) return;
    FMethod = v;
    Recalculate();
}

void TNoiseFilter::SetVariance(double v) {
    v = FClamp(v, 0, 1);
    if (v == FVariance) return;
    FVariance = v;
    Recalculate();
}

void TNoiseFilter::SetMean(double v) {
    v = Round(FClamp(v, 0, 1));
    if (v == FMean) return;
    FMean = v;
    Recalculate();
}

void TNoiseFilter::Recalculate() {
    FMeanOffset = FClamp(FMean * 128, 1, 128);
    FSpread =
        FMethod == nmPoisson ? FClamp(FVariance * 700, 7, 700) : FClamp(FVariance * 1000, 1, 1000);
    std::array<double, 1000> f{};
    switch (FMethod) {
    case nmGaussian: {
        const auto g = [&](double x) {
            return std::exp(-x * x / (2 * FSpread)) / std::sqrt(2 * M_PI * FSpread);
        };
        f[0] = g(-500);
        for (int32_t k = 1; k < 1000; ++k) f[size_t(k)] = g(k - 501);
        break;
    }
    case nmExponential: {
        const double h = std::sqrt(FSpread);
        f[0] = 1 / h;
        for (int32_t k = 1; k < 1000; ++k) f[size_t(k)] = std::exp(-k / h) / h;
        break;
    }
    case nmPoisson:
        f[0] = std::exp(-FSpread);
        for (int32_t k = 1; k < 1000; ++k) f[size_t(k)] = f[size_t(k - 1)] * FSpread / k;
        break;
    default:
        return;
    }
    FDistribution[0] = 0;
    for (size_t k = 1; k < 1000; ++k)
        FDistribution[k] = FDistribution[k - 1] + (f[k - 1] + f[k]) / 2;
}

int32_t TNoiseFilter::Sample() const {
    const int32_t a = Random(999) + 1;
    int32_t lo = 0, hi = 999, mid = 0;
    while (lo < hi) {
        mid = (lo + hi) / 2;
        const double b = FDistribution[size_t(mid)] * 1000;
        if (a > b)
            lo = mid + 1;
        else if (a == b)
            lo = hi = mid;
        else
            hi = mid - 1;
    }
    return mid;
}

double TNoiseFilter::Shift() const {
    switch (FMethod) {
    case nmGaussian:
        return Sample() - (FMeanOffset + 500);
    case nmExponential:
        return Sample() - (std::sqrt(FSpread) + FMeanOffset);
    case nmPoisson:
        return Sample() - (FSpread + FMeanOffset);
    default: {
        const int32_t n = Round(2 * std::sqrt(3 * FSpread));
        return Random(n) - (n / 2.0 + FMeanOffset);
    }
    }
}

namespace {

inline uint8_t Shifted(uint8_t c, double s) {
    return uint8_t(ClampRound(c + s, 0, 255));
}

} // namespace

void TNoiseFilter::Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect&) {
    if (ClipSpan(Target, Y, X1, X2)) {
        const int32_t W = Source.Width(), H = Source.Height();
        TDibColor* d = Target.PixelPtr(X1, Y);
        for (int32_t X = X1; X <= X2; ++X, ++d) {
            if (FMethod == nmSpray) {
                const int32_t R = Round(IMax(H - 1, W - 1) * FVariance);
                const int32_t f = Random(R);
                const int32_t row =
                    IClamp(int32_t(int64_t(f) + Y + Bounds.Top - Random(2 * f)), 0, H - 1);
                const int32_t col =
                    IClamp(int32_t(int64_t(f) + X + Bounds.Left - Random(2 * f)), 0, W - 1);
                *d = Source.GetPixel(col, row);
            } else if (FMethod == nmImpulse) {
                if (Random(2000) >= FSpread) continue;
                if (FColorNoise) {
                    d->Red = uint8_t(Random(255));
                    d->Green = uint8_t(Random(255));
                    d->Blue = uint8_t(Random(255));
                } else {
                    const uint8_t g = uint8_t(Random(255));
                    *d = TDibColor{g, g, g};
                }
            } else if (FColorNoise) {
                d->Red = Shifted(d->Red, Shift());
                d->Green = Shifted(d->Green, Shift());
                d->Blue = Shifted(d->Blue, Shift());
            } else {
                const double s = Shift();
                *d = TDibColor{Shifted(d->Blue, s), Shifted(d->Green, s), Shifted(d->Red, s)};
            }
        }
    }
    Progress(Y);
}

} // namespace kolvar
