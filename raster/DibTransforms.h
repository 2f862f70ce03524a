#pragma once
// Whole-picture geometry: mirrors, quarter turns, resampling to a new size, a new canvas
// around the picture and cropping. Each returns a new image and leaves its source alone;
// an empty source gives an empty result.

#include "raster/DibContainer.h"

namespace kolvar {

enum class TResample { Nearest, Smooth };

// Where the old picture sits on a new canvas: row-major over a 3 x 3 grid, top-left (0) to
// bottom-right (8); 4 is the centre.
enum TCanvasAnchor : int32_t {
    caTopLeft,
    caTop,
    caTopRight,
    caLeft,
    caCenter,
    caRight,
    caBottomLeft,
    caBottom,
    caBottomRight
};

TDibContainer FlippedHorizontal(const TDibContainer& Source);
TDibContainer FlippedVertical(const TDibContainer& Source);
// A quarter turn, clockwise or not: width and height swap, no pixel is resampled.
TDibContainer Rotated90(const TDibContainer& Source, bool Clockwise);
TDibContainer Rotated180(const TDibContainer& Source);

// Samples the picture at W x H (each at least 1) through pixel centres: Nearest takes the
// pixel under each centre, Smooth interpolates the four around it (bilinear, edges clamped).
TDibContainer Resized(const TDibContainer& Source, int32_t W, int32_t H, TResample Mode);

// The picture's offset on a canvas of W x H for an anchor. Centred along an axis, the offset
// is half the difference rounded toward zero: a canvas that grows by an odd amount gets the
// odd pixel on the right or bottom, one that shrinks loses it there.
TPoint CanvasOffset(int32_t OldW, int32_t OldH, int32_t W, int32_t H, int32_t Anchor);
// A W x H canvas in Paper with the picture placed by the anchor; what falls outside is cut.
TDibContainer CanvasResized(const TDibContainer& Source, int32_t W, int32_t H, int32_t Anchor,
                            TDibColor Paper);

// The inclusive rectangle (corners in any order) clipped to the picture; empty when nothing
// of it lies on the picture.
TDibContainer Cropped(const TDibContainer& Source, const TRect& Rect);

} // namespace kolvar
