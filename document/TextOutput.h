#pragma once
// Text written into image pixels with the platform's font engine: the measured extent the
// text tools preview, and text stretched to fill a rectangle.

#include "raster/DibColors.h"
#include "raster/DibTypes.h"

#include <QString>

#include <cstdint>

class QFont;

namespace kolvar {

class TDibContainer;

// Bits of the text tools' font style: bold 1, italic 2, underline 4, strike-out 8.
QFont ToolFont(const QString& FontName, int32_t PointSize, int32_t Style);

// Width (the advance) and height of Text in the font.
TPoint MeasureText(const QString& Text, const QString& FontName, int32_t PointSize, int32_t Style);

// Writes Text in the font MeasureText measures, with its top-left corner at At: the pixels stay
// within the measured extent but for overhangs. The background stays; touched pixels take
// Color. Nothing is written without text or with an empty image.
void DrawTextAt(TDibContainer& Image, const TPoint& At, int32_t Style, const QString& Text,
                const QString& FontName, int32_t PointSize, TDibColorArg Color);

// Writes Text with its top-left corner at (R.Left, R.Top) in a font whose cell height is
// R.Bottom - R.Top + 1 and whose average character width is that of R spread over the
// characters, so the text is stretched to fill R. Escapement is in tenths of a degree,
// counter-clockwise. The background stays; touched pixels take Color. Nothing is written
// without text or with an empty image.
void DrawTextInRect(TDibContainer& Image, const TRect& R, int32_t Escapement, int32_t Style,
                    const QString& Text, const QString& FontName, TDibColorArg Color);

// The extent the last Text tool gesture measured; shared by every document.
TPoint& TextExtent();

} // namespace kolvar
