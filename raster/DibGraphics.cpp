#include "raster/DibGraphics.h"

#include <algorithm>

namespace kolvar {

TDibCanvas::TDibCanvas(int32_t W, int32_t H)
    : FContainer(std::make_unique<TDibContainer>(W, H)), FPen(std::make_unique<TDibPen>()),
      FBrush(std::make_unique<TDibBrush>()) {}

TDibCanvas::~TDibCanvas() = default;

void TDibCanvas::FillRect(const TRect& rect) {
    FContainer->FillRect(rect.Left, rect.Top, rect.Right, rect.Bottom, FBrush->SpanProc());
}

void TDibCanvas::VertLine(int32_t x, int32_t y1, int32_t y2, TDibColorArg color) {
    TDibContainer& d = *FContainer;
    if (d.Empty() || x < 0 || x >= d.Width()) return;
    if (y1 > y2) std::swap(y1, y2);
    const int32_t from = std::max(y1, 0), to = std::min(y2, d.Height() - 1);
    for (int32_t y = from; y <= to; ++y) d.SetPixel(x, y, color);
}

namespace {

// Made after the managers (the constructors below acquire the default resources), so they are
// freed before them: brush, pen, gradient, pattern.
struct TDefaultObjects {
    TDibPattern Pattern;
    TDibGradient Gradient;
    TDibPen Pen;
    TDibBrush Brush;
};

TDefaultObjects& Defaults() {
    static TDefaultObjects defaults;
    return defaults;
}

} // namespace

TDibBrush& DefaultBrush() {
    return Defaults().Brush;
}

TDibPen& DefaultPen() {
    return Defaults().Pen;
}

TDibGradient& DefaultGradient() {
    return Defaults().Gradient;
}

TDibPattern& DefaultPattern() {
    return Defaults().Pattern;
}

void InitializeDibGraphics() {
    DibAntiAliasTable();
    GradientManager();
    PatternManager();
    Defaults();
}

} // namespace kolvar
