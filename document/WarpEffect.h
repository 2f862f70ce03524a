#pragma once
// The warp tool's effect: the picture content at a start point is dragged to an end point by
// resampling the four squares that meet at the end point, each one pulled towards the start.

#include "raster/DibTypes.h"

#include <cstdint>

namespace kolvar {

class TDibContainer;

// The side of the four squares for a drag from Start to End on a W x H picture, after the
// segment was clipped to the picture less a one-pixel border; 0 means the warp changes
// nothing. Start and End come back clipped.
int32_t WarpRadius(int32_t W, int32_t H, TPoint& Start, TPoint& End);

// Drags the content at Start (image pixels) to End. All sampling reads the unchanged picture.
void WarpImage(TDibContainer& Image, TPoint Start, TPoint End);

} // namespace kolvar
