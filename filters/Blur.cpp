#include "filters/Blur.h"

#include "raster/DibGeometry.h"
#include "raster/DibMath.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kolvar {

// ---- Box blur ------------------------------------------------------------------------------

TBlurFilter::TBlurFilter(const TRect& Region, const TDibContainer& Source)
    : TGraphicFilter(Region, Source) {
    RowsAlone = true;
    Prepare();
}

void TBlurFilter::Prepare() {
    InstallSpanProc(&TBlurFilter::Span);
    FRadius = 0;
    SetRadius(1);
}

void TBlurFilter::SetRadius(int32_t v) {
    v = IClamp(v, 1, 255);
    if (v == FRadius) return;
    FRadius = v;
    const double n = 2.0 * v + 1;
    for (int32_t i = 0; i < 256; ++i) FWeights[size_t(i)] = Round(i * 65536.0 / (n * n));
    FColumns.Row = INT32_MIN;
}

void TBlurFilter::PrepareTarget(TDibContainer& Target) {
    TGraphicFilter::PrepareTarget(Target);
    // A new run may follow a change of the source image.
    FColumns.Row = INT32_MIN;
}

TDibSpanProc TBlurFilter::BandSpanProc(const TFilterBand&) {
    return SpanProcWithState(&TBlurFilter::SpanWith);
}

void TBlurFilter::ColumnSumsFor(TColumns& cols, int32_t sy) const {
    if (sy == cols.Row) return;
    const int32_t W = Source.Width(), H = Source.Height(), R = FRadius;
    cols.First = IMax(Bounds.Left - R, 0);
    const int32_t last = IMin(Bounds.Right + R, W - 1);
    const size_t bytes = size_t(last - cols.First + 1) * 3;
    const int32_t* w = FWeights.data();
    if (sy == cols.Row + 1 && cols.Sums.size() == bytes) {
        // Slide every column's window down one row.
        const uint8_t* out = Source.ScanLine(IClamp(sy - 1 - R, 0, H - 1)) + cols.First * 3;
        const uint8_t* in = Source.ScanLine(IClamp(sy + R, 0, H - 1)) + cols.First * 3;
        int32_t* c = cols.Sums.data();
        for (size_t i = 0; i < bytes; ++i) c[i] += w[in[i]] - w[out[i]];
    } else {
        cols.Sums.assign(bytes, 0);
        int32_t* c = cols.Sums.data();
        for (int32_t d = -R; d <= R; ++d) {
            const uint8_t* row = Source.ScanLine(IClamp(sy + d, 0, H - 1)) + cols.First * 3;
            for (size_t i = 0; i < bytes; ++i) c[i] += w[row[i]];
        }
    }
    cols.Row = sy;
}

void TBlurFilter::Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect&) {
    SpanWith(FColumns, Target, Y, X1, X2);
}

void TBlurFilter::SpanWith(TColumns& cols, TDibContainer& Target, int32_t Y, int32_t X1,
                           int32_t X2) {
    if (ClipSpan(Target, Y, X1, X2)) {
        ColumnSumsFor(cols, Y + Bounds.Top);
        const int32_t W = Source.Width(), R = FRadius;
        // Column sums by source column; clamping the column repeats the edge column.
        auto col = [&](int32_t x) {
            return &cols.Sums[size_t(IClamp(x, 0, W - 1) - cols.First) * 3];
        };
        const int32_t sx1 = X1 + Bounds.Left;
        int32_t s0 = 0, s1 = 0, s2 = 0;
        for (int32_t d = -R; d <= R; ++d) {
            const int32_t* c = col(sx1 + d);
            s0 += c[0];
            s1 += c[1];
            s2 += c[2];
        }
        uint8_t* out = Target.ScanLine(Y) + size_t(X1) * 3;
        for (int32_t sx = sx1, n = X2 - X1; n >= 0; --n, ++sx, out += 3) {
            out[0] = uint8_t(s0 >> 16);
            out[1] = uint8_t(s1 >> 16);
            out[2] = uint8_t(s2 >> 16);
            // The column past the last pixel's window may lie beyond the cached ones.
            if (n == 0) break;
            const int32_t* a = col(sx + R + 1);
            const int32_t* b = col(sx - R);
            s0 += a[0] - b[0];
            s1 += a[1] - b[1];
            s2 += a[2] - b[2];
        }
    }
    Progress(Y);
}

