#pragma once
// Shaded relief: the luminance is a height field lit from the azimuth and elevation.

#include "filters/GraphicFilter.h"

namespace kolvar {

class TEmbossFilter final : public TGraphicFilter {
public:
    TEmbossFilter(const TRect& Region, const TDibContainer& Source);
    void Prepare() override;

    // Degrees; each setter recomputes the light.
    void SetAzimuth(double v);
    void SetElevation(double v);
    // Stores max(0.1, v).
    void SetDepth(double v);
    void SetColored(bool v) { FColored = v; }
    double Azimuth() const { return FAzimuth; }
    double Elevation() const { return FElevation; }
    double Depth() const { return FDepth; }
    bool Colored() const { return FColored; }
    // The shade of a flat area.
    double Background() const { return FBackground; }

private:
    void Recalculate();
    void Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect& Shape);

    double FAzimuth = 45, FElevation = 45, FDepth = 10;
    bool FColored = false;
    double FLightX = 0, FLightY = 0, FLightZ = 0;
    double FNormalZ = 0, FNormalZSquared = 0, FNormalZLightZ = 0, FBackground = 0;
};

} // namespace kolvar
