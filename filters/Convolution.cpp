#include "filters/Convolution.h"

#include "raster/DibMath.h"
#include "resources/uCompactRotines.h"

#include <QBuffer>
#include <QIODevice>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace kolvar {

// ---- Definitions -------------------------------------------------------------------------

TConvolutionFilterDef::TConvolutionFilterDef() = default;
TConvolutionFilterDef::~TConvolutionFilterDef() = default;

namespace {

int32_t LimitSize(int32_t n) {
    return std::clamp(n, 0, TConvolutionFilterDef::MaxSize);
}

} // namespace

void TConvolutionFilterDef::SetRows(int32_t n) {
    n = LimitSize(n);
    if (n == FMatrix.Rows()) return;
    FMatrix.SetRows(n);
    Changed();
}

void TConvolutionFilterDef::SetCols(int32_t n) {
    n = LimitSize(n);
    if (n == FMatrix.Cols()) return;
    FMatrix.SetCols(n);
    Changed();
}

void TConvolutionFilterDef::SetMatrix(const TDoubleMatrix& m) {
    const int32_t rows = LimitSize(m.Rows()), cols = LimitSize(m.Cols());
    FMatrix.SetSize(rows, cols);
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t c = 0; c < cols; ++c) FMatrix.SetItems(r, c, m.Items(r, c));
    Changed();
}

void TConvolutionFilterDef::SetWeight(int32_t r, int32_t c, double w) {
    if (r < 0 || c < 0 || r >= Rows() || c >= Cols() || FMatrix.Items(r, c) == w) return;
    FMatrix.SetItems(r, c, w);
    Changed();
}

void TConvolutionFilterDef::SetDivisor(double d) {
    if (d == 0) d = 1.0;
    if (d == FDivisor) return;
    FDivisor = d;
    Changed();
}

void TConvolutionFilterDef::SetOffset(TDibColor c) {
    if (c == FOffset) return;
    FOffset = c;
    Changed();
}

void TConvolutionFilterDef::Assign(const TConvolutionFilterDef& source) {
    if (&source == this) return;
    TUpdateScope<TConvolutionFilterDef> scope(*this);
    Name = source.Name;
    SetDivisor(source.Divisor());
    SetOffset(source.Offset());
    SetMatrix(source.Matrix());
    SetDescription(source.Description);
}

// ---- Fixed-point accumulation ------------------------------------------------------------
//
// Weights and sums are 32-bit and wrap around like the 32-bit signed arithmetic they stand
// for; unsigned arithmetic keeps that defined, and the order of the additions cannot change a
// sum taken modulo 2^32, so the row-wise passes below give exactly the per-pixel sums.

namespace {

__attribute__((target_clones("avx2", "default"), optimize("O3"))) void
AccumulateRow3(uint32_t* __restrict acc, const uint8_t* __restrict s0, uint32_t w0,
               const uint8_t* __restrict s1, uint32_t w1, const uint8_t* __restrict s2, uint32_t w2,
               int32_t n) {
    for (int32_t i = 0; i < n; ++i)
        acc[i] += w0 * uint32_t(s0[i]) + w1 * uint32_t(s1[i]) + w2 * uint32_t(s2[i]);
}

__attribute__((target_clones("avx2", "default"), optimize("O3"))) void
AccumulateRow1(uint32_t* __restrict acc, const uint8_t* __restrict s0, uint32_t w0, int32_t n) {
    for (int32_t i = 0; i < n; ++i) acc[i] += w0 * uint32_t(s0[i]);
}

uint8_t FixedToByte(uint32_t acc) {
    return uint8_t(std::clamp(int32_t(acc) / 65536, 0, 255));
}

__attribute__((target_clones("avx2", "default"), optimize("O3"))) void
StoreBytes(uint8_t* __restrict out, const uint32_t* __restrict acc, int32_t n) {
    for (int32_t i = 0; i < n; ++i) out[i] = FixedToByte(acc[i]);
}

double FixedToReal(uint32_t acc) {
    return int32_t(acc) / 65536.0;
}

uint8_t Magnitude(uint32_t a, uint32_t b, double magnifier) {
    const double x = FixedToReal(a), y = FixedToReal(b);
    return ClampRoundByte(std::sqrt(x * x + y * y) * magnifier);
}

// The square root never sees a negative argument, so errno handling only blocks vectorising.
__attribute__((target_clones("avx2", "default"), optimize("O3", "no-math-errno"))) void
StoreMagnitudes(uint8_t* __restrict out, const uint32_t* __restrict a, const uint32_t* __restrict b,
                int32_t n, double magnifier) {
    for (int32_t i = 0; i < n; ++i) out[i] = Magnitude(a[i], b[i], magnifier);
}

// Pixels per pass of the row-wise accumulation: the sums of one chunk stay in the first-level
// cache while every kernel entry is added.
constexpr int32_t ChunkPixels = 512;

// A kernel applied to the neighbourhoods of one target row: rows[r] is the source row that
// kernel row r reads, already clamped to the image.
struct TKernelRow {
    const std::vector<TKernelTap>& Taps;
    const uint8_t* const* Rows;
    int32_t HalfCols;

