#pragma once
// The plain value types every layer shares: points, rectangles and the pixel colour.

#include <cstdint>

namespace kolvar {

// The GUI toolkit's colour value 0x00BBGGRR (red in the low byte).
using TColor = uint32_t;

// An integer point.
struct TPoint {
    int32_t X = 0;
    int32_t Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

// A point with double coordinates.
struct TPoint2D {
    double X = 0;
    double Y = 0;
    friend bool operator==(const TPoint2D&, const TPoint2D&) = default;
};

// A rectangle whose four edges are all inclusive unless a caller says otherwise.
struct TRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
    friend bool operator==(const TRect&, const TRect&) = default;
};

// One pixel in memory order blue, green, red. Carried in an integer it is 0x00RRGGBB.
struct TDibColor {
    uint8_t Blue = 0;
    uint8_t Green = 0;
    uint8_t Red = 0;
    friend bool operator==(const TDibColor&, const TDibColor&) = default;
};
static_assert(sizeof(TDibColor) == 3);

} // namespace kolvar
