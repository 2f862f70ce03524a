#pragma once
// Deterministic textures made by displacing pixels along trigonometric patterns: Marble
// (wrapped at the image edges) and Plasma (driven by each pixel's own luminance).

#include "filters/GraphicFilter.h"

#include <array>
#include <cstdint>

namespace kolvar {

class TMarbleFilter final : public TGraphicFilter {
public:
    TMarbleFilter(const TRect& Region, const TDibContainer& Source);
    void Prepare() override;

    // Stores max(v, 1).
    void SetTurbulence(int32_t v);
    // Stores max(0.1, v).
    void SetScale(double v);
    int32_t Turbulence() const { return FTurbulence; }
    double Scale() const { return FScale; }

private:
    void Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect& Shape);

    int32_t FTurbulence = 1;
    double FScale = 0.1;
};

class TPlasmaFilter final : public TGraphicFilter {
public:
    TPlasmaFilter(const TRect& Region, const TDibContainer& Source);
    void Prepare() override;

    // Stores max(0.01, v); both setters rebuild the offset tables.
    void SetTurbulence(double v);
    void SetScale(double v);
    double Turbulence() const { return FTurbulence; }
    double Scale() const { return FScale; }
    const std::array<uint8_t, 256>& OffsetX() const { return FOffsetX; }
    const std::array<uint8_t, 256>& OffsetY() const { return FOffsetY; }

private:
    void Rebuild();
    void Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect& Shape);

    double FTurbulence = 0.01;
    double FScale = 0;
    std::array<uint8_t, 256> FOffsetX{}, FOffsetY{};
};

} // namespace kolvar
