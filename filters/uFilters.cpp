#include "filters/uFilters.h"

#include "raster/DibMath.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kolvar {

namespace {

constexpr double Gamma = 2.2222222222222223;
constexpr double WhiteX = 0.95, WhiteY = 1.0, WhiteZ = 1.09;
constexpr double LabEpsilon = 0.008856451679035630817;
constexpr double LabKappa = 7.787037037037037037;
constexpr double LabOffset = 16.0 / 116.0;
constexpr double LabDelta = 0.20689655172413793104;
constexpr double LabSlope = 0.12841854934601664686;
// Parameters of the table-backed filters start here so that the first setter always builds.
constexpr double Sentinel = -999;

uint8_t ClampByte(double v) {
    return ClampRoundByte(v);
}

TColorMatrix Primaries() {
    const double x[3] = {0.64, 0.30, 0.15};
    const double y[3] = {0.33, 0.60, 0.06};
    TColorMatrix p;
    for (int j = 0; j < 3; ++j) {
        p.m[0][j] = x[j];
        p.m[1][j] = y[j];
        p.m[2][j] = 1 - x[j] - y[j];
    }
    return p;
}

TColorMatrix ComputeRGBToXYZ() {
    const TColorMatrix p = Primaries();
    const TColorMatrix inv = InvertColorMatrix(p);
    const double white[3] = {WhiteX, WhiteY, WhiteZ};
    double s[3];
    for (int i = 0; i < 3; ++i)
        s[i] = inv.m[i][0] * white[0] + inv.m[i][1] * white[1] + inv.m[i][2] * white[2];
    TColorMatrix r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.m[i][j] = p.m[i][j] * s[j];
    return r;
}

void Multiply(const TColorMatrix& a, const double in[3], double out[3]) {
    for (int i = 0; i < 3; ++i) out[i] = a.m[i][0] * in[0] + a.m[i][1] * in[1] + a.m[i][2] * in[2];
}

// Byte level to [0, 1]: the quotients i / 255, looked up instead of divided per pixel.
const double* UnitLevels() {
    static const auto table = [] {
        std::array<double, 256> t{};
        for (int i = 0; i < 256; ++i) t[size_t(i)] = i / 255.0;
        return t;
    }();
    return table.data();
}

// Byte level to linear light; the 256 possible inputs are computed once.
const double* Linearised() {
    static const auto table = [] {
        std::array<double, 256> t{};
        for (int i = 1; i < 256; ++i) t[size_t(i)] = std::pow(i / 255.0, Gamma);
        return t;
    }();
    return table.data();
}

double LabF(double t) {
    return t >= LabEpsilon ? std::cbrt(t) : LabKappa * t + LabOffset;
}

double LabG(double t) {
    return t >= LabDelta ? t * t * t : (t - LabOffset) * LabSlope;
}

double HueValue(double m1, double m2, double h) {
    if (h < 0)
        h += 1;
    else if (h > 1)
        h -= 1;
    if (6 * h < 1) return m1 + (m2 - m1) * 6 * h;
    if (2 * h < 1) return m2;
    if (3 * h < 2) return m1 + (m2 - m1) * (2.0 / 3.0 - h) * 6;
    return m1;
}

} // namespace

// ---- Colour spaces -----------------------------------------------------------------------

TColorMatrix InvertColorMatrix(const TColorMatrix& a) {
    const auto& m = a.m;
    const double c00 = m[1][1] * m[2][2] - m[1][2] * m[2][1];
    const double c01 = m[1][2] * m[2][0] - m[1][0] * m[2][2];
    const double c02 = m[1][0] * m[2][1] - m[1][1] * m[2][0];
    const double det = m[0][0] * c00 + m[0][1] * c01 + m[0][2] * c02;
    TColorMatrix r{};
    if (det == 0) return r;
    r.m[0][0] = c00 / det;
    r.m[1][0] = c01 / det;
    r.m[2][0] = c02 / det;
    r.m[0][1] = (m[0][2] * m[2][1] - m[0][1] * m[2][2]) / det;
    r.m[1][1] = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) / det;
    r.m[2][1] = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / det;
    r.m[0][2] = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) / det;
    r.m[1][2] = (m[0][2] * m[1][0] - m[0][0] * m[1][2]) / det;
    r.m[2][2] = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / det;
    return r;
}

const TColorMatrix& RGBToXYZ() {
    static const TColorMatrix m = ComputeRGBToXYZ();
    return m;
}

const TColorMatrix& XYZToRGB() {
    static const TColorMatrix m = InvertColorMatrix(RGBToXYZ());
    return m;
}

