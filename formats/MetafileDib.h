#pragma once
// Device-independent bitmaps as metafile records carry them: a BITMAPINFO (core or info
// header, masks, colour table) and separate pixel bits.

#include "formats/MetafileReader.h"

#include <QImage>

namespace kolvar {

// How a DIB's colour table is to be read: RGB quads, or 16-bit indices into the logical
// palette of the device.
enum class TDibUsage { RgbColors, PaletteIndices };

// Decodes the bitmap into an RGB32 image. `rows`, when not negative, is the number of scan lines
// the bits hold (for bands that carry only part of the picture). Returns a null image for
// encodings a metafile may name but that this player does not draw (embedded JPEG or PNG).
// Raises EMetafileError for a header, colour table or bits that do not fit or are malformed.
// The bytes the header, masks and colour table take, where the pixel bits follow them.
uint64_t MetafileDibInfoSize(const TMetafileReader& info, TDibUsage usage);

// True when the bits run from the bottom row up, which is how source rectangles of such bitmaps
// are counted.
bool MetafileDibBottomUp(const TMetafileReader& info);

// `step` keeps every step-th column and row only (in the order the bits are stored), for a
// bitmap drawn far smaller than it is. Every decoded bitmap counts towards the metafile's
// total on the decoding budget.
// A source rectangle in the coordinates of the bitmap decoded at `step`.
QRectF SampledRect(const QRectF& source, QSize step);

QImage DecodeMetafileDib(const TMetafileReader& info, const TMetafileReader& bits, TDibUsage usage,
                         int64_t rows = -1, QSize step = QSize(1, 1));

} // namespace kolvar