// ---- Split blur ----------------------------------------------------------------------------

TSplitBlurFilter::TSplitBlurFilter(const TRect& Region, const TDibContainer& Source)
    : TGraphicFilter(Region, Source) {
    RowsAlone = true;
    Prepare();
}

void TSplitBlurFilter::Prepare() {
    // Each output pixel reads the source and the filter's settings only.
    SpansIndependent = true;
    InstallSpanProc(&TSplitBlurFilter::Span);
    FRadiusX = 0;
    FRadiusY = 0;
}

void TSplitBlurFilter::Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2,
                            const TRect&) {
    if (ClipSpan(Target, Y, X1, X2)) {
        const int32_t W = Source.Width(), H = Source.Height();
        const int64_t sy = int64_t(Y) + Bounds.Top;
        const uint8_t* r1 = Source.ScanLine(int32_t(std::clamp<int64_t>(sy - FRadiusY, 0, H - 1)));
        const uint8_t* r2 = Source.ScanLine(int32_t(std::clamp<int64_t>(sy + FRadiusY, 0, H - 1)));
        uint8_t* out = Target.ScanLine(Y) + size_t(X1) * 3;
        for (int32_t X = X1; X <= X2; ++X, out += 3) {
            const int64_t sx = int64_t(X) + Bounds.Left;
            const size_t a = size_t(std::clamp<int64_t>(sx - FRadiusX, 0, W - 1)) * 3;
            const size_t b = size_t(std::clamp<int64_t>(sx + FRadiusX, 0, W - 1)) * 3;
            for (int c = 0; c < 3; ++c)
                out[c] = uint8_t((r1[a + c] + r1[b + c] + r2[a + c] + r2[b + c]) / 4);
        }
    }
    Progress(Y);
}

// ---- Motion blur ---------------------------------------------------------------------------

TMotionBlurFilter::TMotionBlurFilter(const TRect& Region, const TDibContainer& Source)
    : TGraphicFilter(Region, Source) {
    RowsAlone = true;
    Prepare();
}

void TMotionBlurFilter::Prepare() {
    InstallSpanProc(&TMotionBlurFilter::Span);
    FLength = 0;
    FAngle = 0;
    Recalculate();
}

void TMotionBlurFilter::PrepareTarget(TDibContainer& Target) {
    TGraphicFilter::PrepareTarget(Target);
    FSums = TRunningSums();
}

TDibSpanProc TMotionBlurFilter::BandSpanProc(const TFilterBand&) {
    return SpanProcWithState(&TMotionBlurFilter::SpanWith);
}

void TMotionBlurFilter::SetLength(int32_t v) {
    if (v == FLength) return;
    FLength = v;
    Recalculate();
}

void TMotionBlurFilter::SetAngle(double v) {
    if (v == FAngle) return;
    FAngle = v;
    Recalculate();
}

namespace {

// The points cut into maximal runs of neighbours along rows (or, with columns set, along
// columns), in the order of their sort.
std::vector<TMotionBlurFilter::TStreakRun> CutIntoRuns(std::vector<TPoint> points, bool columns) {
    const auto major = [columns](const TPoint& p) { return columns ? p.X : p.Y; };
    const auto minor = [columns](const TPoint& p) { return columns ? p.Y : p.X; };
    std::sort(points.begin(), points.end(), [&](const TPoint& a, const TPoint& b) {
        return major(a) != major(b) ? major(a) < major(b) : minor(a) < minor(b);
    });
    std::vector<TMotionBlurFilter::TStreakRun> runs;
    for (size_t i = 0; i < points.size(); ++i) {
        const TPoint& p = points[i];
        if (i > 0 && major(p) == major(points[i - 1]) && minor(p) == minor(points[i - 1]) + 1)
            ++runs.back().Length;
        else
            runs.push_back({p.X, p.Y, 1});
    }
    return runs;
}

} // namespace