    // The three channel sums of the pixel whose neighbourhood is centred on source column sx,
    // with the columns clamped to 0..lastCol.
    void SumPixel(int32_t sx, int32_t lastCol, const uint32_t init[3], uint32_t sums[3]) const {
        sums[0] = init[0], sums[1] = init[1], sums[2] = init[2];
        for (const TKernelTap& t : Taps) {
            const int32_t x = std::clamp(sx + t.Col - HalfCols, 0, lastCol);
            const uint8_t* p = Rows[size_t(t.Row)] + size_t(x) * 3;
            sums[0] += t.Weight * p[0];
            sums[1] += t.Weight * p[1];
            sums[2] += t.Weight * p[2];
        }
    }

    // The channel sums of n pixels from source column sx on, whose neighbourhoods all lie
    // inside the rows, into acc (3 n values, in byte order).
    void SumRun(int32_t sx, int32_t n, const uint32_t init[3], std::vector<uint32_t>& acc) const {
        const int32_t values = n * 3;
        acc.resize(size_t(values));
        uint32_t* a = acc.data();
        for (int32_t i = 0; i < values; i += 3)
            a[i] = init[0], a[i + 1] = init[1], a[i + 2] = init[2];
        const auto src = [&](const TKernelTap& t) {
            return Rows[size_t(t.Row)] + size_t(sx + t.Col - HalfCols) * 3;
        };
        size_t k = 0;
        for (; k + 3 <= Taps.size(); k += 3)
            AccumulateRow3(a, src(Taps[k]), Taps[k].Weight, src(Taps[k + 1]), Taps[k + 1].Weight,
                           src(Taps[k + 2]), Taps[k + 2].Weight, values);
        for (; k < Taps.size(); ++k) AccumulateRow1(a, src(Taps[k]), Taps[k].Weight, values);
    }
};

// The source rows a kernel with halfRows rows above and below reads for target row Y.
void ClampedRows(const TDibContainer& source, int32_t y, int32_t halfRows,
                 std::vector<const uint8_t*>& rows) {
    rows.resize(size_t(2 * halfRows + 1));
    for (int32_t r = 0; r <= 2 * halfRows; ++r)
        rows[size_t(r)] = source.ScanLine(std::clamp(y + r - halfRows, 0, source.Height() - 1));
}

// Splits target columns X1..X2 into the pixels near the image edges, which need clamped
// columns, and chunks of interior pixels: edge(x) and run(x, n).
template <class TEdge, class TRun>
void WalkSpan(int32_t X1, int32_t X2, int32_t left, int32_t halfCols, int32_t width, TEdge&& edge,
              TRun&& run) {
    const int32_t inFrom = std::max(X1, halfCols - left);
    const int32_t inTo = std::min(X2, width - 1 - halfCols - left);
    for (int32_t x = X1; x <= X2; ++x) {
        if (x == inFrom && inFrom <= inTo) {
            for (int32_t c = inFrom; c <= inTo; c += ChunkPixels)
                run(c, std::min(ChunkPixels, inTo - c + 1));
            x = inTo;
            continue;
        }
        edge(x);
    }
}

uint32_t FixedOffset(uint8_t level) {
    return uint32_t(level) << 16;
}

} // namespace

