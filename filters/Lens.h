#pragma once
// Optical distortions laid out on the bounding box of the shape being filled: a glass lens
// and a fish eye. Both copy one source pixel per target pixel (nearest neighbour) and leave a
// target pixel alone when its source would lie outside the image.

#include "filters/GraphicFilter.h"

#include <cstdint>

namespace kolvar {

// An ellipsoid of glass over the box, refracting with index Refraction (1 is plain air).
class TLensFilter final : public TGraphicFilter {
public:
    TLensFilter(const TRect& Region, const TDibContainer& Source);
    void Prepare() override;

    // Stores max(v, 1).
    void SetRefraction(double v);
    double Refraction() const { return FRefraction; }

private:
    void Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect& Shape);
    // The refracted offset along one axis.
    double Bend(double q, double z) const;

    double FRefraction = 1.0;
};

// Each iteration magnifies the inner half of the box and pushes the outer part outwards.
// The distortion is singular at the box width's distance from the centre (reached only when
// the box is far taller than wide): a pixel whose sampling point reaches that distance in any
// iteration keeps its unfiltered value.
class TFishEyeFilter final : public TGraphicFilter {
public:
    TFishEyeFilter(const TRect& Region, const TDibContainer& Source);
    void Prepare() override;

    // Stores clamp(v, 0, 5).
    void SetIterations(int32_t v);
    int32_t Iterations() const { return FIterations; }

private:
    void Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect& Shape);

    int32_t FIterations = 1;
};

} // namespace kolvar
