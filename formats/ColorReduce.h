#pragma once
// Conversion of a picture to the depths the export offers: 1, 4, 8, 16, 24 and 32 bits per
// pixel. Pictures that already fit a palette of the depth keep their exact colours; others get
// black and white (1 bit), the standard 16 colours (4 bits) or a median-cut palette (8 bits),
// with Floyd-Steinberg error diffusion.

#include "formats/DibData.h"

#include <QImage>

#include <array>

namespace kolvar {

// Raises EInvalidGraphic for a null picture or an unsupported depth.
TDibData ConvertToDib(const QImage& image, int bitCount);

// The sixteen colours of 4-bit pictures: black, the eight dark and grey tones, then the bright
// ones up to white.
const std::array<TRgbQuad, 16>& StandardPalette16();

// A dib as a picture (palette depths come back as Format_Indexed8, or Format_Mono for 1 bit).
QImage DibToImage(const TDibData& dib);

} // namespace kolvar
