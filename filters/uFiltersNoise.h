#pragma once
// Noise in six models. The filter changes the target's own pixels (which PrepareTarget filled
// with the region), drawing from the process-wide random generator, so its result depends on
// every earlier draw of the program.

#include "filters/GraphicFilter.h"
#include "raster/DibRandom.h"

#include <array>
#include <cstdint>

namespace kolvar {

class TNoiseFilter final : public TGraphicFilter {
public:
    enum : uint8_t { nmGaussian, nmExponential, nmPoisson, nmImpulse, nmUniform, nmSpray };

    TNoiseFilter(const TRect& Region, const TDibContainer& Source);
    void Prepare() override;

    // Each setter rebuilds the derived values and the distribution table.
    void SetMethod(uint8_t v);
    // Clamped to [0, 1].
    void SetVariance(double v);
    // Clamped to [0, 1] and rounded, ties to even: 0 or 1.
    void SetMean(double v);
    void SetColorNoise(bool v) { FColorNoise = v; }
    uint8_t Method() const { return FMethod; }
    double Variance() const { return FVariance; }
    double Mean() const { return FMean; }
    bool ColorNoise() const { return FColorNoise; }
    double MeanOffset() const { return FMeanOffset; }
    double Spread() const { return FSpread; }
    // The cumulative distribution of the table-driven models (entries 0..999).
    const std::array<double, 1000>& Distribution() const { return FDistribution; }

    // A draw from the distribution: the level whose cumulative share a uniform draw of
    // 1..999 per mille meets, by binary search.
    int32_t Sample() const;

    // The draws one pixel takes from the generator, or -1 where that depends on the draws.
    int32_t DrawsPerPixel() const;
    // Bands start from the state the one-thread run has at their first pixel, which needs a
    // fixed number of draws per pixel; the shared generator ends where that run would leave it.
    TDibSpanProc BandSpanProc(const TFilterBand& Band) override;
    void BandsFinished(const std::vector<TFilterBand>& Bands) override;

private:
    void Recalculate();
    void Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect& Shape);
    void SpanWith(TRandomStream& random, TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2);
    int32_t SampleFrom(TRandomStream& random) const;
    // The amount added to a channel for one draw, before clamping.
    double Shift(TRandomStream& random) const;

    uint8_t FMethod = nmGaussian;
    double FVariance = 0;
    double FMean = 0;
    bool FColorNoise = true;
    double FMeanOffset = 1;
    double FSpread = 1;
    std::array<double, 1000> FDistribution{};
    // The shared generator's state when the bands of a pass were handed out.
    uint32_t FBandSeed = 0;
};

} // namespace kolvar
