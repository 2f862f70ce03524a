#include "filters/Histogram.h"

#include "raster/DibColors.h"
#include "raster/DibMath.h"

#include <algorithm>

namespace kolvar {

THistogram::THistogram(const TRect& Region, const TDibContainer& Source)
    : TGraphicFilter(Region, Source) {
    Prepare();
    FTableReady = false;
    for (int32_t i = 0; i < 256; ++i) {
        FWeightRed[size_t(i)] = uint8_t(Round(0.299 * i));
        FWeightGreen[size_t(i)] = uint8_t(Round(0.587 * i));
        FWeightBlue[size_t(i)] = uint8_t(Round(0.114 * i));
    }
}

void THistogram::Prepare() {
    InstallSpanProc(&THistogram::CountSpan);
    PassCount = 2;
    // Not a pass number, so that selecting pass 1 below takes effect.
    Pass = -1;
    SetPass(1);
}

void THistogram::SetPass(int32_t Index) {
    if (Index == Pass) return;
    Pass = Index;
    if (Index == 1) {
        FTableReady = false;
        for (TCounts& c : FCounts) c.fill(0);
        InstallSpanProc(&THistogram::CountSpan);
    } else if (Index == 2) {
        if (!FTableReady) {
            BuildEqualizeTable();
            FTableReady = true;
        }
        InstallSpanProc(&THistogram::MapSpan);
    }
}

TDibSpanProc THistogram::BandSpanProc(const TFilterBand&) {
    return Pass == 2 ? SpanProc : TDibSpanProc();
}

int32_t THistogram::Intensity(const TDibColor& c) const {
    return FWeightRed[c.Red] + FWeightGreen[c.Green] + FWeightBlue[c.Blue];
}

void THistogram::CountSpan(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect&) {
    if (ClipSpan(Target, Y, X1, X2)) {
        const TDibColor* s = Source.PixelPtr(X1 + Bounds.Left, Y + Bounds.Top);
        for (int32_t n = X2 - X1; n >= 0; --n, ++s) {
            ++FCounts[hcIntensity][size_t(Intensity(*s))];
            ++FCounts[hcRed][s->Red];
            ++FCounts[hcGreen][s->Green];
            ++FCounts[hcBlue][s->Blue];
        }
    }
    Progress(Y);
}

void THistogram::MapSpan(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect&) {
    const auto& t = FEqualizeTable;
    TGraphicFilter::MapSpan(Target, Y, X1, X2, [&t](TDibColor s, TDibColor& d) {
        d = TDibColor{t[s.Blue], t[s.Green], t[s.Red]};
    });
}

void THistogram::BuildEqualizeTable() {
    const double area = double(IMax(RegionWidth(), 0)) * double(IMax(RegionHeight(), 0));
    const double q = area / 256;
    std::array<double, 256> c;
    for (size_t i = 0; i < 256; ++i) c[i] = FCounts[hcIntensity][i];
    for (size_t i = 0; i < 255; ++i) c[i + 1] += c[i];
    std::array<int32_t, 256> t;
    t[255] = 256;
    size_t i = 0;
    for (int32_t j = 1; j <= 255; ++j) {
        const double b = j * q;
        // Counted outlines smaller than the region (a polygon) can leave every cumulative
        // count below b; the index stops at the last level instead of running off the table.
        while (i + 1 < 255 && c[i + 1] <= b) ++i;
        t[size_t(j - 1)] = c[i + 1] - b > b - c[i] ? int32_t(i) : int32_t(i + 1);
    }
    for (int32_t j = 0; j < 256; ++j) {
        int32_t k = 0;
        while (k < 255 && !(j < t[size_t(k)])) ++k;
        FEqualizeTable[size_t(j)] = uint8_t(k);
    }
}

void DrawHistogramChannel(const THistogram& Histogram, int32_t Channel, TDibContainer& Canvas) {
    static constexpr TDibColor colours[4] = {clDibSilver, clDibRed, clDibGreen, clDibBlue};
    Canvas = TDibContainer(280, 140);
    const THistogram::TCounts& counts = Histogram.Counts(Channel);
    const int32_t M = std::max(*std::max_element(counts.begin(), counts.end()), 1);
    for (int32_t i = 0; i < 256; ++i) {
        const int32_t top = 130 - Round(double(counts[size_t(i)]) / M * 90);
        for (int32_t y = top; y <= 130; ++y) Canvas.SetPixel(10 + i, y, colours[Channel & 3]);
    }
}

} // namespace kolvar
