#pragma once
// The surface the designer draws its feedback on: rubber bands, selection outlines and
// handles. Everything is drawn straight into a pixel buffer with a pen whose mode is either
// plain copy or the inverting mode (the inverse of pen xor screen), so that drawing the same
// figure twice in the inverting mode restores every pixel it touched.
//
// The figures follow the platform's drawing conventions: a line leaves out its end pixel, so
// that a polygon drawn edge by edge touches each corner once; rectangles and ellipses cover
// the box from (x1, y1) up to but not including (x2, y2), interior included. Pixels outside
// the buffer are skipped, and the work of a figure is bounded by the buffer's size however far
// its coordinates reach.

#include "raster/DibColors.h"
#include "raster/DibTypes.h"

#include <cstdint>

class QImage;

namespace kolvar {

class TDibContainer;

enum class TCanvasPenMode : uint8_t { Copy, NotXor };
// Dot: every other pixel along a line, starting with its first one.
enum class TCanvasPenStyle : uint8_t { Solid, Dot };

class TDesignerCanvas {
public:
    virtual ~TDesignerCanvas() = default;

    TDibColor PenColor() const { return FPenColor; }
    TCanvasPenMode PenMode() const { return FPenMode; }
    TCanvasPenStyle PenStyle() const { return FPenStyle; }
    void SetPenColor(TDibColorArg color) { FPenColor = color.Color(); }
    void SetPenMode(TCanvasPenMode mode) { FPenMode = mode; }
    void SetPenStyle(TCanvasPenStyle style) { FPenStyle = style; }

    void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    // Corners in any order; the pen style does not apply to the filled figures.
    void Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    void Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2);

    virtual int32_t Width() const = 0;
    virtual int32_t Height() const = 0;

protected:
    // Called with 0 <= x < Width() and 0 <= y < Height() only.
    virtual TDibColor ReadPixel(int32_t x, int32_t y) const = 0;
    virtual void WritePixel(int32_t x, int32_t y, TDibColor c) = 0;

private:
    void Plot(int32_t x, int32_t y);
    void Span(int32_t y, int64_t x1, int64_t x2);

    TDibColor FPenColor = clDibBlack;
    TCanvasPenMode FPenMode = TCanvasPenMode::Copy;
    TCanvasPenStyle FPenStyle = TCanvasPenStyle::Solid;
};

// Draws into an image container that outlives the canvas.
class TDibDesignerCanvas : public TDesignerCanvas {
public:
    explicit TDibDesignerCanvas(TDibContainer& target) : FTarget(&target) {}
    void SetTarget(TDibContainer& target) { FTarget = &target; }
    TDibContainer& Target() const { return *FTarget; }

    int32_t Width() const override;
    int32_t Height() const override;

protected:
    TDibColor ReadPixel(int32_t x, int32_t y) const override;
    void WritePixel(int32_t x, int32_t y, TDibColor c) override;

private:
    TDibContainer* FTarget;
};

// Draws into a toolkit bitmap of any non-indexed format that outlives the canvas.
class TImageDesignerCanvas : public TDesignerCanvas {
public:
    explicit TImageDesignerCanvas(QImage& target) : FTarget(&target) {}
    void SetTarget(QImage& target) { FTarget = &target; }
    QImage& Target() const { return *FTarget; }

    int32_t Width() const override;
    int32_t Height() const override;

protected:
    TDibColor ReadPixel(int32_t x, int32_t y) const override;
    void WritePixel(int32_t x, int32_t y, TDibColor c) override;

private:
    QImage* FTarget;
};

} // namespace kolvar
