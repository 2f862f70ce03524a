#pragma once
// What the drawing palettes share: the colours of their colour grids and the tool canvas's
// brush and pen they edit.

#include "raster/DibTypes.h"

#include <array>

namespace kolvar {

class TDibBrush;
class TDibPen;

// The 133 colours of the colour grids (0x00BBGGRR), row by row in 15 columns.
constexpr int kGridColorColumns = 15;
constexpr int kGridColorRows = 9;
constexpr int kGridColorCount = 133;
const std::array<TColor, kGridColorCount>& GridColorTable();

// The tool canvas's brush and pen (the palettes' working objects).
TDibBrush& ToolBrush();
TDibPen& ToolPen();

} // namespace kolvar
