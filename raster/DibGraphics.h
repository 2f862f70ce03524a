#pragma once
// The raster engine's drawing objects in one include: shared gradient and pattern resources,
// brushes, pens, the canvas that bundles an image with one brush and one pen, and the
// program-wide default objects.

#include "raster/DibContainer.h"
#include "raster/DibGraphicsBrush.h"
#include "raster/DibGraphicsDefaults.h"
#include "raster/DibGraphicsGradient.h"
#include "raster/DibGraphicsObject.h"
#include "raster/DibGraphicsPattern.h"
#include "raster/DibGraphicsPen.h"
#include "raster/DibGraphicsResources.h"

#include <memory>

namespace kolvar {

class TDibCanvas {
public:
    TDibCanvas(int32_t W, int32_t H);
    TDibCanvas(const TDibCanvas&) = delete;
    TDibCanvas& operator=(const TDibCanvas&) = delete;
    ~TDibCanvas();

    TDibContainer& Container() { return *FContainer; }
    const TDibContainer& Container() const { return *FContainer; }
    TDibBrush& Brush() { return *FBrush; }
    const TDibBrush& Brush() const { return *FBrush; }
    TDibPen& Pen() { return *FPen; }
    const TDibPen& Pen() const { return *FPen; }

    // Fills the rectangle (inclusive, corners in any order) with the brush.
    void FillRect(const TRect& rect);
    // Sets pixels (x, y1..y2), the ends in either order, clipped to the image.
    void VertLine(int32_t x, int32_t y1, int32_t y2, TDibColorArg color);

private:
    std::unique_ptr<TDibContainer> FContainer;
    std::unique_ptr<TDibPen> FPen;
    std::unique_ptr<TDibBrush> FBrush;
};

// Makes the anti-aliasing table, the resource managers with their default resources and the
// default objects now rather than on first use. The program calls it at start-up; everything
// is freed at exit in the reverse order.
void InitializeDibGraphics();

} // namespace kolvar
