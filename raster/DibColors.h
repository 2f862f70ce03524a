#pragma once
// Conversions between the toolkit colour (0x00BBGGRR) and the pixel colour (TDibColor, whose
// integer form is 0x00RRGGBB), and the fixed pixel colours the program starts from.

#include "raster/DibTypes.h"

#include <cstdint>

namespace kolvar {

constexpr uint32_t DibColorToInt(TDibColor c) {
    return uint32_t(c.Blue) | (uint32_t(c.Green) << 8) | (uint32_t(c.Red) << 16);
}

constexpr TDibColor IntToDibColor(uint32_t v) {
    return TDibColor{uint8_t(v & 0xFF), uint8_t((v >> 8) & 0xFF), uint8_t((v >> 16) & 0xFF)};
}

// A colour argument: either a TDibColor or its integer form 0x00RRGGBB. Bits 24-31 of the
// integer form are ignored, so every container operation accepts both spellings.
struct TDibColorArg {
    uint32_t Value;
    constexpr TDibColorArg(uint32_t v) : Value(v & 0xFFFFFFu) {}
    constexpr TDibColorArg(TDibColor c) : Value(DibColorToInt(c)) {}
    constexpr TDibColor Color() const { return IntToDibColor(Value); }
    constexpr uint8_t Blue() const { return uint8_t(Value); }
    constexpr uint8_t Green() const { return uint8_t(Value >> 8); }
    constexpr uint8_t Red() const { return uint8_t(Value >> 16); }
};

// Toolkit colour 0x00BBGGRR to pixel colour.
constexpr TDibColor DibColorFromColor(TColor c) {
    return TDibColor{uint8_t((c >> 16) & 0xFF), uint8_t((c >> 8) & 0xFF), uint8_t(c & 0xFF)};
}

// Pixel colour to toolkit colour 0x00BBGGRR.
constexpr TColor ColorFromDibColor(TDibColorArg c) {
    return TColor(c.Red()) | (TColor(c.Green()) << 8) | (TColor(c.Blue()) << 16);
}

// Compares the 24 colour bits only.
constexpr bool SameDibColor(TDibColorArg a, TDibColorArg b) {
    return a.Value == b.Value;
}

// Integer luminance 0..255 with the weights 0.299, 0.587, 0.114 in 16-bit fixed point.
constexpr int32_t DibLuminance(TDibColorArg c) {
    return int32_t(
        (uint32_t(c.Red()) * 19595u + uint32_t(c.Green()) * 38470u + uint32_t(c.Blue()) * 7471u) >>
        16);
}

// The fixed pixel colours, stored as (blue, green, red).
inline constexpr TDibColor clDibBlack{0, 0, 0};
inline constexpr TDibColor clDibSilver{192, 192, 192};
inline constexpr TDibColor clDibRed{0, 0, 255};
inline constexpr TDibColor clDibGreen{0, 255, 0};
inline constexpr TDibColor clDibBlue{255, 0, 0};
inline constexpr TDibColor clDibMagenta{255, 0, 255};
inline constexpr TDibColor clDibWhite{255, 255, 255};

} // namespace kolvar
