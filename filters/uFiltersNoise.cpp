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
    TRandomStream random{RandomSeed()};
    const int32_t level = SampleFrom(random);
    SetRandomSeed(random.Seed);
    return level;
}

int32_t TNoiseFilter::SampleFrom(TRandomStream& random) const {
    const int32_t a = random.Next(999) + 1;
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

double TNoiseFilter::Shift(TRandomStream& random) const {
    switch (FMethod) {
    case nmGaussian:
        return SampleFrom(random) - (FMeanOffset + 500);
    case nmExponential:
        return SampleFrom(random) - (std::sqrt(FSpread) + FMeanOffset);
    case nmPoisson:
        return SampleFrom(random) - (FSpread + FMeanOffset);
    default: {
        const int32_t n = Round(2 * std::sqrt(3 * FSpread));
        return random.Next(n) - (n / 2.0 + FMeanOffset);
    }
    }
}

int32_t TNoiseFilter::DrawsPerPixel() const {
    if (FMethod == nmImpulse) return -1;
    if (FMethod == nmSpray) return 3;
    return FColorNoise ? 3 : 1;
}

TDibSpanProc TNoiseFilter::BandSpanProc(const TFilterBand& Band) {
    const int32_t draws = DrawsPerPixel();
    if (draws < 0) return {};
    FBandSeed = RandomSeed();
    auto random = std::make_shared<TRandomStream>(
        TRandomStream{RandomSkip(FBandSeed, uint64_t(Band.PixelsBefore) * uint64_t(draws))});
    return [this, random](TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect&) {
        SpanWith(*random, Target, Y, X1, X2);
    };
}

void TNoiseFilter::BandsFinished(const std::vector<TFilterBand>& Bands) {
    if (Bands.empty()) return;
    const uint64_t draws = uint64_t(DrawsPerPixel());
    SetRandomSeed(RandomSkip(FBandSeed, uint64_t(Bands.front().PixelsTotal) * draws));
}

namespace {

inline uint8_t Shifted(uint8_t c, double s) {
    return uint8_t(ClampRound(c + s, 0, 255));
}

} // namespace

void TNoiseFilter::Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect&) {
    TRandomStream random{RandomSeed()};
    SpanWith(random, Target, Y, X1, X2);
    SetRandomSeed(random.Seed);
}

void TNoiseFilter::SpanWith(TRandomStream& random, TDibContainer& Target, int32_t Y, int32_t X1,
                            int32_t X2) {
    if (ClipSpan(Target, Y, X1, X2)) {
        const int32_t W = Source.Width(), H = Source.Height();
        TDibColor* d = Target.PixelPtr(X1, Y);
        for (int32_t X = X1; X <= X2; ++X, ++d) {
            if (FMethod == nmSpray) {
                const int32_t R = Round(IMax(H - 1, W - 1) * FVariance);
                const int32_t f = random.Next(R);
                const int32_t row =
                    IClamp(int32_t(int64_t(f) + Y + Bounds.Top - random.Next(2 * f)), 0, H - 1);
                const int32_t col =
                    IClamp(int32_t(int64_t(f) + X + Bounds.Left - random.Next(2 * f)), 0, W - 1);
                *d = Source.GetPixel(col, row);
            } else if (FMethod == nmImpulse) {
                if (random.Next(2000) >= FSpread) continue;
                if (FColorNoise) {
                    d->Red = uint8_t(random.Next(255));
                    d->Green = uint8_t(random.Next(255));
                    d->Blue = uint8_t(random.Next(255));
                } else {
                    const uint8_t g = uint8_t(random.Next(255));
                    *d = TDibColor{g, g, g};
                }
            } else if (FColorNoise) {
                d->Red = Shifted(d->Red, Shift(random));
                d->Green = Shifted(d->Green, Shift(random));
                d->Blue = Shifted(d->Blue, Shift(random));
            } else {
                const double s = Shift(random);
                *d = TDibColor{Shifted(d->Blue, s), Shifted(d->Green, s), Shifted(d->Red, s)};
            }
        }
    }
    Progress(Y);
}

} // namespace kolvar
