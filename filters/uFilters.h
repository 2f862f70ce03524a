#pragma once
// The per-pixel colour filters and the colour-space conversions three of them use.
//
// Each filter maps the source pixel behind a target pixel to a new colour; none moves pixels.
// The table-backed filters rebuild their 256-entry tables only in their setters, so a run is
// one look-up per channel. Every setter ignores the value the filter already holds.

#include "filters/GraphicFilter.h"

#include <array>
#include <cstdint>

namespace kolvar {

// ---- Colour spaces -----------------------------------------------------------------------

// A 3 x 3 matrix that multiplies column vectors: m[row][col].
struct TColorMatrix {
    double m[3][3];
};

// Linear RGB to CIE XYZ for the program's primaries and white point, and its inverse; computed
// once, on first use, and read-only afterwards.
const TColorMatrix& RGBToXYZ();
const TColorMatrix& XYZToRGB();

// The inverse by cofactors over the determinant; a singular matrix gives all zeros.
TColorMatrix InvertColorMatrix(const TColorMatrix& a);

struct THSL {
    double H = 0; // turns, [0, 1)
    double S = 0;
    double L = 0;
};
struct THSV {
    double H = 0; // degrees, [0, 360)
    double S = 0;
    double V = 0;
};
struct TLab {
    double L = 0;
    double A = 0;
    double B = 0;
};

THSL RGBToHSL(uint8_t R, uint8_t G, uint8_t B);
TDibColor HSLToRGB(double H, double S, double L);
THSV RGBToHSV(uint8_t R, uint8_t G, uint8_t B);
// False, leaving c as it was, when the hue falls outside one turn (below -60 or above 360).
bool HSVToRGB(double H, double S, double V, TDibColor& c);
TLab RGBToLab(uint8_t R, uint8_t G, uint8_t B);
TDibColor LabToRGB(double L, double A, double B);

// ---- Filters -----------------------------------------------------------------------------

using TByteTable = std::array<uint8_t, 256>;

class TRGBFilter final : public TGraphicFilter {
public:
    TRGBFilter(const TRect& Region, const TDibContainer& Source);
    void Prepare() override;
    void SetRedOffset(int32_t v);
    void SetGreenOffset(int32_t v);
    void SetBlueOffset(int32_t v);
    int32_t RedOffset() const { return FRedOffset; }
    int32_t GreenOffset() const { return FGreenOffset; }
    int32_t BlueOffset() const { return FBlueOffset; }

private:
    void Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect& Shape);
    int32_t FRedOffset = 0, FGreenOffset = 0, FBlueOffset = 0;
    TByteTable FRed{}, FGreen{}, FBlue{};
};

class THSLFilter final : public TGraphicFilter {
public:
    THSLFilter(const TRect& Region, const TDibContainer& Source);
    void Prepare() override;
    void SetHueShift(double v) { HueShift = v; }
    void SetSaturationShift(double v) { SaturationShift = v; }
    void SetLightnessShift(double v) { LightnessShift = v; }
    double HueShift = 0, SaturationShift = 0, LightnessShift = 0;

private:
    void Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect& Shape);
};

class THSVFilter final : public TGraphicFilter {
public:
    THSVFilter(const TRect& Region, const TDibContainer& Source);
    void Prepare() override;
    void SetHueShift(double v) { HueShift = v; }
    void SetSaturationShift(double v) { SaturationShift = v; }
    void SetValueShift(double v) { ValueShift = v; }
    double HueShift = 0, SaturationShift = 0, ValueShift = 0;

private:
    void Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect& Shape);
};

class TLABFilter final : public TGraphicFilter {
public:
    TLABFilter(const TRect& Region, const TDibContainer& Source);
    void Prepare() override;
    void SetLShift(double v) { LShift = v; }
    void SetAShift(double v) { AShift = v; }
    void SetBShift(double v) { BShift = v; }
    double LShift = 0, AShift = 0, BShift = 0;

private:
    void Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect& Shape);
};

class TGrayScaleFilter final : public TGraphicFilter {
public:
    TGrayScaleFilter(const TRect& Region, const TDibContainer& Source);
    void Prepare() override;

private:
    void Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect& Shape);
    TByteTable FRed{}, FGreen{}, FBlue{};
};

class TNegativeFilter final : public TGraphicFilter {
public:
    TNegativeFilter(const TRect& Region, const TDibContainer& Source);
    void Prepare() override;

private:
    void Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect& Shape);
};

// The shared shape of the four filters that map every channel through one table.
class TTableFilter : public TGraphicFilter {
public:
    using TGraphicFilter::TGraphicFilter;
    double Amount() const { return FAmount; }
    const TByteTable& Table() const { return FTable; }

protected:
    void Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect& Shape);
    double FAmount = 0;
    TByteTable FTable{};
};

class TContrastFilter final : public TTableFilter {
public:
    TContrastFilter(const TRect& Region, const TDibContainer& Source);
    void Prepare() override;
    void SetAmount(double v);
};

class TLightnessFilter final : public TTableFilter {
public:
    TLightnessFilter(const TRect& Region, const TDibContainer& Source);
    void Prepare() override;
    void SetAmount(double v);
};

class TSolarizeFilter final : public TTableFilter {
public:
    TSolarizeFilter(const TRect& Region, const TDibContainer& Source);
    void Prepare() override;
    void SetAmount(double v);
    int32_t Threshold() const { return FThreshold; }

private:
    void Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect& Shape);
    int32_t FThreshold = 255;
};

class TPosterizeFilter final : public TTableFilter {
public:
    TPosterizeFilter(const TRect& Region, const TDibContainer& Source);
    void Prepare() override;
    void SetAmount(double v);
};

} // namespace kolvar
