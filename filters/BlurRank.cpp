// The rank filter. The minimum and maximum of a clamped square window are separable: the
// extreme of each column's vertical window first, then the extreme of those along the row,
// both over plain byte rows (the three channels stay apart because they never mix). The
// median keeps a level histogram per channel and slides it along the row, tracking how many
// values lie below the current median, as the classic running-median algorithm does.

#include "filters/Blur.h"

#include "raster/DibMath.h"

#include <algorithm>
#include <cstring>

namespace kolvar {

TRoughFilter::TRoughFilter(const TRect& Region, const TDibContainer& Source)
    : TGraphicFilter(Region, Source) {
    Prepare();
}

void TRoughFilter::Prepare() {
    FRadius = 1;
    FMethod = 0xFF;
    SetMethod(rmMedian);
}

void TRoughFilter::SetRadius(int32_t v) {
    FRadius = IClamp(v, 1, 255);
}

void TRoughFilter::SetMethod(uint8_t v) {
    if (v == FMethod) return;
    FMethod = v;
    if (v == rmMinimum)
        InstallSpanProc(&TRoughFilter::SpanMinimum);
    else if (v == rmMaximum)
        InstallSpanProc(&TRoughFilter::SpanMaximum);
    else
        InstallSpanProc(&TRoughFilter::SpanMedian);
}

void TRoughFilter::SpanMinimum(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2,
                               const TRect&) {
    if (ClipSpan(Target, Y, X1, X2)) Extreme<false>(Target, Y, X1, X2);
    Progress(Y);
}

void TRoughFilter::SpanMaximum(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2,
                               const TRect&) {
    if (ClipSpan(Target, Y, X1, X2)) Extreme<true>(Target, Y, X1, X2);
    Progress(Y);
}

namespace {

template <bool Max> inline uint8_t Pick(uint8_t a, uint8_t b) {
    return Max ? (a > b ? a : b) : (a < b ? a : b);
}

// acc[i] := extreme(acc[i], row[i]) for n bytes; written plainly so that it vectorises.
template <bool Max>
__attribute__((optimize("tree-vectorize"))) void Combine(uint8_t* __restrict acc,
                                                         const uint8_t* __restrict row, size_t n) {
    for (size_t i = 0; i < n; ++i) acc[i] = Pick<Max>(acc[i], row[i]);
}

} // namespace

template <bool Max>
void TRoughFilter::Extreme(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2) {
    const int32_t W = Source.Width(), H = Source.Height(), R = FRadius;
    const int32_t sy = Y + Bounds.Top, sx1 = X1 + Bounds.Left, sx2 = X2 + Bounds.Left;
    // Columns sx1 - R .. sx2 + R, those off the image repeating the edge columns.
    const int32_t first = IMax(sx1 - R, 0), last = IMin(sx2 + R, W - 1);
    const size_t inner = size_t(last - first + 1) * 3;
    const size_t lead = size_t(first - (sx1 - R)) * 3, trail = size_t((sx2 + R) - last) * 3;
    const size_t total = lead + inner + trail;
    FColumn.resize(total);
    uint8_t* col = FColumn.data();
    std::memcpy(col + lead, Source.ScanLine(IClamp(sy - R, 0, H - 1)) + size_t(first) * 3, inner);
    for (int32_t d = -R + 1; d <= R; ++d)
        Combine<Max>(col + lead, Source.ScanLine(IClamp(sy + d, 0, H - 1)) + size_t(first) * 3,
                     inner);
    for (size_t i = 0; i < lead; ++i) col[i] = col[lead + i % 3];
    for (size_t i = 0; i < trail; ++i) col[lead + inner + i] = col[lead + inner - 3 + i % 3];
    // Along the row: output pixel k covers column pixels k .. k + 2R.
    const size_t out = size_t(X2 - X1 + 1) * 3;
    FResult.assign(col, col + out);
    for (int32_t d = 1; d <= 2 * R; ++d) Combine<Max>(FResult.data(), col + size_t(d) * 3, out);
    std::memcpy(Target.ScanLine(Y) + size_t(X1) * 3, FResult.data(), out);
}

namespace {

// A running median over one channel: the level histogram of the window, the current median
// and the number of values below it.
struct TRunningMedian {
    int32_t Hist[256];
    int32_t Median = 0;
    int32_t Below = 0;
    // The median is the Rank-th smallest value (1-based).
    int32_t Rank = 1;

    void Reset(int32_t rank) {
        std::memset(Hist, 0, sizeof(Hist));
        Median = 0;
        Below = 0;
        Rank = rank;
    }
    void Add(uint8_t v) {
        ++Hist[v];
        if (v < Median) ++Below;
    }
    void Remove(uint8_t v) {
        --Hist[v];
        if (v < Median) --Below;
    }
    // Moves the median to the smallest level whose cumulative count reaches Rank.
    uint8_t Settle() {
        while (Below >= Rank) Below -= Hist[--Median];
        while (Below + Hist[Median] < Rank) Below += Hist[Median++];
        return uint8_t(Median);
    }
};

} // namespace

void TRoughFilter::SpanMedian(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2,
                              const TRect&) {
    if (ClipSpan(Target, Y, X1, X2)) {
        const int32_t W = Source.Width(), H = Source.Height(), R = FRadius;
        const int32_t sy = Y + Bounds.Top, n = 2 * R + 1;
        std::vector<const uint8_t*> rows(static_cast<size_t>(n));
        for (int32_t d = -R; d <= R; ++d)
            rows[size_t(d + R)] = Source.ScanLine(IClamp(sy + d, 0, H - 1));
        TRunningMedian m[3];
        for (TRunningMedian& c : m) c.Reset(n * n / 2 + 1);
        const auto column = [&](int32_t x, bool add) {
            const size_t o = size_t(IClamp(x, 0, W - 1)) * 3;
            for (const uint8_t* row : rows) {
                for (int c = 0; c < 3; ++c)
                    add ? m[c].Add(row[o + size_t(c)]) : m[c].Remove(row[o + size_t(c)]);
            }
        };
        const int32_t sx1 = X1 + Bounds.Left;
        for (int32_t d = -R; d <= R; ++d) column(sx1 + d, true);
        uint8_t* out = Target.ScanLine(Y) + size_t(X1) * 3;
        for (int32_t sx = sx1, k = X2 - X1; k >= 0; --k, ++sx, out += 3) {
            for (int c = 0; c < 3; ++c) out[c] = m[c].Settle();
            if (k == 0) break;
            column(sx - R, false);
            column(sx + R + 1, true);
        }
    }
    Progress(Y);
}

} // namespace kolvar
