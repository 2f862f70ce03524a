#pragma once
// Neighbourhood filters: the box blur, the four-corner split blur, the motion blur along a
// line and the rank filter (minimum, median, maximum). Neighbourhood rows and columns are
// clamped to the source image, so edge pixels repeat.
//
// The box blur, the median and the motion blur cost the same per pixel whatever their radius
// or length: the blur slides sums of its weight table down the columns and along the row, the
// median slides column histograms down and a window histogram along the row, and the motion
// blur sums runs of its streak from running sums. The minimum and maximum are separable.

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
    TDibSpanProc BandSpanProc(const TFilterBand& Band) override;

    // Clamped to 1..255; rebuilds the weight table.
    void SetRadius(int32_t v);
    int32_t Radius() const { return FRadius; }
    // Round(i x 65536 / n^2) with n = 2 Radius + 1: a channel is the sum of the weights of
    // its neighbourhood's levels, shifted right by 16.
    const std::array<int32_t, 256>& Weights() const { return FWeights; }

private:
    // The weight sums of the vertical window of every column the region can reach.
    struct TColumns {
        // Three sums (blue, green, red) per column from First on; valid for source row Row.
        std::vector<int32_t> Sums;
        int32_t First = 0;
        int32_t Row = INT32_MIN;
    };

    void Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect& Shape);
    void SpanWith(TColumns& c, TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2);
    // Makes c hold the column sums around source row sy, sliding them down from the row
    // before when it can.
    void ColumnSumsFor(TColumns& c, int32_t sy) const;

    int32_t FRadius = 0;
    std::array<int32_t, 256> FWeights{};
    TColumns FColumns;
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
    void PrepareTarget(TDibContainer& Target) override;
    TDibSpanProc BandSpanProc(const TFilterBand& Band) override;

    void SetLength(int32_t v);
    // Degrees.
    void SetAngle(double v);
    int32_t Length() const { return FLength; }
    double Angle() const { return FAngle; }
    int32_t HalfDX() const { return FHalfDX; }
    int32_t HalfDY() const { return FHalfDY; }

    // A straight piece of the streak: Length pixels from (X, Y) relative to the centre, along
    // a row or, when the streak is cut into columns, down a column.
    struct TStreakRun {
        int32_t X = 0, Y = 0, Length = 0;
    };
    // Running sums of source rows a span procedure keeps: per row the sums along it (row
    // runs), or the sums down every column from some row on (column runs).
    struct TRunningSums {
        std::vector<int32_t> Ring;
        std::vector<int32_t> Held;
        int32_t Top = INT32_MIN;
    };

private:
    void Recalculate();
    void Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect& Shape);
    void SpanWith(TRunningSums& sums, TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2);
    // The walk clipped to the image, for pixels whose line leaves it.
    TDibColor EdgePixel(int32_t sx, int32_t sy) const;
    // The running sums of source row r (row runs) or up to row r (column runs).
    const int32_t* RowSums(TRunningSums& sums, int32_t r) const;
    void ColumnSumsUpTo(TRunningSums& sums, int32_t lo, int32_t hi) const;
    int32_t SumSlots() const;
    int32_t FirstSumColumn() const;
    size_t SumRowSize() const;

    int32_t FLength = 0;
    double FAngle = 0;
    int32_t FHalfDX = 0;
    int32_t FHalfDY = 0;
    // The line's pixels relative to its centre when it lies wholly inside the image; the
    // walk depends only on the end points' difference, so one list serves every such pixel.
    std::vector<TPoint> FLine;
    // FLine cut into the fewest runs along rows or along columns.
    std::vector<TStreakRun> FRuns;
    bool FColumnRuns = false;
    // The rounded average of every channel sum a whole streak can have.
    std::vector<uint8_t> FAverages;
    TRunningSums FSums;
};

class TRoughFilter final : public TGraphicFilter {
public:
    enum : uint8_t { rmMinimum = 0, rmMedian = 1, rmMaximum = 2 };

    TRoughFilter(const TRect& Region, const TDibContainer& Source);
    void Prepare() override;
    void PrepareTarget(TDibContainer& Target) override;
    TDibSpanProc BandSpanProc(const TFilterBand& Band) override;

    // Clamped to 1..255.
    void SetRadius(int32_t v);
    void SetMethod(uint8_t v);
    int32_t Radius() const { return FRadius; }
    uint8_t Method() const { return FMethod; }
    int32_t WindowSize() const { return (2 * FRadius + 1) * (2 * FRadius + 1); }

    // The level histograms of the vertical windows of every column the region reaches, for
    // one source row: 256 fine and 16 coarse counts per column and channel.
    struct TColumnHistograms {
        std::vector<uint16_t> Fine, Coarse;
        // The source columns held.
        int32_t First = 0;
        int32_t Last = -1;
        int32_t Row = INT32_MIN;
    };
    // The work rows of one span procedure; a band's median gathers its spans in Spans.
    struct TScratch {
        std::vector<uint8_t> Column, Result;
        TColumnHistograms Histograms;
        std::vector<std::array<int32_t, 3>> Spans;
    };

private:
    void Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect& Shape);
    void SpanWith(TScratch& s, TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2);
    template <bool Max>
    void Extreme(TScratch& s, TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2);
    // The median of target columns X1..X2 of row Y; the column histograms hold target columns
    // from..to (a strip, or the region) and their neighbours.
    void Median(TColumnHistograms& h, TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2,
                int32_t from, int32_t to);
    // The band's gathered spans, one strip of columns after the other.
    void MedianByStrips(TScratch& s, TDibContainer& Target);
    // Makes h hold source columns first..last around source row sy.
    void HistogramsFor(TColumnHistograms& h, int32_t sy, int32_t first, int32_t last) const;

    int32_t FRadius = 1;
    uint8_t FMethod = rmMedian;
    TScratch FScratch;
};

} // namespace kolvar