// ---- Convolution filter ------------------------------------------------------------------

TConvolutionFilter::TConvolutionFilter(const TRect& Region, const TDibContainer& Source)
    : TGraphicFilter(Region, Source), Kernel(3, 3) {
    RowsAlone = true;
    Definition.SetCols(3);
    Definition.OnChange = [this](TConvolutionFilterDef&) { Rebuild(); };
    Definition.SetRows(3);
    Prepare();
}

TConvolutionFilter::~TConvolutionFilter() = default;

void TConvolutionFilter::Prepare() {
    InstallSpanProc(&TConvolutionFilter::Span);
}

void TConvolutionFilter::Rebuild() {
    HalfCols = Definition.Cols() / 2;
    HalfRows = Definition.Rows() / 2;
    const int32_t rows = 2 * HalfRows + 1, cols = 2 * HalfCols + 1;
    Kernel.SetSize(0, 0);
    Kernel.SetSize(rows, cols);
    FTaps.clear();
    const double divisor = Definition.Divisor();
    for (int32_t r = 0; r < Definition.Rows(); ++r)
        for (int32_t c = 0; c < Definition.Cols(); ++c) {
            const int32_t w = Round(Definition.Weight(r, c) / divisor * 65536.0);
            Kernel.SetItems(r, c, w);
            if (w != 0) FTaps.push_back(TKernelTap{r, c, uint32_t(w)});
        }
}

TDibSpanProc TConvolutionFilter::BandSpanProc(const TFilterBand&) {
    return SpanProcWithState(&TConvolutionFilter::SpanWith);
}

void TConvolutionFilter::Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2,
                              const TRect&) {
    SpanWith(FScratch, Target, Y, X1, X2);
}

void TConvolutionFilter::SpanWith(TScratch& scratch, TDibContainer& Target, int32_t Y, int32_t X1,
                                  int32_t X2) {
    if (ClipSpan(Target, Y, X1, X2)) {
        ClampedRows(Source, Y + Bounds.Top, HalfRows, scratch.Rows);
        const TKernelRow kernel{FTaps, scratch.Rows.data(), HalfCols};
        const TDibColor off = Definition.Offset();
        const uint32_t init[3] = {FixedOffset(off.Blue), FixedOffset(off.Green),
                                  FixedOffset(off.Red)};
        uint8_t* d = Target.ScanLine(Y);
        const int32_t lastCol = Source.Width() - 1;
        WalkSpan(
            X1, X2, Bounds.Left, HalfCols, Source.Width(),
            [&](int32_t x) {
                uint32_t s[3];
                kernel.SumPixel(x + Bounds.Left, lastCol, init, s);
                for (int i = 0; i < 3; ++i) d[size_t(x) * 3 + size_t(i)] = FixedToByte(s[i]);
            },
            [&](int32_t x, int32_t n) {
                kernel.SumRun(x + Bounds.Left, n, init, scratch.Acc);
                StoreBytes(d + size_t(x) * 3, scratch.Acc.data(), n * 3);
            });
    }
    Progress(Y);
}

// ---- Sobel -------------------------------------------------------------------------------

TSobelFilter::TSobelFilter(const TRect& Region, const TDibContainer& Source)
    : TGraphicFilter(Region, Source), KernelA(3, 3), KernelB(3, 3) {
    RowsAlone = true;
    const int32_t a[3][3] = {{1, 2, 1}, {0, 0, 0}, {-1, -2, -1}};
    const int32_t b[3][3] = {{1, 0, -1}, {2, 0, -2}, {1, 0, -1}};
    for (int32_t r = 0; r < 3; ++r)
        for (int32_t c = 0; c < 3; ++c) {
            KernelA.SetItems(r, c, a[r][c] * 65536);
            KernelB.SetItems(r, c, b[r][c] * 65536);
            if (a[r][c]) FTapsA.push_back(TKernelTap{r, c, uint32_t(a[r][c] * 65536)});
            if (b[r][c]) FTapsB.push_back(TKernelTap{r, c, uint32_t(b[r][c] * 65536)});
        }
    Prepare();
}

