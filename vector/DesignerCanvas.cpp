#include "vector/DesignerCanvas.h"

#include "raster/DibContainer.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kolvar {

void TDesignerCanvas::Plot(int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= Width() || y >= Height()) return;
    if (FPenMode == TCanvasPenMode::Copy) {
        WritePixel(x, y, FPenColor);
        return;
    }
    const TDibColor s = ReadPixel(x, y);
    WritePixel(x, y,
               TDibColor{uint8_t(~(FPenColor.Blue ^ s.Blue)), uint8_t(~(FPenColor.Green ^ s.Green)),
                         uint8_t(~(FPenColor.Red ^ s.Red))});
}

void TDesignerCanvas::Span(int32_t y, int64_t x1, int64_t x2) {
    if (y < 0 || y >= Height()) return;
    x1 = std::max<int64_t>(x1, 0);
    x2 = std::min<int64_t>(x2, int64_t(Width()) - 1);
    for (int64_t x = x1; x <= x2; ++x) Plot(int32_t(x), y);
}

void TDesignerCanvas::Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    const int64_t dx = int64_t(x2) - x1;
    const int64_t dy = int64_t(y2) - y1;
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const int64_t n = xMajor ? std::llabs(dx) : std::llabs(dy);
    if (n == 0) return;
    const int64_t minorDelta = std::llabs(xMajor ? dy : dx);
    const int64_t majorStep = (xMajor ? dx : dy) > 0 ? 1 : -1;
    const int64_t minorStep = (xMajor ? dy : dx) > 0 ? 1 : -1;
    const int64_t major0 = xMajor ? x1 : y1;
    const int64_t minor0 = xMajor ? y1 : x1;
    const int64_t limit = xMajor ? Width() : Height();
    // Only the steps whose major coordinate lies on the buffer are walked, so a line reaching
    // far outside costs no more than one across the buffer.
    int64_t first = 0;
    int64_t last = n - 1;
    if (majorStep > 0) {
        first = std::max(first, -major0);
        last = std::min(last, limit - 1 - major0);
    } else {
        first = std::max(first, major0 - (limit - 1));
        last = std::min(last, major0);
    }
    const bool dotted = FPenStyle == TCanvasPenStyle::Dot;
    for (int64_t i = first; i <= last; ++i) {
        if (dotted && (i & 1) != 0) continue;
        const int64_t major = major0 + i * majorStep;
        // Coordinates may span the whole 32-bit range, so the product needs more than 64 bits.
        const int64_t offset = int64_t((__int128(2) * i * minorDelta + n) / (__int128(2) * n));
        const int64_t minor = minor0 + minorStep * offset;
        const int64_t x = xMajor ? major : minor;
        const int64_t y = xMajor ? minor : major;
        if (x >= 0 && y >= 0 && x < Width() && y < Height()) Plot(int32_t(x), int32_t(y));
    }
}

void TDesignerCanvas::Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    const int32_t top = std::max(std::min(y1, y2), 0);
    const int32_t bottom = std::min(std::max(y1, y2), Height());
    for (int32_t y = top; y < bottom; ++y) Span(y, std::min(x1, x2), int64_t(std::max(x1, x2)) - 1);
}

void TDesignerCanvas::Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    const double left = std::min(x1, x2);
    const double right = std::max(x1, x2);
    const double rx = (right - left) / 2;
    const double ry = (double(std::max(y1, y2)) - std::min(y1, y2)) / 2;
    if (rx <= 0 || ry <= 0) return;
    const double cx = (left + right) / 2;
    const double cy = (double(y1) + y2) / 2;
    const int32_t top = std::max(std::min(y1, y2), 0);
    const int32_t bottom = std::min(std::max(y1, y2), Height());
    // A pixel belongs to the ellipse when its centre does.
    for (int32_t y = top; y < bottom; ++y) {
        const double v = (y + 0.5 - cy) / ry;
        if (v * v > 1) continue;
        const double half = rx * std::sqrt(1 - v * v);
        Span(y, int64_t(std::ceil(cx - half - 0.5)), int64_t(std::floor(cx + half - 0.5)));
    }
}

int32_t TDibDesignerCanvas::Width() const {
    return FTarget->Width();
}

int32_t TDibDesignerCanvas::Height() const {
    return FTarget->Height();
}

TDibColor TDibDesignerCanvas::ReadPixel(int32_t x, int32_t y) const {
    return FTarget->GetPixel(x, y);
}

void TDibDesignerCanvas::WritePixel(int32_t x, int32_t y, TDibColor c) {
    FTarget->SetPixel(x, y, c);
}

int32_t TImageDesignerCanvas::Width() const {
    return FTarget->width();
}

int32_t TImageDesignerCanvas::Height() const {
    return FTarget->height();
}

TDibColor TImageDesignerCanvas::ReadPixel(int32_t x, int32_t y) const {
    const QRgb p = FTarget->pixel(x, y);
    return TDibColor{uint8_t(qBlue(p)), uint8_t(qGreen(p)), uint8_t(qRed(p))};
}

void TImageDesignerCanvas::WritePixel(int32_t x, int32_t y, TDibColor c) {
    FTarget->setPixel(x, y, qRgb(c.Red, c.Green, c.Blue));
}

} // namespace kolvar