THSL RGBToHSL(uint8_t R, uint8_t G, uint8_t B) {
    const double* unit = UnitLevels();
    const double r = unit[R], g = unit[G], b = unit[B];
    const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
    THSL c;
    c.L = (mx + mn) / 2;
    if (mx == mn) return c;
    const double d = mx - mn;
    c.S = c.L < 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
    double h6;
    if (mx == r)
        h6 = (g - b) / d;
    else if (mx != g)
        h6 = (r - g) / d + 4;
    else
        h6 = (b - r) / d + 2;
    c.H = h6 / 6;
    if (c.H < 0) c.H += 1;
    return c;
}

TDibColor HSLToRGB(double H, double S, double L) {
    if (S == 0) {
        const uint8_t v = ClampByte(255 * L);
        return TDibColor{v, v, v};
    }
    const double m2 = L > 0.5 ? S + L - S * L : L * (1 + S);
    const double m1 = 2 * L - m2;
    TDibColor c;
    c.Red = ClampByte(255 * HueValue(m1, m2, H + 1.0 / 3.0));
    c.Green = ClampByte(255 * HueValue(m1, m2, H));
    c.Blue = ClampByte(255 * HueValue(m1, m2, H - 1.0 / 3.0));
    return c;
}

THSV RGBToHSV(uint8_t R, uint8_t G, uint8_t B) {
    const double* unit = UnitLevels();
    const double r = unit[R], g = unit[G], b = unit[B];
    THSV c;
    c.V = std::max({r, g, b});
    const double d = c.V - std::min({r, g, b});
    c.S = c.V != 0 ? d / c.V : 0;
    if (c.S == 0) return c;
    if (r == c.V)
        c.H = 60 * (g - b) / d;
    else if (g == c.V)
        c.H = 60 * (b - r) / d + 120;
    else
        c.H = 60 * (r - g) / d + 240;
    if (c.H < 0) c.H += 360;
    return c;
}

bool HSVToRGB(double H, double S, double V, TDibColor& c) {
    if (S == 0) {
        const uint8_t v = ClampByte(255 * V);
        c = TDibColor{v, v, v};
        return true;
    }
    const double h = (H == 360 ? 0 : H) / 60;
    const int32_t i = Trunc(h);
    const double f = h - i;
    const double p = V * (1 - S), q = V * (1 - S * f), t = V * (1 - (1 - f) * S);
    double r, g, b;
    switch (i) {
    case 0:
        r = V, g = t, b = p;
        break;
    case 1:
        r = q, g = V, b = p;
        break;
    case 2:
        r = p, g = V, b = t;
        break;
    case 3:
        r = p, g = q, b = V;
        break;
    case 4:
        r = t, g = p, b = V;
        break;
    case 5:
        r = V, g = p, b = q;
        break;
    default:
        return false;
    }
    c = TDibColor{ClampByte(255 * b), ClampByte(255 * g), ClampByte(255 * r)};
    return true;
}

TLab RGBToLab(uint8_t R, uint8_t G, uint8_t B) {
    const double* lin = Linearised();
    const double rgb[3] = {lin[R], lin[G], lin[B]};
    double xyz[3];
    Multiply(RGBToXYZ(), rgb, xyz);
    const double fx = LabF(xyz[0] / WhiteX), fy = LabF(xyz[1] / WhiteY), fz = LabF(xyz[2] / WhiteZ);
    return TLab{116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)};
}

TDibColor LabToRGB(double L, double A, double B) {
    const double fy = (L + 16) / 116;
    const double xyz[3] = {WhiteX * LabG(fy + A / 500), WhiteY * LabG(fy),
                           WhiteZ * LabG(fy - B / 200)};
    double rgb[3];
    Multiply(XYZToRGB(), xyz, rgb);
    uint8_t out[3];
    for (int i = 0; i < 3; ++i) {
        const double v = rgb[i] > 0 ? std::pow(rgb[i], 1 / Gamma) : 0;
        out[i] = ClampByte(255 * v);
    }
    return TDibColor{out[2], out[1], out[0]};
}

// ---- RGB ---------------------------------------------------------------------------------

TRGBFilter::TRGBFilter(const TRect& Region, const TDibContainer& Source)
    : TGraphicFilter(Region, Source) {
    Prepare();
}

void TRGBFilter::Prepare() {
    // Each output pixel reads the source and the filter's settings only.
    SpansIndependent = true;
    PointWise = true;
    InstallSpanProc(&TRGBFilter::Span);
    FRedOffset = FGreenOffset = FBlueOffset = int32_t(Sentinel);
    SetRedOffset(0);
    SetGreenOffset(0);
    SetBlueOffset(0);
}

