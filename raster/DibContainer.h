#pragma once
// The program's one in-memory image: 24-bit pixels (bytes blue, green, red), rows stored top to
// bottom, each row padded to a multiple of 4 bytes, reached through a precomputed row table.
// Besides pixel access it offers the raster operations that must be fast: whole-image fill,
// copies, transparency blending, stretching, rotation, scan-line flood fills, and the scan
// conversion of rectangles and polygons into spans painted by a callback.
//
// Empty images: a container whose width or height is 0 holds no pixels and reports 0 x 0.
// Every operation on it (or onto it as a destination) does nothing, and nothing is allocated.
// A default-constructed container is empty.
//
// Sizes: a negative side, more than 2^28 pixels, or a buffer whose size would overflow is
// refused with EDibSizeError before anything is allocated; so is an allocation the system
// cannot satisfy (the container is then left empty).

#include "raster/DibColors.h"
#include "raster/DibTypes.h"
#include "raster/Exceptions.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QImage;
class QPainter;

namespace kolvar {

class TDibContainer;
class TIntegerArray;
class TPoints;

// Draws the segment (x1, y1)-(x2, y2) into the image. An empty callback draws nothing.
using TDibLineProc =
    std::function<void(TDibContainer& Dib, int32_t x1, int32_t y1, int32_t x2, int32_t y2)>;

// Paints pixels X1..X2 (inclusive) of row Y. Bounds is the unclipped bounding rectangle of the
// whole shape (all edges inclusive). The container only calls it with 0 <= X1 <= X2 <= W-1 and
// 0 <= Y <= H-1. An empty callback paints nothing.
using TDibSpanProc =
    std::function<void(TDibContainer& Dib, int32_t Y, int32_t X1, int32_t X2, const TRect& Bounds)>;

// An image size the container refuses to allocate.
class EDibSizeError : public Exception {
public:
    using Exception::Exception;
};

// The memory for an image's pixels could not be had.
class EDibMemoryError : public EDibSizeError {
public:
    using EDibSizeError::EDibSizeError;
};

// Where pixel memory comes from: zeroed memory of the given size that std::free releases, or
// null when there is none. Tests install a failing one to see that a refused allocation
// changes nothing.
using TDibAllocator = void* (*)(size_t Bytes);
// Installs an allocator (nullptr: the system's) and returns the previous one (nullptr for the
// system's).
TDibAllocator SetDibAllocator(TDibAllocator Allocator);

// Which source pixels TDibContainer::StretchTo, without smoothing, reads from a W x H image to
// fill rect on a DW x DH destination: Columns[i] is the source column of destination column
// FirstColumn + i, Rows[j] the source row of destination row FirstRow + j. Both are empty
// when nothing is drawn.
struct TStretchSamples {
    int32_t FirstColumn = 0;
    int32_t FirstRow = 0;
    std::vector<int32_t> Columns;
    std::vector<int32_t> Rows;
};
TStretchSamples NearestStretchSamples(const TRect& rect, int32_t W, int32_t H, int32_t DW,
                                      int32_t DH);

class TDibContainer {
public:
    // The largest number of pixels an image may have.
    static constexpr int64_t MaxPixels = int64_t(1) << 28;

    TDibContainer() = default;
    TDibContainer(int32_t W, int32_t H);
    TDibContainer(const TDibContainer& other);
    TDibContainer(TDibContainer&& other) noexcept;
    TDibContainer& operator=(const TDibContainer& other);
    TDibContainer& operator=(TDibContainer&& other) noexcept;
    ~TDibContainer();

    int32_t Width() const { return FWidth; }
    int32_t Height() const { return FHeight; }
    // Bytes per row: 3 x Width rounded up to a multiple of 4.
    int32_t Stride() const { return FStride; }
    bool Empty() const { return FBits == nullptr; }
    // Row 0 (the top row); the rows follow at Stride() apart. Null when empty.
    uint8_t* Bits() { return FBits; }
    const uint8_t* Bits() const { return FBits; }
    // Stride() x Height().
    size_t ByteSize() const { return size_t(FStride) * size_t(FHeight); }

    // The bytes per row of a W-pixel-wide image.
    static int32_t StrideFor(int32_t W) { return int32_t(((int64_t(W) * 24 + 31) / 32) * 4); }

    // Same size: nothing happens (pixels kept). Otherwise a new black image of W x H.
    void SetSize(int32_t W, int32_t H);
    // Takes the source's size and its whole pixel buffer (padding included).
    void AssignContainer(const TDibContainer& source);
    // Takes a toolkit bitmap of any depth or format, converted to 24 bits (alpha is dropped).
    // A null bitmap, or one that cannot be converted, leaves the container unchanged.
    void AssignBitmap(const QImage& bitmap);
    void Assign(const TDibContainer& source) { AssignContainer(source); }
    void Assign(const QImage& bitmap) { AssignBitmap(bitmap); }
    // Equal sizes and byte-for-byte equal buffers (padding included).
    bool SameImage(const TDibContainer& other) const;