void TMotionBlurFilter::Recalculate() {
    const double a = DegToRad(FAngle);
    // Halved toward zero, not down: a floor would make the streak of a direction longer than
    // that of the opposite one (3 pixels instead of 1 for a length of 1 at 180 degrees).
    FHalfDX = Round(std::cos(a) * FLength) / 2;
    FHalfDY = Round(-std::sin(a) * FLength) / 2;
    // Walk the line once inside a box that just holds it, so nothing is clipped.
    const int32_t ax = std::abs(FHalfDX), ay = std::abs(FHalfDY);
    FLine.clear();
    BresenhamLine(
        ax - FHalfDX, ay - FHalfDY, ax + FHalfDX, ay + FHalfDY,
        [&](int32_t x, int32_t y) {
            FLine.push_back(TPoint{x - ax, y - ay});
        },
        2 * ax, 2 * ay);
    FRuns = CutIntoRuns(FLine, false);
    std::vector<TStreakRun> columns = CutIntoRuns(FLine, true);
    FColumnRuns = columns.size() < FRuns.size();
    if (FColumnRuns) FRuns = std::move(columns);
    FSums = TRunningSums();
    // Every whole streak has the same pixel count, so its averages come from one table.
    const size_t n = FLine.size();
    FAverages.resize(n * 255 + 1);
    for (size_t sum = 0; sum < FAverages.size(); ++sum)
        FAverages[sum] = ClampRoundByte(double(sum) / double(n));
}

namespace {

TDibColor Average(int32_t b, int32_t g, int32_t r, int32_t n) {
    return TDibColor{ClampRoundByte(double(b) / n), ClampRoundByte(double(g) / n),
                     ClampRoundByte(double(r) / n)};
}

} // namespace

TDibColor TMotionBlurFilter::EdgePixel(int32_t sx, int32_t sy) const {
    const int32_t W = Source.Width(), H = Source.Height();
    int32_t b = 0, g = 0, r = 0, n = 0;
    BresenhamLine(
        sx - FHalfDX, sy - FHalfDY, sx + FHalfDX, sy + FHalfDY,
        [&](int32_t x, int32_t y) {
            const TDibColor c = Source.GetPixel(x, y);
            b += c.Blue;
            g += c.Green;
            r += c.Red;
            ++n;
        },
        W - 1, H - 1);
    if (n == 0) return Source.GetPixel(IClamp(sx, 0, W - 1), IClamp(sy, 0, H - 1));
    return Average(b, g, r, n);
}

int32_t TMotionBlurFilter::SumSlots() const {
    // Row runs read rows sy - ay .. sy + ay; column runs the sums above rows up to sy + ay + 1.
    return 2 * std::abs(FHalfDY) + (FColumnRuns ? 2 : 1);
}

int32_t TMotionBlurFilter::FirstSumColumn() const {
    return IMax(Bounds.Left - std::abs(FHalfDX), 0);
}

size_t TMotionBlurFilter::SumRowSize() const {
    const int32_t last = IMin(Bounds.Right + std::abs(FHalfDX), Source.Width() - 1);
    return (size_t(last - FirstSumColumn()) + 2) * 3;
}

const int32_t* TMotionBlurFilter::RowSums(TRunningSums& sums, int32_t r) const {
    const int32_t ringRows = SumSlots();
    const size_t size = SumRowSize();
    if (sums.Held.size() != size_t(ringRows)) {
        sums.Held.assign(size_t(ringRows), INT32_MIN);
        sums.Ring.assign(size * size_t(ringRows), 0);
        sums.Top = INT32_MIN;
    }
    const size_t slot = size_t(((r % ringRows) + ringRows) % ringRows);
    int32_t* row = sums.Ring.data() + slot * size;
    if (!FColumnRuns && sums.Held[slot] != r) {
        // row[3 i + c] is the sum of channel c over the i columns before column i.
        const uint8_t* p = Source.ScanLine(r) + size_t(FirstSumColumn()) * 3;
        row[0] = row[1] = row[2] = 0;
        for (size_t i = 3; i < size; ++i) row[i] = row[i - 3] + p[i - 3];
        sums.Held[slot] = r;
    }
    return row;
}