void TSobelFilter::Prepare() {
    InstallSpanProc(&TSobelFilter::Span);
    Offset = TDibColor{};
    Magnifier = 1.0;
}

TDibSpanProc TSobelFilter::BandSpanProc(const TFilterBand&) {
    return SpanProcWithState(&TSobelFilter::SpanWith);
}

void TSobelFilter::Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect&) {
    SpanWith(FScratch, Target, Y, X1, X2);
}

void TSobelFilter::SpanWith(TScratch& scratch, TDibContainer& Target, int32_t Y, int32_t X1,
                            int32_t X2) {
    if (ClipSpan(Target, Y, X1, X2)) {
        ClampedRows(Source, Y + Bounds.Top, HalfRows, scratch.Rows);
        const TKernelRow a{FTapsA, scratch.Rows.data(), HalfCols},
            b{FTapsB, scratch.Rows.data(), HalfCols};
        const uint32_t init[3] = {FixedOffset(Offset.Blue), FixedOffset(Offset.Green),
                                  FixedOffset(Offset.Red)};
        uint8_t* d = Target.ScanLine(Y);
        const int32_t lastCol = Source.Width() - 1;
        WalkSpan(
            X1, X2, Bounds.Left, HalfCols, Source.Width(),
            [&](int32_t x) {
                uint32_t sa[3], sb[3];
                a.SumPixel(x + Bounds.Left, lastCol, init, sa);
                b.SumPixel(x + Bounds.Left, lastCol, init, sb);
                for (int i = 0; i < 3; ++i)
                    d[size_t(x) * 3 + size_t(i)] = Magnitude(sa[i], sb[i], Magnifier);
            },
            [&](int32_t x, int32_t n) {
                a.SumRun(x + Bounds.Left, n, init, scratch.AccA);
                b.SumRun(x + Bounds.Left, n, init, scratch.AccB);
                StoreMagnitudes(d + size_t(x) * 3, scratch.AccA.data(), scratch.AccB.data(), n * 3,
                                Magnifier);
            });
    }
    Progress(Y);
}

// ---- Definition text ---------------------------------------------------------------------

namespace {

// Windows-1252 bytes as text; the five unassigned codes keep their own values.
QString DecodeText(const QByteArray& bytes) {
    static const char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString s;
    s.reserve(bytes.size());
    for (char ch : bytes) {
        const uint8_t b = uint8_t(ch);
        s.append(b >= 0x80 && b < 0xA0 ? QChar(high[b - 0x80]) : QChar(char16_t(b)));
    }
    return s;
}

int32_t IntDef(const QString& text, int32_t def) {
    bool ok = false;
    const int32_t v = text.trimmed().toInt(&ok);
    return ok ? v : def;
}

class TDefinitionReader {
public:
    explicit TDefinitionReader(TConvolutionDefList& items) : FItems(items) {}

    void Line(const QString& line) {
        const QStringList fields = line.split(QLatin1Char(':'));
        const QString key = fields.value(0).toLower();
        const auto field = [&](int i) { return fields.value(i); };
        if (key == u"filter") {
            FName = field(1);
            FDescription.clear();
            FMatrix.SetSize(0, 0);
        } else if (key == u"description") {
            FMode = mDescription;
        } else if (key == u"//description") {
            FMode = mNone;
        } else if (key == u"divisor") {
            FDivisor = StrToFloatDef(field(1), 1.0);
        } else if (key == u"offset") {
            FOffset = TDibColor{Byte(field(3)), Byte(field(2)), Byte(field(1))};
        } else if (key == u"rows") {
            FMatrix.SetRows(LimitSize(IntDef(field(1), 1)));
        } else if (key == u"cols") {
            FMatrix.SetCols(LimitSize(IntDef(field(1), 1)));
        } else if (key == u"values") {
            FRow = 0;
            FMode = mValues;
        } else if (key == u"//values") {
            FRow = 0;
            FMode = mNone;
        } else if (key == u"//filter") {
            Finish();
        } else if (FMode == mDescription) {
            FDescription << line;
        } else if (FMode == mValues) {
            Values(fields);
        }
    }

private:
    enum TMode { mNone, mDescription, mValues };