namespace {

void BuildOffsetTable(TByteTable& t, int32_t offset) {
    for (int32_t i = 0; i < 256; ++i)
        t[size_t(i)] = uint8_t(std::clamp(int64_t(i) + offset, int64_t(0), int64_t(255)));
}

} // namespace

void TRGBFilter::SetRedOffset(int32_t v) {
    if (v == FRedOffset) return;
    FRedOffset = v;
    BuildOffsetTable(FRed, v);
}

void TRGBFilter::SetGreenOffset(int32_t v) {
    if (v == FGreenOffset) return;
    FGreenOffset = v;
    BuildOffsetTable(FGreen, v);
}

void TRGBFilter::SetBlueOffset(int32_t v) {
    if (v == FBlueOffset) return;
    FBlueOffset = v;
    BuildOffsetTable(FBlue, v);
}

void TRGBFilter::Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect&) {
    MapSpan(Target, Y, X1, X2, [this](TDibColor s, TDibColor& d) {
        d = TDibColor{FBlue[s.Blue], FGreen[s.Green], FRed[s.Red]};
    });
}

// ---- HSL, HSV, LAB -----------------------------------------------------------------------

THSLFilter::THSLFilter(const TRect& Region, const TDibContainer& Source)
    : TGraphicFilter(Region, Source) {
    Prepare();
}

void THSLFilter::Prepare() {
    // Each output pixel reads the source and the filter's settings only.
    SpansIndependent = true;
    PointWise = true;
    InstallSpanProc(&THSLFilter::Span);
    HueShift = SaturationShift = LightnessShift = 0;
}

void THSLFilter::Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect&) {
    MapSpan(Target, Y, X1, X2, [this](TDibColor s, TDibColor& d) {
        const THSL c = RGBToHSL(s.Red, s.Green, s.Blue);
        d = HSLToRGB(c.H + HueShift, c.S + SaturationShift, c.L + LightnessShift);
    });
}

THSVFilter::THSVFilter(const TRect& Region, const TDibContainer& Source)
    : TGraphicFilter(Region, Source) {
    Prepare();
}

void THSVFilter::Prepare() {
    // Each output pixel reads the source and the filter's settings only.
    SpansIndependent = true;
    PointWise = true;
    InstallSpanProc(&THSVFilter::Span);
    HueShift = SaturationShift = ValueShift = 0;
}

void THSVFilter::Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect&) {
    MapSpan(Target, Y, X1, X2, [this](TDibColor s, TDibColor& d) {
        const THSV c = RGBToHSV(s.Red, s.Green, s.Blue);
        HSVToRGB(c.H + HueShift, c.S + SaturationShift, c.V + ValueShift, d);
    });
}

TLABFilter::TLABFilter(const TRect& Region, const TDibContainer& Source)
    : TGraphicFilter(Region, Source) {
    Prepare();
}

void TLABFilter::Prepare() {
    // Each output pixel reads the source and the filter's settings only.
    SpansIndependent = true;
    PointWise = true;
    InstallSpanProc(&TLABFilter::Span);
    LShift = AShift = BShift = 0;
}

void TLABFilter::Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect&) {
    MapSpan(Target, Y, X1, X2, [this](TDibColor s, TDibColor& d) {
        const TLab c = RGBToLab(s.Red, s.Green, s.Blue);
        d = LabToRGB(c.L + LShift, c.A + AShift, c.B + BShift);
    });
}

// ---- Grayscale and Negative --------------------------------------------------------------

TGrayScaleFilter::TGrayScaleFilter(const TRect& Region, const TDibContainer& Source)
    : TGraphicFilter(Region, Source) {
    Prepare();
}

void TGrayScaleFilter::Prepare() {
    // Each output pixel reads the source and the filter's settings only.
    SpansIndependent = true;
    PointWise = true;
    InstallSpanProc(&TGrayScaleFilter::Span);
    for (int32_t i = 0; i < 256; ++i) {
        FRed[size_t(i)] = ClampByte(0.299 * i);
        FGreen[size_t(i)] = ClampByte(0.587 * i);
        FBlue[size_t(i)] = ClampByte(0.114 * i);
    }
}

void TGrayScaleFilter::Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2,
                            const TRect&) {
    MapSpan(Target, Y, X1, X2, [this](TDibColor s, TDibColor& d) {
        const uint8_t y = uint8_t(FRed[s.Red] + FGreen[s.Green] + FBlue[s.Blue]);
        d = TDibColor{y, y, y};
    });
}

