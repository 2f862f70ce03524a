// The rank filter. The minimum and maximum of a clamped square window are separable: the
// extreme of each column's vertical window first, then the extreme of those along the row,
// both over plain byte rows (the three channels stay apart because they never mix).
//
// The median keeps a level histogram of every column's vertical window, moved down one row by
// removing one value and adding one, and a histogram of the square window, moved right by
// adding one column's histogram and removing another. Both come in two levels, 16 coarse
// counts over 256 fine ones, so that finding the median reads at most 16 + 16 counts, and the
// window's fine counts are brought up to date only for the coarse bin the median falls in.
// Column histograms of a whole wide row do not stay in the cache, so a band gathers its spans
// and works through them in strips of columns.

#include "filters/Blur.h"

#include "raster/DibMath.h"

#include <algorithm>
#include <cstring>

namespace kolvar {

TRoughFilter::TRoughFilter(const TRect& Region, const TDibContainer& Source)
    : TGraphicFilter(Region, Source) {
    RowsAlone = true;
    Prepare();
}

void TRoughFilter::Prepare() {
    InstallSpanProc(&TRoughFilter::Span);
    FRadius = 1;
    FMethod = rmMedian;
}

void TRoughFilter::PrepareTarget(TDibContainer& Target) {
    TGraphicFilter::PrepareTarget(Target);
    FScratch.Histograms.Row = INT32_MIN;
}

TDibSpanProc TRoughFilter::BandSpanProc(const TFilterBand&) {
    if (FMethod != rmMedian) return SpanProcWithState(&TRoughFilter::SpanWith);
    auto s = std::make_shared<TScratch>();
    return [this, s](TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect&) {
        if (Y < 0)
            MedianByStrips(*s, Target);
        else if (ClipSpan(Target, Y, X1, X2))
            s->Spans.push_back({Y, X1, X2});
    };
}

void TRoughFilter::SetRadius(int32_t v) {
    v = IClamp(v, 1, 255);
    if (v == FRadius) return;
    FRadius = v;
    FScratch.Histograms.Row = INT32_MIN;
}

void TRoughFilter::SetMethod(uint8_t v) {
    FMethod = v;
}

void TRoughFilter::Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect&) {
    SpanWith(FScratch, Target, Y, X1, X2);
}

