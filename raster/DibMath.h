#pragma once
// Numeric helpers shared by every layer: integer and real clamps, the program's two rounding
// rules, 16.16 fixed point and a few text-to-number helpers.

#include <QChar>
#include <QString>

#include <cmath>
#include <cstdint>

namespace kolvar {

// Round to nearest with halves going to the even neighbour (0.5 -> 0, 1.5 -> 2, 2.5 -> 2).
// Results beyond the 32-bit range saturate and NaN gives 0, so a wild value never becomes
// undefined behaviour in a conversion.
inline int32_t Round(double v) {
    const double r = std::nearbyint(v);
    if (r >= 2147483647.0) return INT32_MAX;
    if (r <= -2147483648.0) return INT32_MIN;
    if (r != r) return 0;
    return static_cast<int32_t>(r);
}

// Truncate toward zero, saturating like Round.
inline int32_t Trunc(double v) {
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    if (v != v) return 0;
    return static_cast<int32_t>(v);
}

// Rounds to single precision. The volatile store is deliberate: GCC 12 at -O2 drops the
// float rounding of a sine and cosine of one angle when it fuses them into one sincos call.
inline double ToSingle(double v) {
    volatile float f = float(v);
    return f;
}

inline int32_t IMin(int32_t a, int32_t b) {
    return a < b ? a : b;
}
inline int32_t IMax(int32_t a, int32_t b) {
    return a > b ? a : b;
}
inline int32_t IClamp(int32_t v, int32_t lo, int32_t hi) {
    return IMax(IMin(v, hi), lo);
}
inline void Swap(int32_t& a, int32_t& b) {
    const int32_t t = a;
    a = b;
    b = t;
}

// Over the first n values; 0 when n < 1.
int32_t MinOf(const int32_t* values, int32_t n);
int32_t MaxOf(const int32_t* values, int32_t n);

// Partially sorts values into descending order (just far enough for the middle) and returns
// the middle value, or the mean of the two middle values (truncated) for an even n.
int32_t Median(int32_t* values, int32_t n);

// Brings v into (0, range] from above or [0, range) from below; v is returned unchanged when
// range is not positive.
int32_t WrapInto(int32_t v, int32_t range);

// NaN handling follows the comparisons: FMin(NaN, x) and FMax(NaN, x) give x.
inline double FMin(double a, double b) {
    return a < b ? a : b;
}
inline double FMax(double a, double b) {
    return a > b ? a : b;
}
inline double FClamp(double v, double lo, double hi) {
    return FMax(lo, FMin(v, hi));
}
inline int32_t ClampRound(double v, double lo, double hi) {
    return Round(FClamp(v, lo, hi));
}

// The number in text ("." as decimal separator, surrounding blanks allowed), or def.
double StrToFloatDef(const QString& text, double def);

// The text between the index-th and the next separator (index 0: before the first one);
// empty when the text has fewer separators.
QString GetField(const QString& text, int32_t index, QChar separator);

// Factors that stretch the shorter side of the box (x1, y1)-(x2, y2) to its longer one.
void AspectFactors(int32_t x1, int32_t y1, int32_t x2, int32_t y2, bool plain, double& fx,
                   double& fy);

inline double DegToRad(double d) {
    return d * M_PI / 180.0;
}
inline int32_t ToFixed16(double r) {
    return Round(r * 65536.0);
}
inline double FromFixed16(int32_t i) {
    return i / 65536.0;
}
inline double Distance(double x1, double y1, double x2, double y2) {
    return std::hypot(x2 - x1, y2 - y1);
}
inline bool IsZero(double r) {
    return r > -1e-6 && r < 1e-6;
}

} // namespace kolvar