    // Pixel access without range checks: callers keep 0 <= x < Width and 0 <= y < Height.
    TDibColor GetPixel(int32_t x, int32_t y) const { return *PixelPtr(x, y); }
    void SetPixel(int32_t x, int32_t y, TDibColorArg c) { *PixelPtr(x, y) = c.Color(); }
    // The bytes of row y, starting with pixel (0, y).
    uint8_t* ScanLine(int32_t y) { return FRows[size_t(y)]; }
    const uint8_t* ScanLine(int32_t y) const { return FRows[size_t(y)]; }
    TDibColor* PixelPtr(int32_t x, int32_t y) {
        return reinterpret_cast<TDibColor*>(FRows[size_t(y)] + size_t(x) * 3);
    }
    const TDibColor* PixelPtr(int32_t x, int32_t y) const {
        return reinterpret_cast<const TDibColor*>(FRows[size_t(y)] + size_t(x) * 3);
    }
    // Every pixel takes the colour.
    void Clear(TDibColorArg c);

    // Draws the whole image unscaled with its top-left corner at (x, y).
    void DrawToDC(QPainter& dc, int32_t x, int32_t y) const;
    // A deep copy as a toolkit bitmap (QImage::Format_BGR888); a null QImage when empty.
    QImage ToImage() const;
    // Copies rect (inclusive, clamped to this image) to dest with its top-left at dest (0, 0).
    // Whatever does not fit into dest is left out.
    void CopyRectTo(const TRect& rect, TDibContainer& dest) const;
    // Draws this image onto dest with its top-left at (x, y), clipped. Transparency 0 copies,
    // 255 leaves dest unchanged; between, d = (d x t + s x (255 - t)) >> 8 per byte.
    void BlendTo(TDibContainer& dest, int32_t x, int32_t y, int32_t transparency) const;
    // As BlendTo, but source pixels of the key colour leave dest unchanged.
    void BlendTransparentTo(TDibContainer& dest, int32_t x, int32_t y, TDibColorArg key,
                            int32_t transparency) const;
    // Scales this whole image into rect (inclusive, dest coordinates, clipped to dest), nearest
    // pixel or bilinear (smooth). A rect with R < L or B < T draws nothing.
    void StretchTo(TDibContainer& dest, const TRect& rect, bool smooth) const;
    // Rotates by angle (radians) and scales, drawing centred on (cx, cy) of dest. Pixels that
    // fall outside the source leave dest unchanged. A scale of exactly 0 counts as 1.
    void RotateTo(TDibContainer& dest, int32_t cx, int32_t cy, double sy, double sx,
                  double angle) const;

    // Paints x1..x2 (either order, clipped) of row y; nothing when y is off the image.
    void HorzLine(int32_t y, int32_t x1, int32_t x2, TDibColorArg c);
    // Fills the 4-connected area of the target colour around (x, y); the caller passes the
    // seed pixel's own colour as target.
    void FloodFill(int32_t x, int32_t y, TDibColorArg fill, TDibColorArg target);
    // Fills the 4-connected area around (x, y) up to pixels of the boundary colour.
    void BoundaryFill(int32_t x, int32_t y, TDibColorArg fill, TDibColorArg boundary);

    // Four calls clockwise from (x1, y1): top, right, bottom, left.
    void Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2, const TDibLineProc& proc);
    // Segments between consecutive points, and the closing one when closed.
    void Polyline(const TPoint* points, int32_t count, const TDibLineProc& proc, bool closed);
    // Polygons stored one after another in points, counts[i] points each, each one closed.
    void PolyPolygonOutline(const TPoint* points, const int32_t* counts, int32_t polygonCount,
                            const TDibLineProc& proc);
    // Calls proc for every row of the rectangle (corners in any order), clipped to the image.
    void FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, const TDibSpanProc& proc);
    // Even-odd fill. The bottom-most row of a polygon is never painted.
    void FillPolygon(const TPoint* points, int32_t count, const TDibSpanProc& proc);
    void FillPolyPolygon(const TPoint* points, const int32_t* counts, int32_t polygonCount,
                         const TDibSpanProc& proc);

    // The same over the growable containers. Polygon sets whose counts ask for more points
    // than there are stop at the first polygon that does not fit.
    void Polyline(const TPoints& points, const TDibLineProc& proc, bool closed);
    void PolyPolygonOutline(const TPoints& points, const TIntegerArray& counts,
                            const TDibLineProc& proc);
    void FillPolygon(const TPoints& points, const TDibSpanProc& proc);
    void FillPolyPolygon(const TPoints& points, const TIntegerArray& counts,
                         const TDibSpanProc& proc);

private:
    void Allocate(int32_t W, int32_t H);
    void Release() noexcept;
    void FillSpans(const TPoint* points, const int32_t* counts, int32_t polygonCount,
                   const TDibSpanProc& proc);

    struct FreeDeleter {
        void operator()(uint8_t* p) const noexcept;
    };

    int32_t FWidth = 0;
    int32_t FHeight = 0;
    int32_t FStride = 0;
    std::unique_ptr<uint8_t, FreeDeleter> FBuffer;
    uint8_t* FBits = nullptr;
    std::vector<uint8_t*> FRows;
};

} // namespace kolvar
