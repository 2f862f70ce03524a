#include "raster/DibMath.h"

#include <cstdlib>

namespace kolvar {

int32_t MinOf(const int32_t* values, int32_t n) {
    if (n < 1) return 0;
    int32_t m = values[0];
    for (int32_t i = 1; i < n; ++i) m = IMin(m, values[i]);
    return m;
}

int32_t MaxOf(const int32_t* values, int32_t n) {
    if (n < 1) return 0;
    int32_t m = values[0];
    for (int32_t i = 1; i < n; ++i) m = IMax(m, values[i]);
    return m;
}

int32_t Median(int32_t* values, int32_t n) {
    if (n < 1) return 0;
    // Each bubble pass sinks the smallest remaining value to the end, so after n div 2 + 1
    // passes the tail from the middle on is in its final order.
    const int32_t passes = IMin(n / 2 + 1, n - 1);
    for (int32_t p = 0; p < passes; ++p) {
        for (int32_t j = 0; j < n - 1 - p; ++j) {
            if (values[j] < values[j + 1]) Swap(values[j], values[j + 1]);
        }
    }
    const int32_t mid = n / 2;
    if (n % 2 == 1) return values[mid];
    return static_cast<int32_t>((int64_t(values[mid - 1]) + values[mid]) / 2);
}

int32_t WrapInto(int32_t v, int32_t range) {
    if (range <= 0) return v;
    // The closed forms of "subtract while above range" and "add while below zero", so a
    // far-off value costs no more than a near one.
    if (v > range) return (v - 1) % range + 1;
    if (v < 0) return v % range == 0 ? 0 : v % range + range;
    return v;
}

double StrToFloatDef(const QString& text, double def) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(v) ? v : def;
}

QString GetField(const QString& text, int32_t index, QChar separator) {
    if (index < 0) return QString();
    qsizetype start = 0;
    for (int32_t i = 0; i < index; ++i) {
        const qsizetype p = text.indexOf(separator, start);
        if (p < 0) return QString();
        start = p + 1;
    }
    const qsizetype end = text.indexOf(separator, start);
    return text.mid(start, end < 0 ? -1 : end - start);
}

void AspectFactors(int32_t x1, int32_t y1, int32_t x2, int32_t y2, bool plain, double& fx,
                   double& fy) {
    // 64-bit so that extreme corners cannot overflow; both sides are at least 1.
    const int64_t w = std::llabs(int64_t(x2) - x1) + 1;
    const int64_t h = std::llabs(int64_t(y2) - y1) + 1;
    fx = 1.0;
    fy = 1.0;
    if (plain || w == h) return;
    if (w > h)
        fx = double(w) / double(h);
    else
        fy = double(h) / double(w);
}

} // namespace kolvar
