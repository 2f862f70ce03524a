#pragma once
// Convolution with an editable kernel of real weights, the fixed Sobel edge filter, and the
// kernel definitions with their text format (the shipped presets and stand-alone files).
//
// Both filters work in 16.16 fixed point and repeat the edge pixels of the source for the part
// of a neighbourhood that lies outside it.
//
// Even kernel sizes are kept: row i of a kernel with Rows rows weighs the source row
// i - Rows div 2 below the target pixel, so an even kernel reaches one row further up than
// down (and one column further left than right). That is the same as padding it to the next
// odd size with a zero row at the bottom and a zero column at the right, which is how the
// fixed-point kernel holds it.

#include "filters/GraphicFilter.h"
#include "raster/DynamicArray.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QIODevice;

namespace kolvar {

// One non-zero entry of a fixed-point kernel: its row and column and its weight, kept unsigned
// so that sums wrap around at 32 bits without undefined behaviour.
struct TKernelTap {
    int32_t Row, Col;
    uint32_t Weight;
};

class TConvolutionFilterDef : public TChangeNotifier<TConvolutionFilterDef> {
public:
    // Larger sizes are cut to this, so a definition text cannot ask for a giant allocation.
    static constexpr int32_t MaxSize = 99;

    TConvolutionFilterDef();
    ~TConvolutionFilterDef() override;
    TConvolutionFilterDef(const TConvolutionFilterDef&) = delete;

    QString Name;
    QStringList Description;

    int32_t Rows() const { return FMatrix.Rows(); }
    int32_t Cols() const { return FMatrix.Cols(); }
    double Divisor() const { return FDivisor; }
    TDibColor Offset() const { return FOffset; }
    const TDoubleMatrix& Matrix() const { return FMatrix; }
    double Weight(int32_t r, int32_t c) const { return FMatrix.Items(r, c); }

    // Sizes are limited to 0..MaxSize; a different size keeps the overlapping weights.
    void SetRows(int32_t n);
    void SetCols(int32_t n);
    void SetMatrix(const TDoubleMatrix& m);
    void SetWeight(int32_t r, int32_t c, double w);
    // Copies the lines; no notification.
    void SetDescription(const QStringList& lines) { Description = lines; }
    // 0 becomes 1, so no weight is ever divided by zero.
    void SetDivisor(double d);
    void SetOffset(TDibColor c);
    // Takes every field of source but the listener, notifying once.
    void Assign(const TConvolutionFilterDef& source);

private:
    TDoubleMatrix FMatrix;
    double FDivisor = 1.0;
    TDibColor FOffset{};
};

class TConvolutionFilter final : public TGraphicFilter {
public:
    TConvolutionFilter(const TRect& Region, const TDibContainer& Source);
    ~TConvolutionFilter() override;
    void Prepare() override;

    // Its changes rebuild Kernel.
    TConvolutionFilterDef Definition;
    // Round(weight / Divisor x 65536) per entry, 2 HalfRows + 1 by 2 HalfCols + 1.
    TIntegerMatrix Kernel;
    int32_t HalfCols = 1;
    int32_t HalfRows = 1;

    void Rebuild();
    TDibSpanProc BandSpanProc(const TFilterBand& Band) override;

private:
    // The work rows of one span procedure.
    struct TScratch {
        std::vector<const uint8_t*> Rows;
        std::vector<uint32_t> Acc;
    };

    void Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect& Shape);
    void SpanWith(TScratch& s, TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2);

    std::vector<TKernelTap> FTaps;
    TScratch FScratch;
};

class TSobelFilter final : public TGraphicFilter {
public:
    TSobelFilter(const TRect& Region, const TDibContainer& Source);
    void Prepare() override;

    TIntegerMatrix KernelA;
    TIntegerMatrix KernelB;
    int32_t HalfCols = 1;
    int32_t HalfRows = 1;
    TDibColor Offset{};
    double Magnifier = 1.0;
    void SetMagnifier(double m) { Magnifier = m; }
    TDibSpanProc BandSpanProc(const TFilterBand& Band) override;

private:
    struct TScratch {
        std::vector<const uint8_t*> Rows;
        std::vector<uint32_t> AccA, AccB;
    };

    void Span(TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2, const TRect& Shape);
    void SpanWith(TScratch& s, TDibContainer& Target, int32_t Y, int32_t X1, int32_t X2);

    std::vector<TKernelTap> FTapsA, FTapsB;
    TScratch FScratch;
};

// A named definition as the preset list holds it.
struct TConvolutionDefItem {
    QString Name;
    std::unique_ptr<TConvolutionFilterDef> Definition;
};
using TConvolutionDefList = std::vector<TConvolutionDefItem>;

// Appends the presets of the CONVFILTERS resource.
void LoadConvolutionDefinitions(TConvolutionDefList& Items);
// Appends the definitions of a definition text. Never fails: unparsable numbers take their
// defaults and incomplete definitions are left out.
void ReadConvolutionDefinitions(const QString& text, TConvolutionDefList& Items);
void ReadConvolutionDefinitions(QIODevice& stream, TConvolutionDefList& Items);
void FreeConvolutionDefinitions(TConvolutionDefList& Items);
// The first item of that name, compared without regard to case; null when there is none.
const TConvolutionFilterDef* FindConvolutionDefinition(const TConvolutionDefList& Items,
                                                       const QString& name);

// Sets size and weights from rows separated by "/" and weights separated by blanks or commas
// ("1 2 1 / 0 0 0 / -1 -2 -1"). Raises EFilterError for a weight that is not a number, rows of
// different lengths, or a side beyond MaxSize.
void SetKernelFromText(TConvolutionFilterDef& def, const QString& text);

} // namespace kolvar