void TRoughFilter::SpanWith(TScratch& s, TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2) {
    if (ClipSpan(Target, Y, X1, X2)) {
        if (FMethod == rmMinimum)
            Extreme<false>(s, Target, Y, X1, X2);
        else if (FMethod == rmMaximum)
            Extreme<true>(s, Target, Y, X1, X2);
        else
            Median(s.Histograms, Target, Y, X1, X2, 0, RegionWidth() - 1);
    }
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
void TRoughFilter::Extreme(TScratch& s, TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2) {
    const int32_t W = Source.Width(), H = Source.Height(), R = FRadius;
    const int32_t sy = Y + Bounds.Top, sx1 = X1 + Bounds.Left, sx2 = X2 + Bounds.Left;
    // Columns sx1 - R .. sx2 + R, those off the image repeating the edge columns.
    const int32_t first = IMax(sx1 - R, 0), last = IMin(sx2 + R, W - 1);
    const size_t inner = size_t(last - first + 1) * 3;
    const size_t lead = size_t(first - (sx1 - R)) * 3, trail = size_t((sx2 + R) - last) * 3;
    const size_t total = lead + inner + trail;
    s.Column.resize(total);
    uint8_t* col = s.Column.data();
    std::memcpy(col + lead, Source.ScanLine(IClamp(sy - R, 0, H - 1)) + size_t(first) * 3, inner);
    for (int32_t d = -R + 1; d <= R; ++d)
        Combine<Max>(col + lead, Source.ScanLine(IClamp(sy + d, 0, H - 1)) + size_t(first) * 3,
                     inner);
    for (size_t i = 0; i < lead; ++i) col[i] = col[lead + i % 3];
    for (size_t i = 0; i < trail; ++i) col[lead + inner + i] = col[lead + inner - 3 + i % 3];
    // Along the row: output pixel k covers column pixels k .. k + 2R.
    const size_t out = size_t(X2 - X1 + 1) * 3;
    s.Result.assign(col, col + out);
    for (int32_t d = 1; d <= 2 * R; ++d) Combine<Max>(s.Result.data(), col + size_t(d) * 3, out);
    std::memcpy(Target.ScanLine(Y) + size_t(X1) * 3, s.Result.data(), out);
}

namespace {

constexpr size_t FineBins = 256, CoarseBins = 16, BinsPerCoarse = 16;

// dst[i] += a[i] - b[i] over one coarse bin's worth (or the 16 coarse bins) of counts.
template <class T>
inline void AddDifference(T* __restrict dst, const uint16_t* __restrict a,
                          const uint16_t* __restrict b) {
    for (size_t i = 0; i < 16; ++i) dst[i] += T(a[i]) - T(b[i]);
}

template <class T> inline void AddCounts(T* __restrict dst, const uint16_t* __restrict a) {
    for (size_t i = 0; i < 16; ++i) dst[i] += a[i];
}

// The number of the 16 counts whose running total, from below on, stays under rank, adding
// them to below. Without branches: where the median falls is as good as random.
inline size_t CountBelow(const uint32_t* counts, uint32_t rank, uint32_t& below) {
    uint32_t total = below, under = below;
    size_t n = 0;
    for (size_t i = 0; i < 16; ++i) {
        total += counts[i];
        const uint32_t lower = total < rank;
        n += lower;
        under += counts[i] & (0u - lower);
    }
    below = under;
    return n;
}

// The square window's histogram of one channel as the median walk along a row keeps it.
struct TWindowHistogram {
    uint32_t Coarse[CoarseBins];
    uint32_t Fine[FineBins];
    // The window column each coarse bin's fine counts belong to; INT32_MIN when never set.
    int32_t FineAt[CoarseBins];
};

} // namespace

void TRoughFilter::HistogramsFor(TColumnHistograms& h, int32_t sy, int32_t first,
                                 int32_t last) const {
    if (sy == h.Row && first == h.First && last == h.Last) return;
    const int32_t H = Source.Height(), R = FRadius;
    const bool slide = sy == h.Row + 1 && first == h.First && last == h.Last;
    h.First = first;
    h.Last = last;
    const size_t columns = size_t(last - first + 1) * 3;
    const auto add = [&](const uint8_t* row, int32_t delta) {
        row += size_t(h.First) * 3;
        uint16_t* fine = h.Fine.data();
        uint16_t* coarse = h.Coarse.data();
        for (size_t i = 0; i < columns; ++i, fine += FineBins, coarse += CoarseBins) {
            fine[row[i]] = uint16_t(fine[row[i]] + delta);
            coarse[row[i] / BinsPerCoarse] = uint16_t(coarse[row[i] / BinsPerCoarse] + delta);
        }
    };
    if (slide) {
        add(Source.ScanLine(IClamp(sy - 1 - R, 0, H - 1)), -1);
        add(Source.ScanLine(IClamp(sy + R, 0, H - 1)), 1);
    } else {
        h.Fine.assign(columns * FineBins, 0);
        h.Coarse.assign(columns * CoarseBins, 0);
        for (int32_t d = -R; d <= R; ++d) add(Source.ScanLine(IClamp(sy + d, 0, H - 1)), 1);
    }
    h.Row = sy;
}

void TRoughFilter::MedianByStrips(TScratch& s, TDibContainer& Target) {
    // Wide enough that the walk's start costs little, narrow enough for the cache.
    constexpr int32_t StripWidth = 384;
    if (s.Spans.empty()) return;
    int32_t left = INT32_MAX, right = INT32_MIN;
    for (const auto& span : s.Spans) {
        left = IMin(left, span[1]);
        right = IMax(right, span[2]);
    }
    const int32_t strips = (right - left) / StripWidth + 1;
    for (int32_t k = 0; k < strips && !Cancelled(); ++k) {
        const int32_t a = left + k * StripWidth, b = IMin(a + StripWidth - 1, right);
        s.Histograms.Row = INT32_MIN;
        for (size_t i = 0; i < s.Spans.size(); ++i) {
            const auto& [Y, X1, X2] = s.Spans[i];
            if (IMax(X1, a) <= IMin(X2, b))
                Median(s.Histograms, Target, Y, IMax(X1, a), IMin(X2, b), a, b);
            // Each span counts once, spread over the strips.
            if (int32_t(i % size_t(strips)) == k) Progress(Y);
        }
    }
    s.Spans.clear();
}

void TRoughFilter::Median(TColumnHistograms& h, TDibContainer& Target, int32_t Y, int32_t X1,
                          int32_t X2, int32_t from, int32_t to) {
    const int32_t W = Source.Width(), R = FRadius, n = 2 * R + 1;
    HistogramsFor(h, Y + Bounds.Top, IMax(from + Bounds.Left - R, 0),
                  IMin(to + Bounds.Left + R, W - 1));
    // The median is the smallest level whose cumulative count reaches rank.
    const uint32_t rank = uint32_t(n) * uint32_t(n) / 2 + 1;
    // Channel c's column histograms of source column x, edge columns repeating.
    const auto fineOf = [&](int32_t x, int c) {
        return &h.Fine[(size_t(IClamp(x, 0, W - 1) - h.First) * 3 + size_t(c)) * FineBins];
    };
    const auto coarseOf = [&](int32_t x, int c) {
        return &h.Coarse[(size_t(IClamp(x, 0, W - 1) - h.First) * 3 + size_t(c)) * CoarseBins];
    };
    const int32_t sx1 = X1 + Bounds.Left;
    TWindowHistogram win[3];
    for (int c = 0; c < 3; ++c) {
        std::fill(std::begin(win[c].Coarse), std::end(win[c].Coarse), 0u);
        std::fill(std::begin(win[c].FineAt), std::end(win[c].FineAt), INT32_MIN);
        for (int32_t d = -R; d <= R; ++d) AddCounts(win[c].Coarse, coarseOf(sx1 + d, c));
    }
    // Brings bin k's fine counts of channel c to the window centred on sx.
    const auto syncFine = [&](TWindowHistogram& w, int c, size_t k, int32_t sx) {
        uint32_t* fine = w.Fine + k * BinsPerCoarse;
        const size_t at = k * BinsPerCoarse;
        if (w.FineAt[k] == INT32_MIN || sx - w.FineAt[k] > n) {
            std::fill(fine, fine + BinsPerCoarse, 0u);
            for (int32_t d = -R; d <= R; ++d) AddCounts(fine, fineOf(sx + d, c) + at);
        } else {
            for (int32_t x = w.FineAt[k] + 1; x <= sx; ++x)
                AddDifference(fine, fineOf(x + R, c) + at, fineOf(x - R - 1, c) + at);
        }
        w.FineAt[k] = sx;
    };
    uint8_t* out = Target.ScanLine(Y) + size_t(X1) * 3;
    for (int32_t sx = sx1, k = X2 - X1; k >= 0; --k, ++sx, out += 3) {
        for (int c = 0; c < 3; ++c) {
            TWindowHistogram& w = win[c];
            uint32_t below = 0;
            const size_t bin = CountBelow(w.Coarse, rank, below);
            syncFine(w, c, bin, sx);
            out[c] = uint8_t(bin * BinsPerCoarse +
                             CountBelow(w.Fine + bin * BinsPerCoarse, rank, below));
            if (k > 0) AddDifference(w.Coarse, coarseOf(sx + R + 1, c), coarseOf(sx - R, c));
        }
    }
}

} // namespace kolvar
