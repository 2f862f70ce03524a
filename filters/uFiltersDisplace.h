#pragma once
// Filters that move pixels: every target pixel copies one source pixel (nearest neighbour)
// from a displaced position. A position outside the source leaves the target pixel as
// PrepareTarget left it. Ripple works on the region; Waves and Whirl and Pinch lay their
// geometry out on the bounding box of the shape being filled.

#include "filters/GraphicFilter.h"

#include <cstdint>

namespace kolvar {

// Brings a coordinate into 0..Size - 1 by repeated steps of Size - 1 (not Size): with a width
// of 100, 100 becomes 1 and -1 becomes 98. A size of 1 or less gives 0.
int64_t WrapCoordinate(int64_t v, int32_t Size);

class TRippleFilter final : public TGraphicFilter {
public:
    enum : uint8_t { wfSine = 0, wfSawTooth = 1 };
    enum : uint8_t { emWrap = 0, emSmear = 1, emColor = 2 };

    TRippleFilter(const TRect& Region, const TDibContainer& Source);
    void Prepare() override;
    // In the colour edge mode the target starts black, so that pixels whose source lies
    // outside the image show as black.
    void PrepareTarget(TDibContainer& Target) override;

    void SetWaveForm(uint8_t v) { FWaveForm = v; }
    void SetEdgeMode(uint8_t v) { FEdgeMode = v; }
    void SetAmplitude(const TPoint& v) { FAmplitude = v; }
    void SetPeriod(const TPoint& v) { FPeriod = v; }
    uint8_t WaveForm() const { return FWaveForm; }
    uint8_t EdgeMode() const { return FEdgeMode; }
    TPoint Amplitude() const { return FAmplitude; }
    TPoint Period() const { return FPeriod; }

private:
    void Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect& Shape);
    // The displacement along one axis for a position along the other.
    double Offset(int32_t pos, int32_t amplitude, int32_t period) const;

    uint8_t FWaveForm = wfSine;
    uint8_t FEdgeMode = emWrap;
    TPoint FAmplitude{10, 10};
    TPoint FPeriod{10, 10};
};

class TWavesFilter final : public TGraphicFilter {
public:
    TWavesFilter(const TRect& Region, const TDibContainer& Source);
    void Prepare() override;

    void SetAmplitude(double v) { FAmplitude = v; }
    void SetWaveLength(double v) { FWaveLength = v; }
    void SetPhase(double v) { FPhase = v; }
    void SetReflective(bool v) { FReflective = v; }
    void SetRegular(bool v) { FRegular = v; }
    double Amplitude() const { return FAmplitude; }
    double WaveLength() const { return FWaveLength; }
    double Phase() const { return FPhase; }
    bool Reflective() const { return FReflective; }
    bool Regular() const { return FRegular; }

    // The factors that make the shape's box round: the shorter side is stretched.
    static void WaveFactors(const TRect& Shape, bool Regular, double& fx, double& fy);

private:
    void Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect& Shape);

    double FAmplitude = 30;
    double FWaveLength = 30;
    double FPhase = 30;
    bool FReflective = false;
    bool FRegular = true;
};

class TWhirlPinchFilter final : public TGraphicFilter {
public:
    TWhirlPinchFilter(const TRect& Region, const TDibContainer& Source);
    void Prepare() override;

    // Degrees.
    void SetWhirl(double v);
    // Clamped to [-3, 1].
    void SetPinch(double v);
    double Whirl() const { return FWhirl; }
    double Pinch() const { return FPinch; }

private:
    void Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect& Shape);

    double FWhirl = 0;
    double FPinch = 0;
    double FWhirlRadians = 0;
};

} // namespace kolvar