TNegativeFilter::TNegativeFilter(const TRect& Region, const TDibContainer& Source)
    : TGraphicFilter(Region, Source) {
    Prepare();
}

void TNegativeFilter::Prepare() {
    // Each output pixel reads the source and the filter's settings only.
    SpansIndependent = true;
    PointWise = true;
    InstallSpanProc(&TNegativeFilter::Span);
}

void TNegativeFilter::Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect&) {
    MapSpan(Target, Y, X1, X2, [](TDibColor s, TDibColor& d) {
        d = TDibColor{uint8_t(255 - s.Blue), uint8_t(255 - s.Green), uint8_t(255 - s.Red)};
    });
}

// ---- One-table filters -------------------------------------------------------------------

void TTableFilter::Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect&) {
    MapSpan(Target, Y, X1, X2, [this](TDibColor s, TDibColor& d) {
        d = TDibColor{FTable[s.Blue], FTable[s.Green], FTable[s.Red]};
    });
}

TContrastFilter::TContrastFilter(const TRect& Region, const TDibContainer& Source)
    : TTableFilter(Region, Source) {
    Prepare();
}

void TContrastFilter::Prepare() {
    // Each output pixel reads the source and the filter's settings only.
    SpansIndependent = true;
    PointWise = true;
    InstallSpanProc(&TContrastFilter::Span);
    FAmount = Sentinel;
    SetAmount(0);
}

void TContrastFilter::SetAmount(double v) {
    if (v == FAmount) return;
    FAmount = v;
    // Levels below 127 move away from 128 downwards, the others upwards.
    for (int32_t i = 0; i < 256; ++i) {
        const double spread = std::abs(128 - i) * v;
        FTable[size_t(i)] = ClampByte(i < 127 ? i - spread : i + spread);
    }
}

TLightnessFilter::TLightnessFilter(const TRect& Region, const TDibContainer& Source)
    : TTableFilter(Region, Source) {
    Prepare();
}

void TLightnessFilter::Prepare() {
    // Each output pixel reads the source and the filter's settings only.
    SpansIndependent = true;
    PointWise = true;
    InstallSpanProc(&TLightnessFilter::Span);
    FAmount = Sentinel;
    SetAmount(0);
}

void TLightnessFilter::SetAmount(double v) {
    if (v == FAmount) return;
    FAmount = v;
    for (int32_t i = 0; i < 256; ++i)
        FTable[size_t(i)] = ClampByte(v > 0 ? i * (1 + v) : i + (255 - i) * v);
}

TSolarizeFilter::TSolarizeFilter(const TRect& Region, const TDibContainer& Source)
    : TTableFilter(Region, Source) {
    Prepare();
}

void TSolarizeFilter::Prepare() {
    // Each output pixel reads the source and the filter's settings only.
    SpansIndependent = true;
    PointWise = true;
    InstallSpanProc(&TSolarizeFilter::Span);
    FAmount = Sentinel;
    SetAmount(0);
}

void TSolarizeFilter::SetAmount(double v) {
    v = FClamp(v, 0, 1);
    if (v == FAmount) return;
    FAmount = v;
    FThreshold = ClampRound(255 - 255 * v, 0, 255);
    for (int32_t i = 0; i < 256; ++i) FTable[size_t(i)] = uint8_t(i > FThreshold ? 255 - i : i);
}

void TSolarizeFilter::Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect&) {
    MapSpan(Target, Y, X1, X2, [this](TDibColor s, TDibColor& d) {
        if ((double(s.Red) + s.Green + s.Blue) / 3 > FThreshold)
            d = TDibColor{FTable[s.Blue], FTable[s.Green], FTable[s.Red]};
    });
}

TPosterizeFilter::TPosterizeFilter(const TRect& Region, const TDibContainer& Source)
    : TTableFilter(Region, Source) {
    Prepare();
}

void TPosterizeFilter::Prepare() {
    // Each output pixel reads the source and the filter's settings only.
    SpansIndependent = true;
    PointWise = true;
    InstallSpanProc(&TPosterizeFilter::Span);
    FAmount = Sentinel;
    SetAmount(0);
}

void TPosterizeFilter::SetAmount(double v) {
    v = FClamp(v, 0, 1);
    if (v == FAmount) return;
    FAmount = v;
    const int32_t step = Round(FClamp(255 * v, 1, 255));
    for (int32_t i = 0; i < 256; ++i)
        FTable[size_t(i)] = uint8_t(std::clamp(step * Round(double(i) / step), 0, 255));
}

} // namespace kolvar