    static uint8_t Byte(const QString& text) {
        return uint8_t(std::clamp(IntDef(text, 0), 0, 255));
    }

    void Values(const QStringList& fields) {
        if (FRow >= FMatrix.Rows()) return;
        for (int32_t j = 0; j < FMatrix.Cols(); ++j)
            FMatrix.SetItems(FRow, j, StrToFloatDef(fields.value(j), 0));
        ++FRow;
    }

    void Finish() {
        auto def = std::make_unique<TConvolutionFilterDef>();
        def->BeginUpdate();
        def->Name = FName;
        def->SetDivisor(FDivisor);
        def->SetOffset(FOffset);
        def->SetMatrix(FMatrix);
        def->SetDescription(FDescription);
        def->EndUpdate();
        FItems.push_back(TConvolutionDefItem{FName, std::move(def)});
    }

    TConvolutionDefList& FItems;
    QString FName;
    double FDivisor = 1.0;
    TDibColor FOffset{};
    TDoubleMatrix FMatrix;
    QStringList FDescription;
    int32_t FRow = 0;
    TMode FMode = mNone;
};

} // namespace

void ReadConvolutionDefinitions(const QString& text, TConvolutionDefList& Items) {
    TDefinitionReader reader(Items);
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        reader.Line(line);
    }
}

void ReadConvolutionDefinitions(QIODevice& stream, TConvolutionDefList& Items) {
    ReadConvolutionDefinitions(DecodeText(stream.readAll()), Items);
}

void LoadConvolutionDefinitions(TConvolutionDefList& Items) {
    QBuffer stream;
    LoadCompressedResource(QStringLiteral("CONVFILTERS"), stream);
    ReadConvolutionDefinitions(stream, Items);
}

void FreeConvolutionDefinitions(TConvolutionDefList& Items) {
    Items.clear();
}

const TConvolutionFilterDef* FindConvolutionDefinition(const TConvolutionDefList& Items,
                                                       const QString& name) {
    for (const TConvolutionDefItem& item : Items)
        if (item.Name.compare(name, Qt::CaseInsensitive) == 0) return item.Definition.get();
    return nullptr;
}

void SetKernelFromText(TConvolutionFilterDef& def, const QString& text) {
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    const QStringList rowTexts = text.split(QLatin1Char('/'));
    std::vector<std::vector<double>> rows;
    for (const QString& rowText : rowTexts) {
        std::vector<double> row;
        for (const QString& item : rowText.split(separators, Qt::SkipEmptyParts)) {
            bool ok = false;
            const double w = item.toDouble(&ok);
            if (!ok || !std::isfinite(w))
                throw EFilterError(
                    QStringLiteral("Kernel weight \"%1\" is not a number.").arg(item));
            row.push_back(w);
        }
        if (row.empty()) throw EFilterError("Kernel rows must not be empty.");
        if (!rows.empty() && row.size() != rows[0].size())
            throw EFilterError("Every kernel row must have the same number of weights.");
        rows.push_back(std::move(row));
    }
    const size_t cols = rows[0].size();
    if (rows.size() > size_t(TConvolutionFilterDef::MaxSize) ||
        cols > size_t(TConvolutionFilterDef::MaxSize))
        throw EFilterError(QStringLiteral("A kernel has at most %1 rows and columns.")
                               .arg(TConvolutionFilterDef::MaxSize));
    TDoubleMatrix m(int32_t(rows.size()), int32_t(cols));
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t c = 0; c < cols; ++c) m.SetItems(int32_t(r), int32_t(c), rows[r][c]);
    def.SetMatrix(m);
}

} // namespace kolvar