void TMotionBlurFilter::ColumnSumsUpTo(TRunningSums& sums, int32_t lo, int32_t hi) const {
    RowSums(sums, lo);
    const int32_t ringRows = SumSlots();
    const size_t size = SumRowSize();
    const auto at = [&](int32_t r) {
        return sums.Ring.data() + size_t(((r % ringRows) + ringRows) % ringRows) * size;
    };
    // Sums are kept from some row on; only their differences matter, so any row can start.
    if (sums.Top == INT32_MIN || lo > sums.Top || lo < sums.Top - ringRows + 1) {
        std::fill(at(lo), at(lo) + size, 0);
        sums.Top = lo;
    }
    for (; sums.Top < hi; ++sums.Top) {
        const int32_t* above = at(sums.Top);
        int32_t* next = at(sums.Top + 1);
        const uint8_t* p = Source.ScanLine(sums.Top) + size_t(FirstSumColumn()) * 3;
        for (size_t i = 0; i + 3 < size; ++i) next[i] = above[i] + p[i];
    }
}

void TMotionBlurFilter::Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2,
                             const TRect&) {
    SpanWith(FSums, Target, Y, X1, X2);
}

void TMotionBlurFilter::SpanWith(TRunningSums& sums, TDibContainer& Target, int32_t Y, int32_t X1,
                                 int32_t X2) {
    if (ClipSpan(Target, Y, X1, X2)) {
        const int32_t W = Source.Width(), H = Source.Height();
        const int32_t ax = std::abs(FHalfDX), ay = std::abs(FHalfDY);
        const int32_t sy = Y + Bounds.Top;
        const bool rowInside = sy - ay >= 0 && sy + ay <= H - 1;
        const int32_t n = int32_t(FLine.size());
        // Per run, the rows of sums it starts and ends at and its column's offset there.
        struct TEnds {
            const int32_t* Lo;
            const int32_t* Hi;
            ptrdiff_t LoAt, HiAt;
        };
        std::vector<TEnds> ends;
        const int32_t first = FirstSumColumn();
        if (rowInside && n > 0) {
            if (FColumnRuns) ColumnSumsUpTo(sums, sy - ay, sy + ay + 1);
            for (const TStreakRun& run : FRuns) {
                const ptrdiff_t x = ptrdiff_t(run.X - first) * 3;
                if (FColumnRuns)
                    ends.push_back(
                        {RowSums(sums, sy + run.Y), RowSums(sums, sy + run.Y + run.Length), x, x});
                else {
                    const int32_t* row = RowSums(sums, sy + run.Y);
                    ends.push_back({row, row, x, x + ptrdiff_t(run.Length) * 3});
                }
            }
        }
        const uint8_t* avg = FAverages.data();
        TDibColor* d = Target.PixelPtr(X1, Y);
        for (int32_t X = X1; X <= X2; ++X, ++d) {
            const int32_t sx = X + Bounds.Left;
            if (!rowInside || sx - ax < 0 || sx + ax > W - 1 || n == 0) {
                *d = EdgePixel(sx, sy);
                continue;
            }
            const ptrdiff_t o = ptrdiff_t(sx) * 3;
            int32_t b = 0, g = 0, r = 0;
            for (const TEnds& e : ends) {
                const int32_t* lo = e.Lo + (o + e.LoAt);
                const int32_t* hi = e.Hi + (o + e.HiAt);
                b += hi[0] - lo[0];
                g += hi[1] - lo[1];
                r += hi[2] - lo[2];
            }
            *d = TDibColor{avg[b], avg[g], avg[r]};
        }
    }
    Progress(Y);
}

} // namespace kolvar
