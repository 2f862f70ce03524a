#pragma once
// The level histogram of a region and its equalisation. Pass 1 counts the levels (intensity,
// red, green, blue) and writes nothing; pass 2 maps every channel through one table built
// from the intensity counts.

#include "filters/GraphicFilter.h"

#include <array>
#include <cstdint>

namespace kolvar {

class THistogram final : public TGraphicFilter {
public:
    enum TChannel { hcIntensity = 0, hcRed = 1, hcGreen = 2, hcBlue = 3 };
    using TCounts = std::array<int32_t, 256>;

    THistogram(const TRect& Region, const TDibContainer& Source);
    void Prepare() override;
    // Pass 1 clears the counts and counts; pass 2 builds the table once and maps.
    void SetPass(int32_t Index) override;
    // The counting pass stays on one thread; the mapping pass may run in bands.
    TDibSpanProc BandSpanProc(const TFilterBand& Band) override;

    const TCounts& Counts(int32_t Channel) const { return FCounts[size_t(Channel & 3)]; }
    const std::array<uint8_t, 256>& EqualizeTable() const { return FEqualizeTable; }
    bool TableReady() const { return FTableReady; }
    // WeightRed[R] + WeightGreen[G] + WeightBlue[B].
    int32_t Intensity(const TDibColor& c) const;

    // The channel the histogram window draws.
    int32_t ShownChannel = hcIntensity;

private:
    void CountSpan(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect& Shape);
    void MapSpan(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect& Shape);
    void BuildEqualizeTable();

    bool FTableReady = false;
    std::array<TCounts, 4> FCounts{};
    std::array<uint8_t, 256> FEqualizeTable{};
    std::array<uint8_t, 256> FWeightRed{}, FWeightGreen{}, FWeightBlue{};
};

// The picture of one channel's counts: a 280 x 140 image with one bar per level at
// x = 10 + level, rising from y = 130 to at most 90 pixels, in the channel's colour (silver
// for intensity), scaled so that the largest count is full height.
void DrawHistogramChannel(const THistogram& Histogram, int32_t Channel, TDibContainer& Canvas);

} // namespace kolvar
