#pragma once
// Neighbourhood filters: the box blur, the four-corner split blur, the motion blur along a
// line and the rank filter (minimum, median, maximum). Neighbourhood rows and columns are
// clamped to the source image, so edge pixels repeat.
//
// The box blur and the rank filter cost the same per pixel whatever their radius would make
// a plain loop cost: the blur slides sums of its weight table down the columns and along the
// row, the minimum and maximum are separable, and the median slides a level histogram.

#include "filters/GraphicFilter.h"

#include <array>
#include <cstdint>
#include <vector>

namespace kolvar {

class TBlurFilter final : public TGraphicFilter {
public:
    TBlurFilter(const TRect& Region, const TDibContainer& Source);
    void Prepare() override;
    void PrepareTarget(TDibContainer& Target) override;

    // Clamped to 1..255; rebuilds the weight table.
    void SetRadius(int32_t v);
    int32_t Radius() const { return FRadius; }
    // Round(i x 65536 / n^2) with n = 2 Radius + 1: a channel is the sum of the weights of
    // its neighbourhood's levels, shifted right by 16.
    const std::array<int32_t, 256>& Weights() const { return FWeights; }

private:
    void Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect& Shape);
    // Makes FColumns hold, for every column the region can reach, the weight sums of the
    // vertical window around source row sy.
    void ColumnSumsFor(int32_t sy);

    int32_t FRadius = 0;
    std::array<int32_t, 256> FWeights{};
    // Three sums (blue, green, red) per column from FFirstColumn on; valid for FColumnsRow.
    std::vector<int32_t> FColumns;
    int32_t FFirstColumn = 0;
    int32_t FColumnsRow = INT32_MIN;
};

class TSplitBlurFilter final : public TGraphicFilter {
public:
    TSplitBlurFilter(const TRect& Region, const TDibContainer& Source);
    void Prepare() override;

    void SetRadiusX(int32_t v) { FRadiusX = v; }
    void SetRadiusY(int32_t v) { FRadiusY = v; }
    int32_t RadiusX() const { return FRadiusX; }
    int32_t RadiusY() const { return FRadiusY; }

private:
    void Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect& Shape);

    int32_t FRadiusX = 0;
    int32_t FRadiusY = 0;
};

class TMotionBlurFilter final : public TGraphicFilter {
public:
    TMotionBlurFilter(const TRect& Region, const TDibContainer& Source);
    void Prepare() override;

    void SetLength(int32_t v);
    // Degrees.
    void SetAngle(double v);
    int32_t Length() const { return FLength; }
    double Angle() const { return FAngle; }
    int32_t HalfDX() const { return FHalfDX; }
    int32_t HalfDY() const { return FHalfDY; }

private:
    void Recalculate();
    void Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect& Shape);
    // The walk clipped to the image, for pixels whose line leaves it.
    TDibColor EdgePixel(int32_t sx, int32_t sy) const;

    int32_t FLength = 0;
    double FAngle = 0;
    int32_t FHalfDX = 0;
    int32_t FHalfDY = 0;
    // The line's pixels relative to its centre when it lies wholly inside the image; the
    // walk depends only on the end points' difference, so one list serves every such pixel.
    std::vector<TPoint> FLine;
};

class TRoughFilter final : public TGraphicFilter {
public:
    enum : uint8_t { rmMinimum = 0, rmMedian = 1, rmMaximum = 2 };

    TRoughFilter(const TRect& Region, const TDibContainer& Source);
    void Prepare() override;

    // Clamped to 1..255.
    void SetRadius(int32_t v);
    void SetMethod(uint8_t v);
    int32_t Radius() const { return FRadius; }
    uint8_t Method() const { return FMethod; }
    int32_t WindowSize() const { return (2 * FRadius + 1) * (2 * FRadius + 1); }

private:
    void SpanMinimum(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect& Shape);
    void SpanMaximum(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect& Shape);
    void SpanMedian(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect& Shape);
    template <bool Max> void Extreme(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2);

    int32_t FRadius = 1;
    uint8_t FMethod = rmMedian;
    // Work rows of the separable minimum and maximum.
    std::vector<uint8_t> FColumn, FResult;
};

} // namespace kolvar
